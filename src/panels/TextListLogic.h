#pragma once

#include "model/TextListItem.h"
#include "platform/foundation/Signal.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace fen {

// The rules of a window's text list, without a widget: the texts in display order and the
// selected one, and every edit the text list panel and its editable list make (typing, clearing,
// importing, a loaded text preset, renaming and deleting). Rows are identified by the whole
// record: two items with the same identifier and different texts are two rows, and of two
// identical records a rename or a delete finds the first. Each edit announces only what it really
// changed, on `itemsChanged` and `selectionChanged`, in the order the edit makes the changes.
class TextListLogic {
public:
    const std::vector<TextListItem>& items() const { return items_; }
    const std::optional<TextListItem>& selectedItem() const { return selectedItem_; }
    bool hasItems() const { return !items_.empty(); }
    // The texts of the items, in list order (what the window's model keeps).
    std::vector<std::string> texts() const;

    // The entry field's Return: an empty text does nothing; any other text (blanks included,
    // untrimmed, repeats allowed) becomes a new item with a fresh identifier at the end, and is
    // selected. True when an item was added.
    bool add(const std::string& text);
    // Empties the list, then clears the selection.
    void clear();
    // The lines of an imported file replace the list, each a new item; no lines change nothing.
    // The selection then follows its text to the first new item that holds it, and is cleared
    // when none does: the page draws only a text of the list, the one Export writes. True when
    // the list was replaced.
    bool replaceWithImported(const std::vector<std::string>& texts);
    // The texts of a loaded text preset replace the list, each a new item; the first is selected,
    // or none when the preset has no texts.
    void takeOverPreset(const std::vector<std::string>& texts);

    // Sets the selection (the view's selection model, or the owner of the selection).
    void select(const std::optional<TextListItem>& item);

    // The text the rename field starts with: the selected item's, or "" without a selection.
    std::string renameStartText() const;
    // The rename alert's OK with a non-empty name: the first item equal to the selection becomes
    // a record with the same identifier and the new text, and the selection follows it. Nothing
    // happens without a selection, with an unchanged name or when no item equals the selection.
    bool rename(const std::string& newName);
    // The Delete key: clears the selection, then removes the first item equal to it. Nothing
    // happens without a selection or when no item equals it.
    bool deleteSelected();
    // The row's own delete (its context menu): clears the selection, whichever row it held, then
    // removes the items at `offsets` (offsets outside the list are skipped).
    void deleteAt(const std::vector<std::size_t>& offsets);

    // Whether the row of `item` is drawn selected (equal to the selection, both fields).
    bool isSelected(const TextListItem& item) const;
    // Whether the first item equal to `item` stands at an odd position (false when none does).
    bool rowEvenOdd(const TextListItem& item) const;

    // The background of one row.
    enum class RowBackground { accent, lightGrayHalf, lightGrayTenth, clear };
    static RowBackground rowBackground(bool isSelected, bool isFocused, bool rowEvenOdd);
    // The word after the count of texts: "item" below two, "items" from two on.
    static const char* countWord(std::size_t count);

    // After every change of the items (the panel announces the texts to its window).
    Signal<> itemsChanged;
    // After every change of the selection.
    Signal<> selectionChanged;

private:
    void setItems(std::vector<TextListItem> items);
    std::optional<std::size_t> firstIndexOf(const TextListItem& item) const;
    static std::vector<TextListItem> freshItems(const std::vector<std::string>& texts);

    std::vector<TextListItem> items_;
    std::optional<TextListItem> selectedItem_;
};

} // namespace fen
