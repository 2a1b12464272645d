#pragma once

#include <QObject>
#include <QPersistentModelIndex>

class QAbstractItemView;

namespace fen {

// Keeps a list's rows from telling the accessibility tree they are focused while the list is not:
// Qt reports the current row as focused whether or not its list has the keyboard focus. While the
// list is without focus it holds no current row (its selection stays); the row is given back
// when the focus returns (or the selected row, when none was put aside), so the keys go on from
// where they were. Apply after the list's model is set.
class ListFocusStateModifier : public QObject {
    Q_OBJECT
public:
    static ListFocusStateModifier* apply(QAbstractItemView* list);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ListFocusStateModifier(QAbstractItemView* list);
    // Puts the current row aside while the list has no focus.
    void setAside();

    QAbstractItemView* list_;
    QPersistentModelIndex kept_;
    bool moving_ = false;
};

} // namespace fen
