#pragma once

#include "platform/foundation/Signal.h"

#include <QWidget>

#include <functional>

class QAbstractButton;
class QDialog;
class QStackedWidget;
class QVBoxLayout;

namespace fen {

class OptionListModel;
class OtherWatermarksViewPanel;
class StyledButton;

// The sheet's content where the stored page-number formats are kept: the list (one push button
// per format, named by its text and drawn with its tags as tokens; the placeholder "Add you
// first Page Number" while there is none) with "Add" below it, and, as a second page, the editor
// of the format pressed, with "Back". "Add" stores "#currentPage" under a new identifier; the
// Delete and Backspace keys on a focused row, and its context menu's "Delete", remove that very
// row's format. Every change reloads the format options, from which the list is rebuilt. Going
// back and closing store what the editor holds.
class OtherWatermarksListView : public QWidget {
    Q_OBJECT
public:
    explicit OtherWatermarksListView(OptionListModel& dbModel, QWidget* parent = nullptr);
    ~OtherWatermarksListView() override;

    // The row buttons in list order, and the add button.
    std::vector<QAbstractButton*> rows() const;
    StyledButton* addButton() const { return add_; }
    // The editor while it is shown, else none.
    OtherWatermarksViewPanel* editor() const { return editor_; }
    // Stores the editor's text and returns to the list.
    void back();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    void open(const std::string& id, const std::string& title);
    void remove(const std::string& id);

    OptionListModel& dbModel_;
    Connection changed_;
    QStackedWidget* pages_;
    QWidget* listPage_;
    QVBoxLayout* rowsLayout_;
    QWidget* placeholder_;
    QWidget* scroll_;
    StyledButton* add_;
    QWidget* editorPage_;
    OtherWatermarksViewPanel* editor_ = nullptr;
};

// Opens the sheet "Page Number Watermarks" over `parent`'s window; "Done" closes it.
QDialog* openPageNumberFormatsSheet(QWidget* parent, OptionListModel& dbModel);

} // namespace fen
