#pragma once

#include <QWidget>

#include <vector>

namespace fen::ui {

// The widgets from `root` down that take the focus themselves (a focus policy and no focus
// proxy), in the order their layouts place them: a widget, its layout's items in turn, then its
// children outside any layout in the order they were made. Other windows (popovers, menus) are
// left out; hidden and disabled widgets are listed, for they may show later.
std::vector<QWidget*> focusStopsInLayoutOrder(QWidget* root);

// Whether Tab may give `widget` the focus now: it takes the focus by Tab, and it is shown and
// enabled.
bool takesTabFocus(const QWidget* widget);

// Moves the focus from the focus widget of the stops' window to the next stop that takes it (the
// previous one when `next` is false), wrapping at the ends, and scrolls the scroll areas around
// the new stop to show it. Returns false, and does nothing, when the focus widget is none of
// `stops` or no other stop takes the focus.
bool moveFocusAlong(const std::vector<QWidget*>& stops, bool next);

} // namespace fen::ui
