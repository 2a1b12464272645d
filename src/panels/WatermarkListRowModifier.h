#pragma once

#include <QStyledItemDelegate>

class QAbstractItemView;

namespace fen {

class TextListLogic;

// The look of the text list's rows: each row is painted on its own background (the accent colour
// when selected while the list has the focus, light grey at 0.5 when selected without it, light
// grey at 0.1 on every odd row, nothing otherwise) with its text over it; the view's own
// selection paint is not used.
class WatermarkListRowModifier : public QStyledItemDelegate {
    Q_OBJECT
public:
    WatermarkListRowModifier(const TextListLogic& list, QAbstractItemView* view);

    // The colour under a row of the list (transparent for a clear row).
    QColor background(int row) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const TextListLogic& list_;
    QAbstractItemView* view_;
};

} // namespace fen
