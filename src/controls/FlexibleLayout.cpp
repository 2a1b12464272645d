#include "controls/FlexibleLayout.h"

#include "controls/FlexibleRows.h"

#include <QGuiApplication>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace fen {

FlexibleLayout::FlexibleLayout(QWidget* parent, int spacing) : QLayout(parent) {
    setSpacing(spacing);
    setContentsMargins(0, 0, 0, 0);
}

FlexibleLayout::~FlexibleLayout() {
    while (QLayoutItem* item = takeAt(0)) {
        delete item;
    }
}

void FlexibleLayout::addItem(QLayoutItem* item) {
    items_.push_back(item);
}

QLayoutItem* FlexibleLayout::itemAt(int index) const {
    return index >= 0 && index < items_.size() ? items_[index] : nullptr;
}

QLayoutItem* FlexibleLayout::takeAt(int index) {
    return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

void FlexibleLayout::clear() {
    while (QLayoutItem* item = takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

std::vector<std::vector<std::size_t>> FlexibleLayout::rows(int width) const {
    std::vector<std::optional<double>> widths;
    for (QLayoutItem* item : items_) {
        widths.emplace_back(item->sizeHint().width());
    }
    return computeRows(width, widths, spacing());
}

int FlexibleLayout::place(const QRect& rect, bool apply) const {
    const QWidget* owner = parentWidget();
    const Qt::LayoutDirection direction =
        owner ? owner->layoutDirection() : QGuiApplication::layoutDirection();
    int y = rect.y();
    bool first = true;
    for (const std::vector<std::size_t>& row : rows(rect.width())) {
        if (row.empty()) {
            continue;
        }
        if (!first) {
            y += spacing();
        }
        first = false;
        int height = 0;
        for (const std::size_t i : row) {
            height = std::max(height, items_[static_cast<int>(i)]->sizeHint().height());
        }
        int x = rect.x();
        for (const std::size_t i : row) {
            QLayoutItem* item = items_[static_cast<int>(i)];
            const QSize size = item->sizeHint();
            if (apply) {
                // Centred vertically in the row, at its natural size; from the right edge under
                // a right-to-left direction.
                const QRect placed(QPoint(x, y + (height - size.height()) / 2), size);
                item->setGeometry(QStyle::visualRect(direction, rect, placed));
            }
            x += size.width() + spacing();
        }
        y += height;
    }
    return y - rect.y();
}

int FlexibleLayout::heightForWidth(int width) const {
    return place(QRect(0, 0, width, 0), false);
}

QSize FlexibleLayout::sizeHint() const {
    return minimumSize();
}

QSize FlexibleLayout::minimumSize() const {
    QSize size;
    for (QLayoutItem* item : items_) {
        size = size.expandedTo(item->minimumSize());
    }
    return size;
}

void FlexibleLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    place(rect, true);
}

} // namespace fen
