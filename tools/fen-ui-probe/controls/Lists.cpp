// The watermark lists: the text list panel, empty ("textlist") and holding three texts
// ("textlist-filled"), and the saved-presets sheet over three presets ("presets").
// Own actions: "select:N" selects row N through the view's selection model, "focus:list" and
// "focus:field" move the keyboard focus, "title" presses the title row; the sheet's "open" and
// "cancel" press its buttons.
#include "Probe.h"

#include "controls/ButtonStyles.h"
#include "controls/SheetButtonModifiers.h"
#include "controls/ToolBarViewButton.h"
#include "export/NotificationDocumentCenter.h"
#include "panels/SavedListPanelSheet.h"
#include "panels/WatermarkListContainerView.h"
#include "panels/WatermarkListView.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>

#include <memory>

namespace fen::probe {

namespace {

QJsonArray textsJson(const std::vector<std::string>& texts) {
    QJsonArray result;
    for (const std::string& text : texts) {
        result.push_back(QString::fromStdString(text));
    }
    return result;
}

bool selectRow(QAbstractItemView* view, const QString& action) {
    if (!action.startsWith("select:")) {
        return false;
    }
    const QModelIndex index = view->model()->index(action.mid(7).toInt(), 0);
    view->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    return true;
}

void textList(Probe& p, QWidget* host, const std::vector<QString>& texts) {
    auto channel = std::make_shared<NotificationDocumentCenter>();
    auto* panel = new WatermarkListContainerView(channel, host);
    panel->setFixedWidth(380);
    // The probe holds the collapse flag, as the settings tab does.
    QObject::connect(panel, &WatermarkListContainerView::isCollapsedEdited, panel,
                     &WatermarkListContainerView::setIsCollapsed);
    for (const QString& text : texts) {
        panel->list().add(text.toStdString());
    }
    auto announced = std::make_shared<int>(0);
    auto token = std::make_shared<ObserverToken>(channel->addObserver(
        "TextItemsDidChange", [announced](const Notification&) { ++*announced; }));
    p.target = panel->entryField();
    p.shown = panel;
    QListView* view = panel->listView()->listView();
    p.act = [panel, view](const QString& action) {
        if (action == "focus:list") {
            view->setFocus();
        } else if (action == "focus:field") {
            panel->entryField()->setFocus();
        } else if (action == "title") {
            panel->titleButton()->click();
        } else {
            return selectRow(view, action);
        }
        return true;
    };
    p.state = [panel, announced, token] {
        const auto& selected = panel->selectedItem();
        return QJsonObject{
            {"items", textsJson(panel->list().texts())},
            {"selected", selected ? QString::fromStdString(selected->text) : QJsonValue()},
            {"count", panel->countLabel()->text()},
            {"placeholder", panel->listView()->showsPlaceholder()},
            {"field", panel->entryField()->text()},
            {"collapsed", panel->isCollapsed()},
            {"blockHeight", panel->entryBlock()->height()},
            {"clearDisabled", panel->clearButton()->isDisabledLook()},
            {"saveDisabled", panel->saveButton()->isDisabledLook()},
            {"renameAlert", panel->listView()->renameAlert() != nullptr},
            {"announced", *announced}};
    };
}

void presets(Probe& p, QWidget* host) {
    auto opened = std::make_shared<QJsonArray>();
    auto deleted = std::make_shared<QJsonArray>();
    std::vector<PresetItem> items{{"1", "Confidential diagonal", std::nullopt},
                                  {"2", "Draft in front", std::nullopt},
                                  {"3", "Review copy", std::nullopt}};
    PresetSheetLogic logic(
        items, [opened](const std::string& id) { opened->push_back(QString::fromStdString(id)); },
        [deleted](const std::string& id) { deleted->push_back(QString::fromStdString(id)); });
    auto* sheet = new SavedListPanelSheet(
        "Text Watermarks Presets", std::move(logic), [&p](bool shown) { p.presented = shown; },
        host);
    sheet->setMinimumSize(360, 300);
    p.target = sheet->list();
    p.shown = sheet;
    p.act = [sheet](const QString& action) {
        if (action == "open") {
            sheet->bar()->openButton()->click();
        } else if (action == "cancel") {
            static_cast<QAbstractButton*>(sheet->bar()->cancelButton())->click();
        } else {
            return selectRow(sheet->list(), action);
        }
        return true;
    };
    p.state = [&p, sheet, opened, deleted] {
        QJsonArray rows;
        for (const PresetItem& item : sheet->logic().items()) {
            rows.push_back(QString::fromStdString(item.title));
        }
        const auto& selected = sheet->logic().selectedItem();
        return QJsonObject{
            {"rows", rows},
            {"selected", selected ? QString::fromStdString(*selected) : QJsonValue()},
            {"openEnabled", sheet->logic().isOpenEnabled()},
            {"placeholder", sheet->showsPlaceholder()},
            {"opened", *opened},
            {"deleted", *deleted},
            {"isPresented", p.presented}};
    };
}

const Registration lists{
    {"textlist", [](Probe& p, QWidget* host) { textList(p, host, {}); }},
    {"textlist-filled",
     [](Probe& p, QWidget* host) {
         textList(p, host, {"Alpha", "Beta", "Gamma"});
     }},
    {"presets", presets},
};

} // namespace

} // namespace fen::probe
