// "fen-ui-probe show tabs": a real window with the segmented tab row and a toolbar button, kept
// open until it is closed; one JSON line per selection change.
#include "Probe.h"

#include "controls/CustomSegmentedPickerView.h"
#include "controls/ToolBarViewButton.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QVBoxLayout>

namespace fen::probe {

namespace {

int showTabs() {
    ShownWindow shown;
    QMainWindow& window = shown.window;
    QVBoxLayout* layout = shown.layout;
    auto* toolbar = new QHBoxLayout;
    toolbar->addStretch(1);
    auto* more = new ToolBarViewButton(
        false, false, "ellipsis.circle", false, "Export", std::nullopt,
        [] {
            printLine({{"event", "more"}});
        },
        &window);
    more->setAccessibleName("More");
    toolbar->addWidget(more);
    layout->addLayout(toolbar);
    auto* tabs = new CustomSegmentedPickerView(0, settingsTabs(), &window);
    QObject::connect(tabs, &CustomSegmentedPickerView::selectionEdited, &window, [](int s) {
        printLine({{"event", "selection"}, {"selection", s}});
    });
    QObject::connect(tabs, &CustomSegmentedPickerView::selectionEdited, tabs,
                     [tabs](int s) { tabs->setSelection(s); });
    layout->addWidget(tabs);
    layout->addStretch(1);
    return shown.exec(QSize(420, 160));
}

const ShowRegistration windows{{"tabs", showTabs}};

} // namespace

} // namespace fen::probe
