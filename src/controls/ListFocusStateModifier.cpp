#include "controls/ListFocusStateModifier.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QItemSelectionModel>

namespace fen {

ListFocusStateModifier::ListFocusStateModifier(QAbstractItemView* list)
    : QObject(list), list_(list) {}

ListFocusStateModifier* ListFocusStateModifier::apply(QAbstractItemView* list) {
    auto* modifier = new ListFocusStateModifier(list);
    list->installEventFilter(modifier);
    // A row made current from code (a rebuilt list keeping its row) while the list is without
    // focus is put aside at once.
    connect(list->selectionModel(), &QItemSelectionModel::currentChanged, modifier, [modifier] {
        if (!modifier->moving_ && !modifier->list_->hasFocus()) {
            modifier->setAside();
        }
    });
    modifier->setAside();
    return modifier;
}

void ListFocusStateModifier::setAside() {
    const QModelIndex current = list_->selectionModel()->currentIndex();
    if (!current.isValid()) {
        return;
    }
    kept_ = current;
    moving_ = true;
    list_->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    moving_ = false;
}

bool ListFocusStateModifier::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // A menu or popup over the list leaves the list the focus it had.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
            setAside();
        }
    } else if (event->type() == QEvent::FocusIn) {
        QItemSelectionModel* selection = list_->selectionModel();
        // The row put aside, else the selected one, else Qt's own choice.
        QModelIndex back = kept_;
        if (!back.isValid() && !selection->selectedIndexes().isEmpty()) {
            back = selection->selectedIndexes().first();
        }
        if (!selection->currentIndex().isValid() && back.isValid()) {
            moving_ = true;
            selection->setCurrentIndex(back, QItemSelectionModel::NoUpdate);
            moving_ = false;
        }
        kept_ = QPersistentModelIndex();
    }
    return false;
}

} // namespace fen
