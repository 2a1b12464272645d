#include "shell/KvCatalystDocumentRecentMenu.h"

#include "shell/AppDelegate.h"
#include "shell/KvCatalystBugFix.h"
#include "shell/MenuModel.h"
#include "shell/Shell.h"
#include "shell/ShellPlatform.h"

#include <QFileIconProvider>
#include <QFileInfo>

namespace fen {

RecentDocuments RecentMenuCatalyst::recentDocuments() {
    return RecentDocuments(RecentDocuments::defaultFile(), applicationName, "fenmoor %u");
}

std::vector<std::filesystem::path> RecentMenuCatalyst::recentDocumentURLs() {
    return recentDocuments().paths(menuLimit);
}

bool RecentMenuCatalyst::hasIcon(const std::filesystem::path& path) {
    return !QFileIconProvider().icon(QFileInfo(QString::fromStdString(path.string()))).isNull();
}

KvCatalystDocumentRecentMenu::KvCatalystDocumentRecentMenu(Shell& shell)
    : recents(RecentMenuCatalyst::recentDocuments, RecentMenuCatalyst::menuLimit), shell_(shell) {
    recents.landed = [this] { recentsLanded(); };
}

void KvCatalystDocumentRecentMenu::recentsLanded() {
    if (!shownWhileBusy_) {
        return;
    }
    shownWhileBusy_ = false;
    const std::shared_ptr<MenuBuilder> builder = menuBuilder.lock();
    if (!builder || recents.paths() == shown_) {
        return;
    }
    builder->removeMenu(menuid::openRecent);
    builder->system().setNeedsRebuild();
}

void KvCatalystDocumentRecentMenu::buildRecentMenu(MenuBuilder& builder) {
    menuBuilder = builder.weak_from_this();
    if (!recents.hasRead() && !recents.isBusy()) {
        recents.reload();
    }
    shown_ = recents.paths();
    shownWhileBusy_ = recents.isBusy();
    std::vector<MenuElement> children;
    for (const std::filesystem::path& path : shown_) {
        if (!RecentMenuCatalyst::hasIcon(path)) {
            continue;
        }
        MenuElement entry = MenuElement::command(path.filename().string(), "openDocumentAction:");
        entry.iconFile = path.string();
        entry.propertyList = makeBookmark(Url::fileURL(path));
        children.push_back(std::move(entry));
    }
    MenuElement clear = MenuElement::command("Clear Menu", "clearRecentsAction");
    clear.enabled = !children.empty();
    children.push_back(MenuElement::menu("", "", {std::move(clear)}, true));
    builder.insertSiblingAfter(MenuElement::menu(menuid::openRecent, "Open Recent", children),
                               menuid::systemOpenRecent);
    builder.removeMenu(menuid::systemOpenRecent);
}

void KvCatalystDocumentRecentMenu::refreshRecentMenuLater() {
    Shell& shell = shell_;
    shell_.platform().after(2000, [&shell] {
        KvAppDelegate* delegate = shell.appDelegate().documentDelegate.get();
        if (!delegate || !delegate->catalystBugFix ||
            !delegate->catalystBugFix->documentRecentMenu) {
            return;
        }
        const std::shared_ptr<MenuBuilder> builder =
            delegate->catalystBugFix->documentRecentMenu->menuBuilder.lock();
        if (!builder) {
            return;
        }
        builder->removeMenu(menuid::openRecent);
        builder->system().setNeedsRebuild();
    });
}

} // namespace fen
