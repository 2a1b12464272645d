#pragma once

#include "platform/foundation/Signal.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fen {

// Modifier keys of a key equivalent, as flags. The window draws Command as Ctrl.
namespace menukey {
inline constexpr unsigned command = 1;
inline constexpr unsigned shift = 2;
inline constexpr unsigned alternate = 4;
} // namespace menukey

// Identifiers of the menus the window system puts in every main menu, and of the program's own.
namespace menuid {
// The application menu, which holds Quit; the window draws its items at the end of File.
inline constexpr const char* application = "application";
inline constexpr const char* file = "file";
inline constexpr const char* newScene = "new-scene";
inline constexpr const char* systemOpenRecent = "system-open-recent";
inline constexpr const char* close = "close";
inline constexpr const char* quit = "quit";
inline constexpr const char* edit = "edit";
inline constexpr const char* undoRedo = "undo-redo";
inline constexpr const char* standardEdit = "standard-edit";
inline constexpr const char* selectAll = "select-all";
inline constexpr const char* view = "view";
inline constexpr const char* fullscreen = "fullscreen";
inline constexpr const char* window = "window";
inline constexpr const char* minimize = "minimize";
// Filled by the window with one command per open window.
inline constexpr const char* windowList = "window-list";
inline constexpr const char* help = "help";
inline constexpr const char* toolbar = "toolbar";
inline constexpr const char* sidebar = "sidebar";
inline constexpr const char* format = "format";
inline constexpr const char* document = "document";
// The program's own.
inline constexpr const char* open = "open";
inline constexpr const char* exportGroup = "export";
inline constexpr const char* zoom = "Zoom";
inline constexpr const char* openRecent = "open-recent";
} // namespace menuid

// One element of the main menu: a menu (a submenu, or an inline group drawn in place between
// separators) with its children, or a command. A command names its action; the window sends
// the action to the application delegate, or runs it itself when it is one of the window
// system's own (closing, quitting, editing, full screen, minimising).
struct MenuElement {
    enum class Kind { menu, command };

    Kind kind = Kind::command;
    std::string identifier;
    std::string title;
    std::string action;
    // A character ("o", "+") or a key name ("F11"); empty for none.
    std::string key;
    unsigned modifiers = 0;
    bool inlineGroup = false;
    bool enabled = true;
    // Handed to the action with the command (a recent file's bookmark).
    std::optional<std::string> propertyList;
    // The file whose icon the command shows.
    std::optional<std::string> iconFile;
    std::vector<MenuElement> children;

    static MenuElement command(std::string title, std::string action, std::string key = {},
                               unsigned modifiers = 0);
    static MenuElement menu(std::string identifier, std::string title,
                            std::vector<MenuElement> children, bool inlineGroup = false);

    bool operator==(const MenuElement&) const = default;
};

// The menus as a tree of objects: identifier, title, action, key, modifiers (Command as "cmd",
// then "shift", "alt"), inline, enabled, icon file and children; empty fields left out.
nlohmann::json menuJson(const std::vector<MenuElement>& menus);

class MainMenuSystem;

// The main menu while it is being built: the window system's menus first, then each change of
// the program's menu pass. Elements are found by identifier anywhere in the tree; a change that
// names a menu not in the tree does nothing.
class MenuBuilder : public std::enable_shared_from_this<MenuBuilder> {
public:
    MenuBuilder(MainMenuSystem& system, std::vector<MenuElement> menus);

    MainMenuSystem& system() const { return system_; }
    const std::vector<MenuElement>& menus() const { return menus_; }
    const MenuElement* menu(const std::string& identifier) const;

    void removeMenu(const std::string& identifier);
    void insertChildAtStart(MenuElement element, const std::string& parent);
    void insertChildAtEnd(MenuElement element, const std::string& parent);
    void insertSiblingBefore(MenuElement element, const std::string& sibling);
    void insertSiblingAfter(MenuElement element, const std::string& sibling);

private:
    MainMenuSystem& system_;
    std::vector<MenuElement> menus_;
};

// The main menu every window draws: the window system's menus changed by the program's menu
// pass, built at first use and again at each rebuild request. The last builder is kept until the
// next pass, so whoever holds it weakly can tell whether it is still the current one.
class MainMenuSystem {
public:
    explicit MainMenuSystem(std::function<void(MenuBuilder&)> pass);

    // The window system's menus before the program changes them: File (New Window, Open Recent,
    // Close Window), Edit, View (Full Screen), Window (Minimize, the windows), Help, and the
    // application menu with Quit.
    static std::vector<MenuElement> systemMenus();

    // The current menus, built when none were built yet.
    const std::vector<MenuElement>& menus();
    // Builds the menus again now and announces it; a request made during a pass runs once that
    // pass is done.
    void setNeedsRebuild();
    int rebuildCount() const { return rebuilds_; }
    // After every pass.
    Signal<> rebuilt;

private:
    void build();

    std::function<void(MenuBuilder&)> pass_;
    std::shared_ptr<MenuBuilder> builder_;
    int rebuilds_ = 0;
    bool building_ = false;
    bool pending_ = false;
};

} // namespace fen
