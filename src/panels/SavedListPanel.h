#pragma once

#include "model/PresetRequests.h"

#include <functional>
#include <memory>

class QDialog;
class QWidget;

namespace fen {

class NotificationDocumentCenter;

// The saved-presets sheet of one kind over a window: a sheet (window-modal, opened with open())
// built afresh from the store each time it is presented, whose open and delete post the preset
// requests of that kind to the window of `channel`. `closed` runs when the sheet closes (the
// presenter's flag turned off). When the kind's stored presets cannot be read, a notice over
// the sheet says so once, with the reason, instead of an empty list alone.
class SavedListPanel {
public:
    static QDialog* present(QWidget* parent, std::shared_ptr<NotificationDocumentCenter> channel,
                            PresetsList presetType, std::function<void()> closed);
};

} // namespace fen
