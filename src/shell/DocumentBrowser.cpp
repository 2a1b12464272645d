#include "shell/DocumentBrowser.h"

#include "shell/AppDelegate.h"
#include "shell/KvDocumentController.h"
#include "shell/Shell.h"
#include "ui/UserDefaults.h"

namespace fen {

void DocumentBrowser::didAppear() {
    shell_.platform().after(0, [this] {
        if (scene()) {
            showWelcomeOnce();
        }
    });
}

void DocumentBrowser::showWelcomeOnce() {
    KvAppDelegate* delegate = shell_.appDelegate().documentDelegate.get();
    if (delegate && delegate->welcomeWhatsNewAlreadyPresented) {
        return;
    }
    if (delegate) {
        delegate->welcomeWhatsNewAlreadyPresented = true;
    }
    ui::UserDefaults().setBool(ui::UserDefaults::kvWelcomeWhatsNew, true);
    if (!hasWelcomeWhatsNewClass) {
        return;
    }
    shell_.platform().activateSceneSession(std::nullopt, UserActivity{activity::welcome, {}});
}

Scene* DocumentBrowser::scene() const {
    const KvAppDelegate* delegate = shell_.appDelegate().documentDelegate.get();
    return delegate ? delegate->documentBrowserWindowScene() : nullptr;
}

void DocumentBrowser::closeOwnScene() {
    if (Scene* own = scene()) {
        shell_.platform().destroySceneSession(own->persistentIdentifier());
    }
}

void DocumentBrowser::didPick(const std::vector<Url>& urls) {
    closeOwnScene();
    shell_.documentController().openPickedDocuments(urls);
}

} // namespace fen
