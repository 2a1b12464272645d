#include "shell/KvCatalystBugFix.h"

#include "shell/KvAppDelegate.h"
#include "shell/KvCatalystDocumentRecentMenu.h"
#include "shell/MenuModel.h"
#include "shell/Shell.h"

#include <algorithm>

namespace fen {

bool KvNewDocumentMenuBugFix::hasNonViewerDocumentType(const nlohmann::json& info) {
    if (!info.is_object()) {
        return false;
    }
    const auto types = info.find("CFBundleDocumentTypes");
    if (types == info.end() || !types->is_array()) {
        return false;
    }
    std::vector<const nlohmann::json*> roles;
    if (!std::all_of(types->begin(), types->end(),
                     [](const nlohmann::json& type) { return type.is_object(); })) {
        return false;
    }
    for (const nlohmann::json& type : *types) {
        if (type.contains("CFBundleTypeRole")) {
            roles.push_back(&type["CFBundleTypeRole"]);
        }
    }
    bool other = false;
    for (const nlohmann::json* role : roles) {
        if (!role->is_string()) {
            return false;
        }
        other = other || role->get<std::string>() != "Viewer";
    }
    return other;
}

bool KvNewDocumentMenuBugFix::hasNonViewerDocumentType() const {
    return hasNonViewerDocumentType(mainBundleInfo());
}

void KvDocumentOpenMenu::openBrowser() {
    if (KvAppDelegate* delegate = shell_.appDelegate().documentDelegate.get()) {
        delegate->openBrowser();
    }
}

KvCatalystBugFix::KvCatalystBugFix(Shell& shell)
    : docOpenMenu(std::make_unique<KvDocumentOpenMenu>(shell)),
      documentRecentMenu(std::make_unique<KvCatalystDocumentRecentMenu>(shell)),
      newdocumentbugfix(std::make_unique<KvNewDocumentMenuBugFix>()) {}

KvCatalystBugFix::~KvCatalystBugFix() = default;

void macOSApplicationMenu::buildMenu(MenuBuilder& builder) const {
    using E = MenuElement;
    for (const char* unused :
         {menuid::toolbar, menuid::sidebar, menuid::format, menuid::document}) {
        builder.removeMenu(unused);
    }
    builder.insertChildAtEnd(E::menu(menuid::exportGroup, "Export...",
                                     {E::command("Export...", "export", "s", menukey::command)},
                                     true),
                             menuid::file);
    builder.insertSiblingBefore(
        E::menu(menuid::zoom, "Zoom",
                {E::command("Zoom to Fit", "zoomToFit", "0", menukey::command),
                 E::command("Zoom In", "zoomIn", "+", menukey::command),
                 E::command("Zoom Out", "zoomOut", "-", menukey::command)},
                true),
        menuid::fullscreen);
}

} // namespace fen
