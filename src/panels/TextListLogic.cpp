#include "panels/TextListLogic.h"

#include "platform/foundation/Uuid.h"

#include <algorithm>
#include <set>

namespace fen {

std::vector<std::string> TextListLogic::texts() const {
    std::vector<std::string> result;
    result.reserve(items_.size());
    for (const TextListItem& item : items_) {
        result.push_back(item.text);
    }
    return result;
}

std::vector<TextListItem> TextListLogic::freshItems(const std::vector<std::string>& texts) {
    std::vector<TextListItem> result;
    result.reserve(texts.size());
    for (const std::string& text : texts) {
        result.push_back(TextListItem{newUuidString(), text});
    }
    return result;
}

void TextListLogic::setItems(std::vector<TextListItem> items) {
    if (items == items_) {
        return;
    }
    items_ = std::move(items);
    itemsChanged.emit();
}

void TextListLogic::select(const std::optional<TextListItem>& item) {
    if (item == selectedItem_) {
        return;
    }
    selectedItem_ = item;
    selectionChanged.emit();
}

bool TextListLogic::add(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    TextListItem item{newUuidString(), text};
    std::vector<TextListItem> items = items_;
    items.push_back(item);
    setItems(std::move(items));
    select(item);
    return true;
}

void TextListLogic::clear() {
    setItems({});
    select(std::nullopt);
}

bool TextListLogic::replaceWithImported(const std::vector<std::string>& texts) {
    if (texts.empty()) {
        return false;
    }
    setItems(freshItems(texts));
    std::optional<TextListItem> kept;
    if (selectedItem_) {
        const auto found = std::find_if(items_.begin(), items_.end(), [this](const auto& item) {
            return item.text == selectedItem_->text;
        });
        if (found != items_.end()) {
            kept = *found;
        }
    }
    select(kept);
    return true;
}

void TextListLogic::takeOverPreset(const std::vector<std::string>& texts) {
    setItems(freshItems(texts));
    select(items_.empty() ? std::nullopt : std::optional<TextListItem>(items_.front()));
}

std::string TextListLogic::renameStartText() const {
    return selectedItem_ ? selectedItem_->text : std::string();
}

std::optional<std::size_t> TextListLogic::firstIndexOf(const TextListItem& item) const {
    const auto found = std::find(items_.begin(), items_.end(), item);
    if (found == items_.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - items_.begin());
}

bool TextListLogic::rename(const std::string& newName) {
    if (!selectedItem_ || newName == selectedItem_->text) {
        return false;
    }
    const std::optional<std::size_t> index = firstIndexOf(*selectedItem_);
    if (!index) {
        return false;
    }
    const TextListItem renamed{selectedItem_->id, newName};
    std::vector<TextListItem> items = items_;
    items[*index] = renamed;
    setItems(std::move(items));
    select(renamed);
    return true;
}

bool TextListLogic::deleteSelected() {
    if (!selectedItem_) {
        return false;
    }
    const std::optional<std::size_t> index = firstIndexOf(*selectedItem_);
    if (!index) {
        return false;
    }
    select(std::nullopt);
    std::vector<TextListItem> items = items_;
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(*index));
    setItems(std::move(items));
    return true;
}

void TextListLogic::deleteAt(const std::vector<std::size_t>& offsets) {
    select(std::nullopt);
    const std::set<std::size_t> doomed(offsets.begin(), offsets.end());
    std::vector<TextListItem> items;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (!doomed.count(i)) {
            items.push_back(items_[i]);
        }
    }
    setItems(std::move(items));
}

bool TextListLogic::isSelected(const TextListItem& item) const {
    return selectedItem_ && *selectedItem_ == item;
}

bool TextListLogic::rowEvenOdd(const TextListItem& item) const {
    const std::optional<std::size_t> index = firstIndexOf(item);
    return index && *index % 2 == 1;
}

TextListLogic::RowBackground TextListLogic::rowBackground(bool isSelected, bool isFocused,
                                                          bool rowEvenOdd) {
    if (isSelected) {
        return isFocused ? RowBackground::accent : RowBackground::lightGrayHalf;
    }
    return rowEvenOdd ? RowBackground::lightGrayTenth : RowBackground::clear;
}

const char* TextListLogic::countWord(std::size_t count) {
    return count < 2 ? "item" : "items";
}

} // namespace fen
