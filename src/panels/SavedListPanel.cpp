#include "panels/SavedListPanel.h"

#include "export/NotificationDocumentCenter.h"
#include "panels/SavedListPanelSheet.h"
#include "ui/Observe.h"
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
    auto* content = new SavedListPanelSheet(
        title, PresetSheetLogic::forWindow(presetType, channel->id()),
        [guard](bool shown) {
            if (!shown && guard) {
                guard->close();
            }
        },
        sheet);
    layout->addWidget(content);
    sheet->resize(420, 460);
    if (closed) {
        QObject::connect(sheet, &QDialog::finished, sheet, [closed] { closed(); });
    }
    sheet->open();
    // Read off the window's own thread; presets that cannot be read are told once, over the sheet.
    QPointer<SavedListPanelSheet> shown(content);
    const auto read = [shown, presetType](bool tellUnreadable) {
        PresetSheetLogic::read(presetType, [shown, presetType, tellUnreadable](
                                               FenDatabaseManager::StoredPresetItems stored) {
            if (!shown) {
                return;
            }
            const std::optional<std::string> unreadable = stored.unreadable;
            shown->showStored(std::move(stored));
            if (unreadable && tellUnreadable) {
                ui::presentNotice(
                    shown->window(),
                    ui::tr(PresetSheetLogic::unreadableMessage(presetType, *unreadable)),
                    QString());
            }
        });
    };
    read(true);
    // A delete that could not be done (told by the window) leaves the sheet showing what the
    // store holds.
    ui::observe(content, channel->scopedName(kPresetCouldNotBeDeleted),
                [read](const Notification&) { read(false); });
    return sheet;
}

} // namespace fen
