// The page-number pieces: a format's tokens, the page range rows, the sheet of stored formats and
// the panel. "pagenumber" builds the panel over the settings a new three-page document starts
// from; its actions: "choose:TITLE" picks a format in the selector's menu, "style:N" the style
// menu's entry N, "position:KEY" a cell of the grid.
#include "Probe.h"

#include "controls/DFColorWell.h"
#include "controls/FormatTokensView.h"
#include "controls/FormatWords.h"
#include "controls/KvStepperTextfieldCombined.h"
#include "controls/PagesFromToStart.h"
#include "controls/PositionSelectorView.h"
#include "controls/SpecialAdditionalGenericSelector.h"
#include "controls/ToolBarViewButton.h"
#include "document/SettingsTabController.h"
#include "export/NotificationDocumentCenter.h"
#include "panels/OtherStyleView.h"
#include "panels/OtherWatermarksListView.h"
#include "panels/PanelOther.h"
#include "panels/SpecialAdditionalOther.h"
#include "storage/MainSettingsImageHolder.h"
#include "storage/PageNumberDBModel.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QMenu>

namespace fen::probe {

namespace {

void tokens(Probe& p, QWidget* host) {
    auto* view = new FormatTokensView("Page #currentPage of #totalPages #currentPage",
                                      pageNumberFormatTags(), host);
    view->setMinimumWidth(240);
    view->setAccessibleName("Page #currentPage of #totalPages #currentPage");
    p.target = p.shown = view;
    p.state = [view] {
        QJsonArray rows;
        QJsonArray row;
        int y = -1;
        for (QWidget* word : view->wordWidgets()) {
            // Words of one row share their vertical centre.
            const int centre = word->geometry().center().y();
            if (y >= 0 && centre != y) {
                rows.push_back(row);
                row = {};
            }
            y = centre;
            row.push_back(word->accessibleName());
        }
        rows.push_back(row);
        return QJsonObject{{"rows", rows}};
    };
}

void pageRange(Probe& p, QWidget* host) {
    auto* editor = new PagesFromToStart({3, 7, 1, 10}, host);
    QObject::connect(editor, &PagesFromToStart::valueEdited, host,
                     [&p](const PageNumberConfiguration&) { ++p.actions; });
    p.target = p.shown = editor;
    editor->setAccessibleName("Page Range");
    p.state = [&p, editor] {
        const auto bounds = [](KvStepperTextfieldCombined* row) {
            return QJsonArray{qint64(row->value()), qint64(row->minValue()),
                              qint64(row->maxValue())};
        };
        return QJsonObject{{"from", bounds(editor->fromRow())},
                           {"to", bounds(editor->toRow())},
                           {"start", bounds(editor->startRow())},
                           {"writes", p.actions}};
    };
}

void formats(Probe& p, QWidget* host) {
    static PageNumberDBModel model;
    probeListSheet(p, new OtherWatermarksListView(model, host), "Page Number Watermarks");
}

void panel(Probe& p, QWidget* host) {
    auto written =
        std::make_shared<PageNumberSettings>(SettingsTabController::defaultPageNumberSettings());
    written->pagenumberConf = PageNumberConfiguration{1, 3, 1, 3};
    auto* panel = new PanelOther(*written, std::make_shared<MainSettingsImageHolder>(),
                                 NotificationDocumentCenter::makeDocumentNotificationCenter(),
                                 PanelOtherLogic::defaultPositionItems(), OtherStyles::style1,
                                 {1, 2, 1, 1}, host);
    QObject::connect(panel, &PanelOther::valueEdited, host,
                     [&p, written](const PageNumberSettings& settings) {
                         *written = settings;
                         ++p.actions;
                     });
    panel->setMinimumSize(380, 640);
    SpecialAdditionalOther* source = panel->source();
    p.target = source->selector()->chevron();
    p.shown = panel;
    p.act = [panel, source](const QString& action) {
        if (chooseMenuEntry(source->selector()->menu(), action) ||
            pickComboEntry(panel->style()->picker(), "style", action)) {
            return true;
        }
        if (action.startsWith("position:")) {
            for (Positions position : PanelOtherLogic::defaultPositionItems()) {
                PositionSelector_Item_View* cell = panel->position()->cell(position);
                if (cell && localizationKey(position) == action.mid(9).toStdString()) {
                    cell->click();
                    return true;
                }
            }
            return false;
        }
        return false;
    };
    p.state = [&p, panel, source, written] {
        QJsonObject settings{
            {"position", QString::fromStdString(std::string(localizationKey(written->position)))},
            {"style", panel->style()->picker()->currentText()},
            {"pages", QJsonArray{qint64(written->pagenumberConf.fromPage),
                                 qint64(written->pagenumberConf.toPage),
                                 qint64(written->pagenumberConf.startAt),
                                 qint64(written->pagenumberConf.maxPage)}}};
        if (written->numberTextColor && written->numberTextColor->stampText) {
            settings["format"] = QString::fromStdString(*written->numberTextColor->stampText);
        }
        return QJsonObject{
            {"settings", settings},
            {"writes", p.actions},
            {"selection", QString::fromStdString(source->logic().selection())},
            {"preview", source->image() ? QStringLiteral("picture") : source->preview()->text()},
            {"colorWellShown", !source->colorWell()->isHidden()},
            {"saveEnabled", source->saveButton()->isEnabled()}};
    };
}

const Registration pageNumbers{
    {"tokens", tokens},
    {"page-range", pageRange},
    {"pagenumber-formats", formats},
    {"pagenumber", panel},
};

} // namespace

} // namespace fen::probe
