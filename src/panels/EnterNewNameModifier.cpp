#include "panels/EnterNewNameModifier.h"

#include "export/NotificationDocumentCenter.h"
#include "panels/PresetSheetLogic.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <utility>

namespace fen {

QDialog* EnterNewNameModifier::present(QWidget* parent,
                                       std::shared_ptr<NotificationDocumentCenter> channel,
                                       PresetsList presetType, std::function<void()> closed) {
    return ui::presentNameAlert(
        parent, ui::tr(PresetSheetLogic::alertTitle(presetType)), QString(),
        [channel, presetType](const QString& name) {
            PresetSheetLogic::save(presetType, name.toStdString(), channel->id());
        },
        std::move(closed));
}

} // namespace fen
