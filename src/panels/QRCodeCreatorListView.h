#pragma once

#include "platform/foundation/Signal.h"

#include <QWidget>

#include <string>
#include <vector>

class QAbstractButton;
class QDialog;
class QStackedWidget;
class QVBoxLayout;

namespace fen {

class FenGenerticNoDataInList;
class FenViewInputNew;
class OptionListModel;
class QRCodeCreatorDetails;

// The sheet's content where the stored QR codes are kept: the list (one push button per code,
// named by its name; the placeholder "Add you first QR Code" while there is none) with the field
// "Enter a new name" below it, whose Return stores a new code of that name; and, as a second
// page, the editor of the code pressed, with "Back". The Delete and Backspace keys on a focused
// row, and its context menu's "Delete", remove that very row's code. Every change reloads the
// options, from which the list is rebuilt. Going back and closing commit the editor's focused
// field and reload the options.
class QRCodeCreatorListView : public QWidget {
    Q_OBJECT
public:
    explicit QRCodeCreatorListView(OptionListModel& dbModel, QWidget* parent = nullptr);
    ~QRCodeCreatorListView() override;

    // The row buttons in list order.
    std::vector<QAbstractButton*> rows() const;
    FenViewInputNew* field() const { return field_; }
    FenGenerticNoDataInList* placeholder() const { return placeholder_; }
    QAbstractButton* backButton() const { return back_; }
    // The editor while it is shown, else none.
    QRCodeCreatorDetails* editor() const { return editor_; }
    // Commits the editor's field and returns to the list.
    void back();
    // Commits the editor's field (the sheet closes).
    void commit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    void open(const std::string& id);
    void remove(const std::string& id);
    void closeEditor();

    OptionListModel& dbModel_;
    Connection changed_;
    QStackedWidget* pages_;
    QWidget* listPage_;
    QVBoxLayout* rowsLayout_;
    FenGenerticNoDataInList* placeholder_;
    QWidget* scroll_;
    FenViewInputNew* field_;
    QWidget* editorPage_;
    QAbstractButton* back_;
    QRCodeCreatorDetails* editor_ = nullptr;
};

// Opens the sheet "QR Codes" over `parent`'s window; "Done" (also in the editor) closes it.
QDialog* openQrCodesSheet(QWidget* parent, OptionListModel& dbModel);

} // namespace fen
