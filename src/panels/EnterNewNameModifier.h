#pragma once

#include "model/PresetRequests.h"

#include <functional>
#include <memory>

class QDialog;
class QWidget;

namespace fen {

class NotificationDocumentCenter;

// The preset-name alert of one kind: titled by the kind ("Text Watermark Preset"), a field
// "Enter a name" that opens empty, "Cancel" and "OK". "OK" posts the window's save request of
// that kind under the typed name ("Untitled Preset" when empty); Cancel posts nothing. `closed`
// runs when the alert closes.
class EnterNewNameModifier {
public:
    static QDialog* present(QWidget* parent, std::shared_ptr<NotificationDocumentCenter> channel,
                            PresetsList presetType, std::function<void()> closed);
};

} // namespace fen
