#pragma once

#include "platform/foundation/RecentDocuments.h"
#include "shell/RecentDocumentsCache.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace fen {

class MenuBuilder;
class Shell;

// The desktop's services behind Open Recent: the shared list of recent files and their icons.
class RecentMenuCatalyst {
public:
    // The name this program registers its recent files under.
    static constexpr const char* applicationName = "Fenmoor";
    // The most files the menu lists.
    static constexpr size_t menuLimit = 10;

    // The desktop's list in the user's data folder, as this program sees it.
    static RecentDocuments recentDocuments();
    // The files this program opened lately, newest first, at most `menuLimit`, read from the
    // desktop's list at each call. The menu does not call it: it shows what `recents` last read
    // on its worker.
    static std::vector<std::filesystem::path> recentDocumentURLs();
    // Whether the desktop has an icon for the file at `path`.
    static bool hasIcon(const std::filesystem::path& path);
};

// The File menu's Open Recent submenu: one command per recent file with the file's icon, then
// Clear Menu (disabled when no file is listed). It takes the place of the window system's own
// Open Recent at every menu pass and asks for a pass of its own two seconds after a document is
// opened. It lists what `recents` last read; a pass made while a read was on its way is made again
// when the read lands with other files.
class KvCatalystDocumentRecentMenu {
public:
    explicit KvCatalystDocumentRecentMenu(Shell& shell);

    // The desktop's list as the menu shows it; additions and clearing go through it.
    RecentDocumentsCache recents;

    // The builder of the last menu pass; it expires when the next pass begins.
    std::weak_ptr<MenuBuilder> menuBuilder;

    void buildRecentMenu(MenuBuilder& builder);
    // Two seconds from now, the menu is built again with the desktop's list as it is then.
    void refreshRecentMenuLater();

private:
    void recentsLanded();

    Shell& shell_;
    // The files of the last pass, and whether a read was on its way then.
    std::vector<std::filesystem::path> shown_;
    bool shownWhileBusy_ = false;
};

} // namespace fen
