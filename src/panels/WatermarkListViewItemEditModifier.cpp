#include "panels/WatermarkListViewItemEditModifier.h"

#include "ui/Sheets.h"

#include <utility>

namespace fen {

QDialog* WatermarkListViewItemEditModifier::present(QWidget* parent,
                                                    const std::optional<std::string>& inputText,
                                                    std::function<void(const std::string&)> action,
                                                    std::function<void()> closed) {
    return ui::presentNameAlert(
        parent, QString(), QString::fromStdString(inputText.value_or("")),
        [action](const QString& name) {
            if (!name.isEmpty() && action) {
                action(name.toStdString());
            }
        },
        std::move(closed));
}

} // namespace fen
