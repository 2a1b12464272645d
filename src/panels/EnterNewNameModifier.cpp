#include "panels/EnterNewNameModifier.h"

#include "export/NotificationDocumentCenter.h"
#include "panels/PresetSheetLogic.h"
#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <QPointer>

#include <utility>

namespace fen {

QDialog* EnterNewNameModifier::present(QWidget* parent,
                                       std::shared_ptr<NotificationDocumentCenter> channel,
                                       PresetsList presetType, std::function<void()> closed) {
    return presentNamed(parent, std::move(channel), presetType, std::move(closed), QString());
}

QDialog* EnterNewNameModifier::presentNamed(QWidget* parent,
                                            std::shared_ptr<NotificationDocumentCenter> channel,
                                            PresetsList presetType, std::function<void()> closed,
                                            const QString& text) {
    return ui::presentNameAlert(
        parent, ui::tr(PresetSheetLogic::alertTitle(presetType)), text,
        [channel, presetType](const QString& name) {
            PresetSheetLogic::save(presetType, name.toStdString(), channel->id());
        },
        std::move(closed));
}

QDialog*
EnterNewNameModifier::presentSaveFailure(QWidget* parent,
                                         std::shared_ptr<NotificationDocumentCenter> channel,
                                         const PresetSaveFailure& failure) {
    QDialog* alert =
        ui::presentNotice(parent, QString::fromStdString(failure.message()), QString());
    QPointer<QWidget> owner(parent);
    QObject::connect(alert, &QDialog::finished, alert, [owner, channel, failure] {
        if (owner) {
            presentNamed(owner, channel, failure.presetList, nullptr,
                         QString::fromStdString(failure.name));
        }
    });
    return alert;
}

} // namespace fen
