#pragma once

#include "panels/StampListLogic.h"
#include "platform/foundation/Signal.h"

#include <QWidget>

#include <functional>

class QListWidget;
class QStackedWidget;

namespace fen {

class FenGenerticNoDataInList;
class FenViewInputNew;
class SheetDoneButtonModifier;
class StampDBModel;

// The sheet of the stored stamp texts, titled "Stamp Watermarks" with "Done": the texts of the
// model's options (never "none"), or "Add you first text stamp" while there are none, and below
// them the field "Enter a new name", whose Return stores its text. A row is deleted by its
// context menu's "Delete" or by Delete or Backspace while the list has the focus. Every edit is
// stored at once and reloads the model, which the list follows.
class StampWatermarksListView : public QWidget {
    Q_OBJECT
public:
    StampWatermarksListView(StampDBModel& dbModel, std::function<void(bool)> isPresented,
                            QWidget* parent = nullptr);
    ~StampWatermarksListView() override;

    QListWidget* list() const { return list_; }
    FenViewInputNew* field() const { return field_; }
    FenGenerticNoDataInList* placeholder() const { return placeholder_; }
    SheetDoneButtonModifier* frame() const { return frame_; }
    // Deletes the stored text of the selected row (the Delete key's action).
    void deleteSelected();
    // Shows the model's options again.
    void refresh();

private:
    void add();

    StampDBModel& dbModel_;
    StampListLogic logic_;
    Connection modelConnection_;
    SheetDoneButtonModifier* frame_;
    QStackedWidget* area_;
    FenGenerticNoDataInList* placeholder_;
    QListWidget* list_;
    FenViewInputNew* field_;
};

} // namespace fen
