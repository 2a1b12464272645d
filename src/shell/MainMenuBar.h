#pragma once

#include "shell/MenuModel.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QKeySequence;
class QMenu;
class QMenuBar;

namespace fen {

// Draws the main menu model into a window's menu bar: each menu of the model a menu of the bar
// (the application menu's items at the end of File), each inline group between separators, each
// command an action with its key equivalent (Command drawn as Ctrl) and, for a file, the file's
// icon at 16 by 16. Choosing a command hands a copy of it to `choose`; the window list of the
// Window menu is filled by `fillWindowList` each time the menu opens. The bar opens from the
// keyboard: each menu's title has an access key of its own (Alt+F opens File), and F10 opens the
// first menu.
class MainMenuBar {
public:
    using Choose = std::function<void(const MenuElement&)>;
    using FillWindowList = std::function<void(QMenu*)>;

    static void render(QMenuBar* bar, const std::vector<MenuElement>& menus, const Choose& choose,
                       const FillWindowList& fillWindowList);
    // The key equivalent as Qt's shortcut: Command as Ctrl, then Shift and Alt, then the key.
    static QKeySequence shortcut(const MenuElement& command);
    // The titles with an access key marker ("&File") on a letter no earlier title took, the first
    // letter of a word where one is free; a "&" of a title itself is kept as "&&".
    static QStringList withAccessKeys(const QStringList& titles);
    // Every shortcut of the command: its key equivalent first, and for "+" also "=", the key
    // that carries "+" on common layouts, so Ctrl+= works without Shift as in other viewers.
    static QList<QKeySequence> shortcuts(const MenuElement& command);
};

} // namespace fen
