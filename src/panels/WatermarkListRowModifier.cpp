#include "panels/WatermarkListRowModifier.h"

#include "panels/TextListLogic.h"
#include "ui/Theme.h"

#include <QAbstractItemView>
#include <QPainter>

namespace fen {

using ui::Theme;

namespace {
constexpr int kTextInset = 8;
}

WatermarkListRowModifier::WatermarkListRowModifier(const TextListLogic& list,
                                                   QAbstractItemView* view)
    : QStyledItemDelegate(view), list_(list), view_(view) {}

QColor WatermarkListRowModifier::background(int row) const {
    if (row < 0 || row >= static_cast<int>(list_.items().size())) {
        return Qt::transparent;
    }
    const TextListItem& item = list_.items()[static_cast<std::size_t>(row)];
    const QPalette& palette = view_->palette();
    switch (TextListLogic::rowBackground(list_.isSelected(item), view_->hasFocus(),
                                         list_.rowEvenOdd(item))) {
    case TextListLogic::RowBackground::accent:
        return Theme::accent(palette);
    case TextListLogic::RowBackground::lightGrayHalf:
        return Theme::withOpacity(Theme::lightGray(), 0.5);
    case TextListLogic::RowBackground::lightGrayTenth:
        return Theme::withOpacity(Theme::lightGray(), 0.1);
    case TextListLogic::RowBackground::clear:
        break;
    }
    return Qt::transparent;
}

void WatermarkListRowModifier::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    painter->save();
    const QColor fill = background(index.row());
    painter->fillRect(option.rect, fill);
    const bool onAccent = fill == Theme::accent(view_->palette());
    painter->setPen(onAccent ? view_->palette().color(QPalette::HighlightedText)
                             : Theme::primary(view_->palette()));
    painter->setFont(option.font);
    const QRect text = option.rect.adjusted(kTextInset, 0, -kTextInset, 0);
    painter->drawText(
        text, Qt::AlignLeft | Qt::AlignVCenter,
        option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, text.width()));
    painter->restore();
}

QSize WatermarkListRowModifier::sizeHint(const QStyleOptionViewItem& option,
                                         const QModelIndex&) const {
    return QSize(option.rect.width(), qMax(10, option.fontMetrics.height() + 8));
}

} // namespace fen
