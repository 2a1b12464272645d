#include "controls/WMAnglesView.h"

#include "ui/Tr.h"

namespace fen {

namespace {

QStringList angleEntries(const std::vector<WMAngles>& angles) {
    QStringList entries;
    for (WMAngles angle : angles) {
        entries.push_back(ui::tr(angleLabel(angle)));
    }
    return entries;
}

} // namespace

WMAnglesView::WMAnglesView(std::vector<WMAngles> angles, WMAngles selectionAngle, QWidget* parent)
    : PickerRowOf(ui::tr("Angle"), angles, angleEntries(angles), selectionAngle, parent) {
    connect(this, &PopupPickerRow::chosen, this,
            [this] { Q_EMIT selectionAngleEdited(selection()); });
}

} // namespace fen
