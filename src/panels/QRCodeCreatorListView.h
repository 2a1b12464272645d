#pragma once

#include "panels/ListEditorSheet.h"

namespace fen {

class FenViewInputNew;
class QRCodeCreatorDetails;

// The sheet's content where the stored QR codes are kept: the list "QR Code List" (one push button
// per code, named by its name; the placeholder "Add you first QR Code" while there is none) with
// the field "Enter a new name" below it, whose Return stores a new code of that name; and, as a
// second page, the editor of the code pressed, read afresh from the store. Deleting, going back and
// closing work as in every list sheet.
class QRCodeCreatorListView : public ListEditorSheet {
    Q_OBJECT
public:
    explicit QRCodeCreatorListView(OptionListModel& dbModel, QWidget* parent = nullptr);

    FenViewInputNew* field() const { return field_; }
    // The code's editor while it is shown, else none.
    QRCodeCreatorDetails* editor() const;

private:
    FenViewInputNew* field_;
};

// Opens the sheet "QR Codes" over `parent`'s window; "Done" (also in the editor) closes it.
QDialog* openQrCodesSheet(QWidget* parent, OptionListModel& dbModel);

} // namespace fen
