#include "shell/MainMenuBar.h"

#include "ui/Tr.h"

#include <QAction>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QShortcut>

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
    std::vector<const MenuElement*> shown;
    QStringList titles;
    for (const MenuElement& element : menus) {
        if (element.identifier != menuid::application && element.kind == MenuElement::Kind::menu) {
            shown.push_back(&element);
            titles << ui::tr(element.title);
        }
    }
    titles = withAccessKeys(titles);
    const Filler filler{choose, fillWindowList};
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const MenuElement& element = *shown[i];
        auto* menu = new QMenu(titles[qsizetype(i)], bar);
        menu->setObjectName(QString::fromStdString(element.identifier));
        bar->addMenu(menu);
        bool pending = false;
        filler.fill(menu, element.children, pending);
        if (application && element.identifier == menuid::file) {
            pending = true;
            filler.fill(menu, application->children, pending);
        }
    }
    if (!bar->findChild<QShortcut*>(QStringLiteral("openFirstMenu"), Qt::FindDirectChildrenOnly)) {
        // F10 opens the first menu with its first item chosen, as the desktop's programs do; the
        // bar then takes the arrow keys and Escape itself.
        auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), bar);
        f10->setObjectName(QStringLiteral("openFirstMenu"));
        QObject::connect(f10, &QShortcut::activated, bar, [bar] {
            for (QAction* title : bar->actions()) {
                if (title->isVisible() && title->isEnabled() && title->menu()) {
                    bar->setActiveAction(title);
                    for (QAction* item : title->menu()->actions()) {
                        if (!item->isSeparator() && item->isVisible() && item->isEnabled()) {
                            title->menu()->setActiveAction(item);
                            break;
                        }
                    }
                    return;
                }
            }
        });
    }
}

QStringList MainMenuBar::withAccessKeys(const QStringList& titles) {
    QSet<QChar> taken;
    QStringList marked;
    for (QString title : titles) {
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        // The first letter of a word that no earlier title took, else any such letter.
        qsizetype place = -1;
        for (int pass = 0; pass < 2 && place < 0; ++pass) {
            for (qsizetype i = 0; i < title.size() && place < 0; ++i) {
                const bool wordStart = i == 0 || title[i - 1].isSpace();
                if (title[i].isLetterOrNumber() && !taken.contains(title[i].toLower()) &&
                    (wordStart || pass == 1)) {
                    place = i;
                }
            }
        }
        if (place >= 0) {
            taken.insert(title[place].toLower());
            title.insert(place, QLatin1Char('&'));
        }
        marked << title;
    }
    return marked;
}

} // namespace fen
