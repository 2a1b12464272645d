#include "ui/FocusOrder.h"

#include <QLayout>
#include <QScrollArea>
#include <QSet>

#include <algorithm>

namespace fen::ui {

namespace {

void addInLayoutOrder(QWidget* widget, std::vector<QWidget*>& stops);

void addLayoutItems(QLayout* layout, std::vector<QWidget*>& stops, QSet<QWidget*>& placed) {
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (QWidget* child = item->widget()) {
            placed.insert(child);
            addInLayoutOrder(child, stops);
        } else if (QLayout* inner = item->layout()) {
            addLayoutItems(inner, stops, placed);
        }
    }
}

void addInLayoutOrder(QWidget* widget, std::vector<QWidget*>& stops) {
    if (widget->focusPolicy() != Qt::NoFocus && !widget->focusProxy()) {
        stops.push_back(widget);
    }
    QSet<QWidget*> placed;
    if (widget->layout()) {
        addLayoutItems(widget->layout(), stops, placed);
    }
    for (QObject* object : widget->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child && !child->isWindow() && !placed.contains(child)) {
            addInLayoutOrder(child, stops);
        }
    }
}

} // namespace

std::vector<QWidget*> focusStopsInLayoutOrder(QWidget* root) {
    std::vector<QWidget*> stops;
    addInLayoutOrder(root, stops);
    return stops;
}

bool takesTabFocus(const QWidget* widget) {
    return (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus &&
           widget->isVisibleTo(widget->window()) && widget->isEnabled();
}

bool moveFocusAlong(const std::vector<QWidget*>& stops, bool next) {
    if (stops.empty()) {
        return false;
    }
    const QWidget* current = stops.front()->window()->focusWidget();
    const auto at = std::find(stops.begin(), stops.end(), current);
    if (at == stops.end()) {
        return false;
    }
    const std::size_t count = stops.size();
    const auto from = std::size_t(at - stops.begin());
    for (std::size_t step = 1; step < count; ++step) {
        QWidget* candidate = stops[(from + (next ? step : count - step)) % count];
        if (!takesTabFocus(candidate)) {
            continue;
        }
        candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        for (QWidget* above = candidate->parentWidget(); above; above = above->parentWidget()) {
            if (auto* area = qobject_cast<QScrollArea*>(above)) {
                area->ensureWidgetVisible(candidate);
            }
        }
        return true;
    }
    return false;
}

} // namespace fen::ui
