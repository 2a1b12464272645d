#include "shell/MenuModel.h"

#include <algorithm>

namespace fen {

namespace {

// The list that holds the element with `identifier`, and its place in it; none when absent.
struct Place {
    std::vector<MenuElement>* list = nullptr;
    size_t index = 0;
};

Place find(std::vector<MenuElement>& list, const std::string& identifier) {
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].identifier == identifier) {
            return {&list, i};
        }
        if (const Place inner = find(list[i].children, identifier); inner.list) {
            return inner;
        }
    }
    return {};
}

} // namespace

nlohmann::json menuJson(const std::vector<MenuElement>& menus) {
    nlohmann::json list = nlohmann::json::array();
    for (const MenuElement& element : menus) {
        nlohmann::json entry = nlohmann::json::object();
        if (!element.identifier.empty()) {
            entry["id"] = element.identifier;
        }
        entry["title"] = element.title;
        if (element.kind == MenuElement::Kind::command) {
            entry["action"] = element.action;
            if (!element.key.empty()) {
                std::string key;
                for (const auto& [flag, name] :
                     {std::pair{menukey::command, "cmd"}, std::pair{menukey::shift, "shift"},
                      std::pair{menukey::alternate, "alt"}}) {
                    if (element.modifiers & flag) {
                        key += std::string(name) + "+";
                    }
                }
                entry["key"] = key + element.key;
            }
            if (!element.enabled) {
                entry["enabled"] = false;
            }
            if (element.iconFile) {
                entry["icon"] = *element.iconFile;
            }
        } else {
            if (element.inlineGroup) {
                entry["inline"] = true;
            }
            entry["children"] = menuJson(element.children);
        }
        list.push_back(std::move(entry));
    }
    return list;
}

MenuElement MenuElement::command(std::string title, std::string action, std::string key,
                                 unsigned modifiers) {
    MenuElement element;
    element.kind = Kind::command;
    element.title = std::move(title);
    element.action = std::move(action);
    element.key = std::move(key);
    element.modifiers = modifiers;
    return element;
}

MenuElement MenuElement::menu(std::string identifier, std::string title,
                              std::vector<MenuElement> children, bool inlineGroup) {
    MenuElement element;
    element.kind = Kind::menu;
    element.identifier = std::move(identifier);
    element.title = std::move(title);
    element.children = std::move(children);
    element.inlineGroup = inlineGroup;
    return element;
}

MenuBuilder::MenuBuilder(MainMenuSystem& system, std::vector<MenuElement> menus)
    : system_(system), menus_(std::move(menus)) {}

const MenuElement* MenuBuilder::menu(const std::string& identifier) const {
    const Place place = find(const_cast<std::vector<MenuElement>&>(menus_), identifier);
    return place.list ? &(*place.list)[place.index] : nullptr;
}

void MenuBuilder::removeMenu(const std::string& identifier) {
    if (const Place place = find(menus_, identifier); place.list) {
        place.list->erase(place.list->begin() + static_cast<std::ptrdiff_t>(place.index));
    }
}

void MenuBuilder::insertChildAtStart(MenuElement element, const std::string& parent) {
    if (const Place place = find(menus_, parent); place.list) {
        auto& children = (*place.list)[place.index].children;
        children.insert(children.begin(), std::move(element));
    }
}

void MenuBuilder::insertChildAtEnd(MenuElement element, const std::string& parent) {
    if (const Place place = find(menus_, parent); place.list) {
        (*place.list)[place.index].children.push_back(std::move(element));
    }
}

void MenuBuilder::insertSiblingBefore(MenuElement element, const std::string& sibling) {
    if (const Place place = find(menus_, sibling); place.list) {
        place.list->insert(place.list->begin() + static_cast<std::ptrdiff_t>(place.index),
                           std::move(element));
    }
}

void MenuBuilder::insertSiblingAfter(MenuElement element, const std::string& sibling) {
    if (const Place place = find(menus_, sibling); place.list) {
        place.list->insert(place.list->begin() + static_cast<std::ptrdiff_t>(place.index) + 1,
                           std::move(element));
    }
}

MainMenuSystem::MainMenuSystem(std::function<void(MenuBuilder&)> pass) : pass_(std::move(pass)) {}

std::vector<MenuElement> MainMenuSystem::systemMenus() {
    using E = MenuElement;
    const unsigned cmd = menukey::command;
    return {
        E::menu(menuid::application, "Fenmoor",
                {E::menu(menuid::quit, "", {E::command("Quit", "quit", "q", cmd)}, true)}),
        E::menu(menuid::file, "File",
                {E::menu(menuid::newScene, "", {E::command("New Window", "newWindow")}, true),
                 E::menu(menuid::systemOpenRecent, "Open Recent", {}),
                 E::menu(menuid::close, "", {E::command("Close Window", "closeWindow", "w", cmd)},
                         true)}),
        E::menu(menuid::edit, "Edit",
                {E::menu(menuid::undoRedo, "",
                         {E::command("Undo", "undo", "z", cmd),
                          E::command("Redo", "redo", "z", cmd | menukey::shift)},
                         true),
                 E::menu(menuid::standardEdit, "",
                         {E::command("Cut", "cut", "x", cmd), E::command("Copy", "copy", "c", cmd),
                          E::command("Paste", "paste", "v", cmd)},
                         true),
                 E::menu(menuid::selectAll, "", {E::command("Select All", "selectAll", "a", cmd)},
                         true)}),
        E::menu(menuid::view, "View",
                {E::menu(menuid::fullscreen, "",
                         {E::command("Full Screen", "toggleFullScreen", "F11")}, true)}),
        E::menu(
            menuid::window, "Window",
            {E::menu(menuid::minimize, "", {E::command("Minimize", "minimize", "m", cmd)}, true),
             E::menu(menuid::windowList, "", {}, true)}),
        E::menu(menuid::help, "Help", {E::command("Fenmoor Help", "showHelp:")}),
    };
}

const std::vector<MenuElement>& MainMenuSystem::menus() {
    if (!builder_) {
        build();
    }
    return builder_->menus();
}

void MainMenuSystem::setNeedsRebuild() {
    if (building_) {
        pending_ = true;
        return;
    }
    build();
    rebuilt.emit();
}

void MainMenuSystem::build() {
    do {
        pending_ = false;
        building_ = true;
        auto builder = std::make_shared<MenuBuilder>(*this, systemMenus());
        // The previous builder is dropped only now, so the pass sees it gone.
        builder_ = builder;
        if (pass_) {
            pass_(*builder);
        }
        building_ = false;
        ++rebuilds_;
    } while (pending_);
}

} // namespace fen
