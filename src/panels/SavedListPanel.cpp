#include "panels/SavedListPanel.h"

#include "export/NotificationDocumentCenter.h"
#include "panels/SavedListPanelSheet.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QDialog>
#include <QPointer>
#include <QVBoxLayout>

namespace fen {

QDialog* SavedListPanel::present(QWidget* parent,
                                 std::shared_ptr<NotificationDocumentCenter> channel,
                                 PresetsList presetType, std::function<void()> closed) {
    const QString title = QString::fromUtf8(PresetSheetLogic::sheetTitle(presetType));
    QDialog* sheet = ui::makeSheet(parent, ui::tr(title));
    QPointer<QDialog> guard(sheet);
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    PresetSheetLogic logic = PresetSheetLogic::forWindow(presetType, channel->id());
    const std::optional<std::string> unreadable = logic.unreadable();
    layout->addWidget(new SavedListPanelSheet(
        title, std::move(logic),
        [guard](bool shown) {
            if (!shown && guard) {
                guard->close();
            }
        },
        sheet));
    sheet->resize(420, 460);
    if (closed) {
        QObject::connect(sheet, &QDialog::finished, sheet, [closed] { closed(); });
    }
    sheet->open();
    if (unreadable) {
        ui::presentNotice(
            sheet, ui::tr(PresetSheetLogic::unreadableMessage(presetType, *unreadable)), QString());
    }
    return sheet;
}

} // namespace fen
