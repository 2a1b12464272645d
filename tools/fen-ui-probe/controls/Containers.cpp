// Containers and rows: the tab row, the form and its sections, a field's frame, a list row, the
// sheet bars and the picture drop target.
#include "Probe.h"

#include "controls/BackgroundModifiers.h"
#include "controls/CustomSegmentedPickerView.h"
#include "controls/FormContainers.h"
#include "controls/ImageImporter.h"
#include "controls/SheetButtonModifiers.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

namespace fen::probe {

namespace {

void tabs(Probe& p, QWidget* host) {
    auto* tabs = new CustomSegmentedPickerView(0, settingsTabs(), host);
    tabs->setMinimumWidth(320);
    QObject::connect(tabs, &CustomSegmentedPickerView::selectionEdited, host,
                     [&p](int) { ++p.actions; });
    p.target = p.shown = tabs;
    p.act = [tabs](const QString& action) {
        if (!action.startsWith("click:")) {
            return false;
        }
        QWidget* tab = tabs->button(action.mid(6).toInt());
        if (!tab) {
            return false;
        }
        QTest::mouseClick(tab, Qt::LeftButton, {}, tab->rect().center());
        return true;
    };
    p.state = [&p, tabs] {
        const int s = tabs->selection();
        QJsonArray list;
        for (int i = 0; i < int(tabs->tabs().size()); ++i) {
            list.push_back(accessibleJson(tabs->button(i)));
        }
        return QJsonObject{{"selection", s},
                           {"edits", p.actions},
                           {"bar", rectJson(tabs->barGeometry())},
                           {"selectedTab", rectJson(QRect(tabs->button(s)->mapTo(tabs, QPoint()),
                                                          tabs->button(s)->size()))},
                           {"tabs", list}};
    };
}

void form(Probe& p, QWidget* host, int sections) {
    auto* form = new FenForm(host);
    for (int i = 0; i < sections; ++i) {
        auto* rows = new QWidget;
        auto* layout = new QVBoxLayout(rows);
        layout->addWidget(new QLabel(QString("Row %1").arg(i + 1)));
        layout->addWidget(new QLabel("Second row"));
        form->addRow(SectionModifier::apply(rows, i == 0 ? "Position" : ""));
    }
    form->setMinimumSize(260, sections > 1 ? 200 : 140);
    p.target = p.shown = form;
    p.act = [form](const QString& action) {
        if (action != "scroll") {
            return false;
        }
        form->verticalScrollBar()->setValue(form->verticalScrollBar()->maximum());
        return true;
    };
    p.state = [form] {
        return QJsonObject{{"scrollMaximum", form->verticalScrollBar()->maximum()},
                           {"scrollValue", form->verticalScrollBar()->value()}};
    };
}

void sheetBar(Probe& p, QWidget* host, const QString& kind) {
    auto* content = new QLabel("Sheet content");
    content->setMinimumSize(260, 80);
    content->setAlignment(Qt::AlignCenter);
    auto setPresented = [&p](bool v) { p.presented = v; };
    QWidget* sheet = nullptr;
    if (kind == "done") {
        sheet = new SheetDoneButtonModifier(content, "Stamp List", setPresented, host);
    } else if (kind == "close") {
        sheet = new SheetSettingCloseButtonModifier(
            content, [&p] { p.presented = false; }, host);
    } else {
        auto* cancelOpen = new SheetCancelOpenButtonModifier(
            content, "Saved Presets", setPresented, false, [&p] { ++p.validated; }, host);
        sheet = cancelOpen;
        p.act = [cancelOpen](const QString& action) {
            if (action != "enable") {
                return false;
            }
            cancelOpen->setOpenButtonEnabled(true);
            return true;
        };
    }
    p.target = p.shown = sheet;
    p.state = [&p] {
        return QJsonObject{{"isPresented", p.presented}, {"validated", p.validated}};
    };
}

const Registration containers{
    {"tabs", tabs},
    {"form", [](Probe& p, QWidget* host) { form(p, host, 5); }},
    {"section", [](Probe& p, QWidget* host) { form(p, host, 1); }},
    {"field",
     [](Probe& p, QWidget* host) {
         auto* edit = new QLineEdit("12", host);
         edit->setAccessibleName("Size");
         QWidget* frame = FenBackgroundModifier::apply(edit);
         frame->setParent(host);
         p.target = edit;
         p.shown = frame;
         p.state = [edit, frame] {
             return QJsonObject{{"field", rectJson(edit->geometry())},
                                {"frame", QJsonArray{frame->width(), frame->height()}}};
         };
     }},
    {"list-row",
     [](Probe& p, QWidget* host) {
         auto* row = new QLabel("Confidential", host);
         row->setMinimumSize(200, 28);
         auto* modifier = FenListRowBackgroundModifier::apply(row, true, true);
         p.target = p.shown = row;
         p.state = [] { return QJsonObject{}; };
         QObject::connect(qApp, &QApplication::focusChanged, host,
                          [modifier](QWidget*, QWidget*) { modifier->setState(true, false); });
     }},
    {"sheet-done-bar", [](Probe& p, QWidget* host) { sheetBar(p, host, "done"); }},
    {"sheet-close-bar", [](Probe& p, QWidget* host) { sheetBar(p, host, "close"); }},
    {"sheet-cancel-open-bar", [](Probe& p, QWidget* host) { sheetBar(p, host, "cancel-open"); }},
    {"drop-target",
     [](Probe& p, QWidget* host) {
         auto* content = new QLabel("Drop Image Here\nor\nClick to import", host);
         content->setMinimumSize(240, 120);
         content->setAlignment(Qt::AlignCenter);
         DroppableArea* area = ImageImporterModifier::apply(content);
         QObject::connect(area, &DroppableArea::imageUrlEdited, host,
                          [&p](const std::optional<Url>&) { ++p.actions; });
         p.target = p.shown = content;
         p.state = [&p, area] {
             return QJsonObject{{"imageUrl", area->imageUrl()
                                                 ? QString::fromStdString(area->imageUrl()->path())
                                                 : QJsonValue()},
                                {"edits", p.actions}};
         };
     }},
};

} // namespace

} // namespace fen::probe
