#include "shell/KvDocumentController.h"

#include "shell/AppDelegate.h"
#include "shell/KvCatalystBugFix.h"
#include "shell/KvCatalystDocumentRecentMenu.h"
#include "shell/KvDocument.h"
#include "shell/Shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>

namespace fen {

std::string fileIdentity(const Url& url) {
    if (!url.isFileURL()) {
        return url.absoluteString();
    }
    const QFileInfo file(QFile::decodeName(url.path().c_str()));
    const QString canonical = file.canonicalFilePath();
    return QFile::encodeName(canonical.isEmpty() ? QDir::cleanPath(file.absoluteFilePath())
                                                 : canonical)
        .toStdString();
}

KvDocumentController::KvDocumentController(Shell& shell) : shell_(shell) {}

void KvDocumentController::closeDocument(const std::string& sceneIdentifier) {
    const auto it = std::find_if(documents_.begin(), documents_.end(), [&](const auto& document) {
        return document->sceneIdentifier == sceneIdentifier;
    });
    if (it != documents_.end()) {
        documents_.erase(it);
    }
}

void KvDocumentController::closeDocuments(const std::vector<std::string>& sceneIdentifiers) {
    for (const std::string& identifier : sceneIdentifiers) {
        closeDocument(identifier);
    }
}

std::shared_ptr<KvDocument> KvDocumentController::firstDocument(const Url& url) const {
    const std::string wanted = fileIdentity(url);
    const auto it = std::find_if(documents_.begin(), documents_.end(), [&](const auto& document) {
        return document->fileURL() == url || fileIdentity(document->fileURL()) == wanted;
    });
    return it == documents_.end() ? nullptr : *it;
}

Scene* KvDocumentController::windowScene(const std::optional<Url>& url) const {
    if (!url) {
        return nullptr;
    }
    const std::shared_ptr<KvDocument> document = firstDocument(*url);
    if (!document || !document->sceneIdentifier) {
        return nullptr;
    }
    return shell_.platform().scene(*document->sceneIdentifier);
}

std::shared_ptr<KvDocument> KvDocumentController::openDocument(const std::optional<Url>& url) {
    KvAppDelegate* delegate = shell_.appDelegate().documentDelegate.get();
    if (!url || !delegate || !delegate->documentType) {
        return nullptr;
    }
    std::shared_ptr<KvDocument> document = delegate->documentType(*url);
    documents_.push_back(document);
    // Only a file its window opened joins the desktop's recent files, and the menu is built again
    // two seconds after it opened: a file that could not be read or is no PDF never joins.
    if (document && url->isFileURL()) {
        std::error_code ec;
        document->onOpened = [this, path = std::filesystem::absolute(url->path(), ec)] {
            KvAppDelegate* opener = shell_.appDelegate().documentDelegate.get();
            if (opener && opener->catalystBugFix && opener->catalystBugFix->documentRecentMenu) {
                opener->catalystBugFix->documentRecentMenu->recents.add(path);
                refreshRecentMenuLater();
            }
        };
    }
    return document;
}

void KvDocumentController::refreshRecentMenuLater() {
    KvAppDelegate* delegate = shell_.appDelegate().documentDelegate.get();
    if (delegate && delegate->catalystBugFix && delegate->catalystBugFix->documentRecentMenu) {
        delegate->catalystBugFix->documentRecentMenu->refreshRecentMenuLater();
    }
}

void KvDocumentController::presentDocument(Scene* presenter, const std::vector<Url>& urls,
                                           bool animated) {
    if (urls.empty()) {
        return;
    }
    if (const std::shared_ptr<KvDocument> document = openDocument(urls.front());
        document && presenter) {
        presenter->presentDocumentModally(document, animated);
    }
    if (iosRecentDocument) {
        iosRecentDocument->add(urls.front());
    }
    refreshRecentMenuLater();
}

void KvDocumentController::openPickedDocuments(const std::vector<Url>& urls) {
    const auto openInNewScene = [this](const Url& url) {
        if (KvAppDelegate* delegate = shell_.appDelegate().documentDelegate.get()) {
            delegate->openDocumentInNewScene(url);
        }
        refreshRecentMenuLater();
    };
    for (const Url& url : urls) {
        const std::shared_ptr<KvDocument> open = firstDocument(url);
        if (!open) {
            openInNewScene(url);
            continue;
        }
        Scene* scene =
            open->sceneIdentifier ? shell_.platform().scene(*open->sceneIdentifier) : nullptr;
        if (scene) {
            shell_.platform().activateSceneSession(scene->persistentIdentifier(), std::nullopt);
            continue;
        }
        // Its window is gone: the stale entry goes and the file opens in a new window.
        if (open->sceneIdentifier) {
            closeDocument(*open->sceneIdentifier);
        } else {
            documents_.erase(std::find(documents_.begin(), documents_.end(), open));
        }
        openInNewScene(url);
    }
}

void KvDocumentController::showDocumentBrowser() {
    ShellPlatform& platform = shell_.platform();
    Shell& shell = shell_;
    platform.after(0, [&shell, &platform] {
        KvAppDelegate* delegate = shell.appDelegate().documentDelegate.get();
        Scene* browser = delegate ? delegate->documentBrowserWindowScene() : nullptr;
        platform.activateSceneSession(
            browser ? std::optional(browser->persistentIdentifier()) : std::nullopt, std::nullopt);
    });
}

} // namespace fen
