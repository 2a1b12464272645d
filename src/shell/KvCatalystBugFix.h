#pragma once

#include <nlohmann/json.hpp>

#include <memory>

namespace fen {

class KvCatalystDocumentRecentMenu;
class MenuBuilder;
class Shell;

// Whether the window system's New Window item stays: only when the bundle declares a document
// type with a role other than "Viewer".
class KvNewDocumentMenuBugFix {
public:
    // False without an information dictionary or when a role is not a text; a document-type list
    // of another kind counts as empty, and entries without a role are skipped.
    static bool hasNonViewerDocumentType(const nlohmann::json& info);
    bool hasNonViewerDocumentType() const;
};

// The File menu's Open command: it shows the document browser.
class KvDocumentOpenMenu {
public:
    explicit KvDocumentOpenMenu(Shell& shell) : shell_(shell) {}
    void openBrowser();

private:
    Shell& shell_;
};

// The holder of the menu objects, made once by the application delegate and kept by its
// document delegate for the life of the process.
class KvCatalystBugFix {
public:
    explicit KvCatalystBugFix(Shell& shell);
    ~KvCatalystBugFix();

    std::unique_ptr<KvDocumentOpenMenu> docOpenMenu;
    std::unique_ptr<KvCatalystDocumentRecentMenu> documentRecentMenu;
    std::unique_ptr<KvNewDocumentMenuBugFix> newdocumentbugfix;
};

// The program's changes to the main menu besides Open and Open Recent: the menus it has no use
// for go, Export... ends the File menu, and the zoom commands stand before Full Screen.
class macOSApplicationMenu {
public:
    void buildMenu(MenuBuilder& builder) const;
};

} // namespace fen
