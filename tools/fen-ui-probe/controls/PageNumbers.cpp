// The page-number pieces: a format's tokens, the page range rows and the sheet of stored
// formats.
#include "Probe.h"

#include "controls/FormatTokensView.h"
#include "controls/FormatWords.h"
#include "controls/KvStepperTextfieldCombined.h"
#include "controls/PagesFromToStart.h"
#include "panels/OtherWatermarksListView.h"
#include "storage/PageNumberDBModel.h"

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

const Registration pageNumbers{
    {"tokens", tokens},
    {"page-range", pageRange},
    {"pagenumber-formats", formats},
};

} // namespace

} // namespace fen::probe
