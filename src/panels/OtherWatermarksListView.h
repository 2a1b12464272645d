#pragma once

#include "panels/ListEditorSheet.h"

namespace fen {

class OtherWatermarksViewPanel;
class StyledButton;

// The sheet's content where the stored page-number formats are kept: the list (one push button
// per format, named by its text and drawn with its tags as tokens; the placeholder "Add you
// first Page Number" while there is none) with "Add" below it, which stores "#currentPage" under
// a new identifier; and, as a second page, the editor of the format pressed. Deleting, going
// back and closing work as in every list sheet.
class OtherWatermarksListView : public ListEditorSheet {
    Q_OBJECT
public:
    explicit OtherWatermarksListView(OptionListModel& dbModel, QWidget* parent = nullptr);

    StyledButton* addButton() const { return add_; }
    // The format's editor while it is shown, else none.
    OtherWatermarksViewPanel* editor() const;

private:
    StyledButton* add_;
};

// The content of the sheet "Page Number Watermarks": the list under a title bar whose "Done" calls
// `isPresented(false)`.
QWidget* pageNumberFormatsSheetContent(OptionListModel& dbModel,
                                       std::function<void(bool)> isPresented);

// Opens the sheet "Page Number Watermarks" over `parent`'s window; "Done" closes it.
QDialog* openPageNumberFormatsSheet(QWidget* parent, OptionListModel& dbModel);

} // namespace fen
