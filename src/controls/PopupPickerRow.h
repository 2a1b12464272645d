#pragma once

#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <vector>

class QComboBox;
class QLabel;

namespace fen {

// A titled row of a panel that picks one of a few values: the title, a gap of at least 8 points
// and a pop-up picker of the entries given, in that order. The title label is the picker's buddy,
// which names it to assistive tools. showIndex never emits; a choice in the menu (its
// `activated`, never a programmatic change) of another entry emits chosen with its index.
class PopupPickerRow : public QWidget {
    Q_OBJECT
public:
    PopupPickerRow(const QString& title, const QStringList& entries, QWidget* parent = nullptr);

    QComboBox* picker() const { return picker_; }
    QLabel* titleLabel() const { return title_; }
    // Shows the entry `index` (-1: none).
    void showIndex(int index);

    // The index of `value` among `items`, -1 when it is not there.
    template <typename T> static int indexOf(const std::vector<T>& items, const T& value) {
        const auto found = std::find(items.begin(), items.end(), value);
        return found == items.end() ? -1 : static_cast<int>(found - items.begin());
    }

Q_SIGNALS:
    void chosen(int index);

private:
    QLabel* title_;
    QComboBox* picker_;
    int shown_ = -1;
};

// A PopupPickerRow over a list of values, each shown by its entry: selection() is the value shown,
// which a choice in the menu changes before `chosen` reaches anyone else.
template <typename T> class PickerRowOf : public PopupPickerRow {
public:
    PickerRowOf(const QString& title, std::vector<T> items, const QStringList& entries, T selection,
                QWidget* parent)
        : PopupPickerRow(title, entries, parent), items_(std::move(items)), selection_(selection) {
        setSelection(selection);
        connect(this, &PopupPickerRow::chosen, this,
                [this](int index) { selection_ = items_[static_cast<std::size_t>(index)]; });
    }

    T selection() const { return selection_; }
    // Shows `value` without emitting.
    void setSelection(T value) {
        selection_ = value;
        showIndex(indexOf(items_, value));
    }
    const std::vector<T>& items() const { return items_; }

private:
    std::vector<T> items_;
    T selection_;
};

} // namespace fen
