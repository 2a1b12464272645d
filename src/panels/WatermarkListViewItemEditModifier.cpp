#include "panels/WatermarkListViewItemEditModifier.h"

#include "ui/Sheets.h"
#include "ui/Tr.h"

#include <memory>

namespace fen {

QDialog* WatermarkListViewItemEditModifier::present(QWidget* parent,
                                                    const std::optional<std::string>& inputText,
                                                    std::function<void(const std::string&)> action,
                                                    std::function<void()> closed) {
    // The alert's own copy of the field's text.
    auto name = std::make_shared<QString>(QString::fromStdString(inputText.value_or("")));
    ui::AlertTextField field{ui::tr("Enter a name"), *name,
                             [name](const QString& text) { *name = text; }};
    QDialog* alert = ui::makeAlert(parent, QString(), QString(),
                                   {ui::AlertButton{ui::tr("Cancel"), nullptr, false, true},
                                    ui::AlertButton{ui::tr("OK"),
                                                    [name, action] {
                                                        if (!name->isEmpty() && action) {
                                                            action(name->toStdString());
                                                        }
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
