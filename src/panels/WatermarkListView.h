#pragma once

#include "platform/foundation/Signal.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

class QListView;
class QMenu;
class QStackedLayout;

namespace fen {

class TextListLogic;
class TextListModel;
class WatermarkListViewEmpty;

// The editable list of text watermarks: the placeholder while the list is empty, otherwise one
// row per text. It edits the list it is given (owned by its host) and nothing of its own. A row
// is selected through the view's selection model (a click, the keyboard or an assistive tool);
// a double click on a row or Return opens the rename alert, Delete and Backspace delete the
// selected row, and a row's context menu "Delete" deletes that row. The keys act only while the
// list has the keyboard focus.
class WatermarkListView : public QWidget {
    Q_OBJECT
public:
    explicit WatermarkListView(TextListLogic& list, QWidget* parent = nullptr);

    QListView* listView() const { return view_; }
    WatermarkListViewEmpty* placeholder() const { return empty_; }
    bool showsPlaceholder() const;
    // The open rename alert (isPresented), if any.
    QDialog* renameAlert() const { return renameAlert_; }
    // Opens the rename alert, holding the selected text (Return and the double click).
    void presentRenameAlert();
    // The context menu of a row, with its "Delete".
    QMenu* makeRowMenu(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showItems();
    void showSelection();
    void followViewSelection();

    TextListLogic& list_;
    TextListModel* model_;
    QListView* view_;
    WatermarkListViewEmpty* empty_;
    QStackedLayout* stack_;
    QPointer<QDialog> renameAlert_;
    bool syncing_ = false;
    Connection itemsConnection_;
    Connection selectionConnection_;
};

} // namespace fen
