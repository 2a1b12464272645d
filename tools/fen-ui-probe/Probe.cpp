#include "Probe.h"

#include "panels/ListEditorSheet.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QJsonDocument>
#include <QMenu>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>

namespace fen::probe {

namespace {

std::map<std::string, Builder>& controlTable() {
    static std::map<std::string, Builder> table;
    return table;
}

std::map<std::string, Show>& showTable() {
    static std::map<std::string, Show> table;
    return table;
}

QString roleName(QAccessible::Role role) {
    static const std::map<QAccessible::Role, QString> names = {
        {QAccessible::Button, "push button"},
        {QAccessible::CheckBox, "check box"},
        {QAccessible::PageTab, "page tab"},
        {QAccessible::PageTabList, "page tab list"},
        {QAccessible::EditableText, "text"},
        {QAccessible::ComboBox, "combo box"},
        {QAccessible::Client, "filler"},
        {QAccessible::Grouping, "grouping"},
        {QAccessible::ScrollBar, "scroll bar"},
        {QAccessible::Pane, "panel"},
        {QAccessible::StaticText, "label"},
        {QAccessible::ButtonMenu, "push button menu"},
        {QAccessible::Slider, "slider"},
        {QAccessible::SpinBox, "spin box"},
        {QAccessible::List, "list"},
        {QAccessible::ListItem, "list item"},
        {QAccessible::Dialog, "dialog"},
        {QAccessible::Separator, "separator"},
    };
    const auto found = names.find(role);
    return found == names.end() ? QString::number(int(role)) : found->second;
}

} // namespace

Registration::Registration(std::initializer_list<std::pair<const char*, Builder>> controls) {
    for (const auto& [name, builder] : controls) {
        controlTable().emplace(name, builder);
    }
}

ShowRegistration::ShowRegistration(std::initializer_list<std::pair<const char*, Show>> windows) {
    for (const auto& [name, show] : windows) {
        showTable().emplace(name, show);
    }
}

const std::map<std::string, Builder>& controls() {
    return controlTable();
}

const std::map<std::string, Show>& shows() {
    return showTable();
}

ShownWindow::ShownWindow() : central(new QWidget(&window)), layout(new QVBoxLayout(central)) {
    window.setWindowTitle("Fenmoor UI Probe");
    window.setAccessibleName("Fenmoor UI Probe");
    window.setCentralWidget(central);
}

int ShownWindow::exec(QSize size) {
    window.resize(size);
    window.show();
    printLine({{"event", "shown"}});
    return QApplication::exec();
}

bool chooseMenuEntry(QMenu* menu, const QString& action) {
    if (!action.startsWith("choose:")) {
        return false;
    }
    for (QAction* entry : menu->actions()) {
        if (entry->text() == action.mid(7)) {
            entry->trigger();
            return true;
        }
    }
    return false;
}

bool pickComboEntry(QComboBox* picker, const QString& prefix, const QString& action) {
    if (!action.startsWith(prefix + ":")) {
        return false;
    }
    const int index = action.mid(prefix.size() + 1).toInt();
    if (index < 0 || index >= picker->count()) {
        return false;
    }
    // As a choice in the menu: the box moves, then reports the user's choice.
    picker->setCurrentIndex(index);
    Q_EMIT picker->activated(index);
    return true;
}

QJsonArray rectJson(const QRect& r) {
    return QJsonArray{r.x(), r.y(), r.width(), r.height()};
}

QJsonObject accessibleJson(QWidget* widget) {
    QJsonObject result;
    if (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget)) {
        result["role"] = roleName(iface->role());
        result["name"] = iface->text(QAccessible::Name);
        const QAccessible::State state = iface->state();
        if (state.checkable) {
            result["checked"] = bool(state.checked);
        }
        if (state.selectable) {
            result["selected"] = bool(state.selected);
        }
        result["disabled"] = bool(state.disabled);
    }
    return result;
}

std::vector<MainSettingsTab> settingsTabs() {
    return {{"text", "Text", "character.textbox", 0},
            {"image", "Image", "photo", 1},
            {"stamp", "Stamp", "checkmark.rectangle", 2},
            {"other", "Other", "123.rectangle", 3}};
}

void probeListSheet(Probe& probe, ListEditorSheet* sheet, const QString& name) {
    sheet->setMinimumSize(360, 320);
    sheet->setAccessibleName(name);
    probe.target = probe.shown = sheet;
    probe.state = [sheet] {
        QJsonArray rows;
        for (QAbstractButton* row : sheet->rows()) {
            rows.push_back(row->accessibleName());
        }
        return QJsonObject{{"rows", rows}, {"editing", sheet->shownEditor() != nullptr}};
    };
}

void printLine(const QJsonObject& object) {
    std::printf("%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

} // namespace fen::probe
