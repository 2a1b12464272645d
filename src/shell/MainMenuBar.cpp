#include "shell/MainMenuBar.h"

#include "ui/Tr.h"

#include <QAction>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace fen {

namespace {

struct Filler {
    const MainMenuBar::Choose& choose;
    const MainMenuBar::FillWindowList& fillWindowList;

    // Separators go only between groups, never first, last or twice.
    void separate(QMenu* menu, bool& pending) const {
        if (pending && !menu->actions().isEmpty() && !menu->actions().last()->isSeparator()) {
            menu->addSeparator();
        }
        pending = false;
    }

    void fill(QMenu* menu, const std::vector<MenuElement>& elements, bool& pending) const {
        for (const MenuElement& element : elements) {
            if (element.kind == MenuElement::Kind::command) {
                separate(menu, pending);
                addCommand(menu, element);
            } else if (element.inlineGroup) {
                pending = true;
                if (element.identifier == menuid::windowList) {
                    addWindowList(menu);
                } else {
                    fill(menu, element.children, pending);
                }
                pending = true;
            } else {
                separate(menu, pending);
                QMenu* submenu = menu->addMenu(ui::tr(element.title));
                submenu->setObjectName(QString::fromStdString(element.identifier));
                bool inner = false;
                fill(submenu, element.children, inner);
            }
        }
    }

    void addCommand(QMenu* menu, const MenuElement& command) const {
        // A file's name is shown as it is; the program's own titles are translated.
        const QString title =
            command.iconFile ? QString::fromStdString(command.title) : ui::tr(command.title);
        auto* action = menu->addAction(title);
        action->setShortcuts(MainMenuBar::shortcuts(command));
        action->setEnabled(command.enabled);
        if (command.iconFile) {
            const QIcon icon =
                QFileIconProvider().icon(QFileInfo(QString::fromStdString(*command.iconFile)));
            action->setIcon(QIcon(icon.pixmap(16, 16)));
        }
        QObject::connect(action, &QAction::triggered, action,
                         [choose = choose, command] { choose(command); });
    }

    // The open windows, filled afresh each time the menu opens, after the actions before them.
    void addWindowList(QMenu* menu) const {
        auto* start = menu->addSeparator();
        QObject::connect(menu, &QMenu::aboutToShow, start, [menu, start, fill = fillWindowList] {
            const QList<QAction*> actions = menu->actions();
            for (qsizetype i = actions.indexOf(start) + 1; i < actions.size(); ++i) {
                menu->removeAction(actions[i]);
                actions[i]->deleteLater();
            }
            if (fill) {
                fill(menu);
            }
        });
        if (fillWindowList) {
            fillWindowList(menu);
        }
    }
};

} // namespace

QKeySequence MainMenuBar::shortcut(const MenuElement& command) {
    if (command.key.empty()) {
        return {};
    }
    QString text;
    if (command.modifiers & menukey::command) {
        text += QStringLiteral("Ctrl+");
    }
    if (command.modifiers & menukey::shift) {
        text += QStringLiteral("Shift+");
    }
    if (command.modifiers & menukey::alternate) {
        text += QStringLiteral("Alt+");
    }
    text += QString::fromStdString(command.key).toUpper();
    return QKeySequence(text, QKeySequence::PortableText);
}

QList<QKeySequence> MainMenuBar::shortcuts(const MenuElement& command) {
    QList<QKeySequence> keys;
    if (const QKeySequence key = shortcut(command); !key.isEmpty()) {
        keys.push_back(key);
    }
    if (command.key == "+") {
        MenuElement equals = command;
        equals.key = "=";
        keys.push_back(shortcut(equals));
    }
    return keys;
}

void MainMenuBar::render(QMenuBar* bar, const std::vector<MenuElement>& menus, const Choose& choose,
                         const FillWindowList& fillWindowList) {
    for (QAction* action : bar->actions()) {
        bar->removeAction(action);
        if (QMenu* menu = action->menu()) {
            menu->deleteLater();
        }
    }
    const MenuElement* application = nullptr;
    for (const MenuElement& menu : menus) {
        if (menu.identifier == menuid::application) {
            application = &menu;
        }
    }
    const Filler filler{choose, fillWindowList};
    for (const MenuElement& element : menus) {
        if (element.identifier == menuid::application || element.kind != MenuElement::Kind::menu) {
            continue;
        }
        auto* menu = new QMenu(ui::tr(element.title), bar);
        menu->setObjectName(QString::fromStdString(element.identifier));
        bar->addMenu(menu);
        bool pending = false;
        filler.fill(menu, element.children, pending);
        if (application && element.identifier == menuid::file) {
            pending = true;
            filler.fill(menu, application->children, pending);
        }
    }
}

} // namespace fen
