#pragma once

#include <QDialog>
#include <QPointer>

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace fen {

// The rename alert of a list: no title, a field "Enter a name" that opens holding `inputText`
// (empty without one), "Cancel" (also Escape) and "OK" (also Return). "OK" hands a non-empty name
// to `action`; an empty one closes the alert and changes nothing. `closed` runs when the alert
// closes, however it closes.
class WatermarkListViewItemEditModifier {
public:
    static QDialog* present(QWidget* parent, const std::optional<std::string>& inputText,
                            std::function<void(const std::string&)> action,
                            std::function<void()> closed);
};

} // namespace fen
