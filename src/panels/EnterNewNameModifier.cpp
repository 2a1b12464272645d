#include "panels/EnterNewNameModifier.h"

#include "export/NotificationDocumentCenter.h"
#include "panels/PresetSheetLogic.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <memory>

namespace fen {

QDialog* EnterNewNameModifier::present(QWidget* parent,
                                       std::shared_ptr<NotificationDocumentCenter> channel,
                                       PresetsList presetType, std::function<void()> closed) {
    auto name = std::make_shared<QString>();
    ui::AlertTextField field{ui::tr("Enter a name"), QString(),
                             [name](const QString& text) { *name = text; }};
    QDialog* alert = ui::makeAlert(
        parent, ui::tr(PresetSheetLogic::alertTitle(presetType)), QString(),
        {ui::AlertButton{ui::tr("Cancel"), nullptr, false, true},
         ui::AlertButton{ui::tr("OK"),
                         [name, channel, presetType] {
                             PresetSheetLogic::save(presetType, name->toStdString(), channel->id());
                         },
                         true, false}},
        field);
    if (closed) {
        QObject::connect(alert, &QDialog::finished, alert, [closed] { closed(); });
    }
    alert->open();
    return alert;
}

} // namespace fen
