#pragma once

#include "model/PresetRequests.h"

#include <QString>

#include <functional>
#include <memory>

class QDialog;
class QWidget;

namespace fen {

class NotificationDocumentCenter;

// The preset-name alert of one kind: titled by the kind ("Text Watermark Preset"), a field
// "Enter a name" that opens empty, "Cancel" and "OK". "OK" posts the window's
// save request of that kind under the typed name ("Untitled Preset" when empty); Cancel posts
// nothing. `closed` runs when the alert closes.
class EnterNewNameModifier {
public:
    static QDialog* present(QWidget* parent, std::shared_ptr<NotificationDocumentCenter> channel,
                            PresetsList presetType, std::function<void()> closed);
    // The same alert with its field holding `text` (a name whose save failed).
    static QDialog* presentNamed(QWidget* parent,
                                 std::shared_ptr<NotificationDocumentCenter> channel,
                                 PresetsList presetType, std::function<void()> closed,
                                 const QString& text);

    // Tells over `parent` that a save failed ("The preset could not be saved: REASON", one "OK");
    // when it closes, the name alert of the failed kind opens again holding the name, so the user
    // can try again or cancel.
    static QDialog* presentSaveFailure(QWidget* parent,
                                       std::shared_ptr<NotificationDocumentCenter> channel,
                                       const PresetSaveFailure& failure);
};

} // namespace fen
