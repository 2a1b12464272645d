#include "controls/PositionSelectorModel.h"

#include "platform/foundation/MainQueue.h"

#include <algorithm>

namespace fen {

bool samePosition(Positions a, Positions b) {
    return localizationKey(a) == localizationKey(b);
}

bool samePages(const PositionPages& a, const PositionPages& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return std::equal(x.begin(), x.end(), y.begin(), y.end(), samePosition);
    });
}

std::shared_ptr<PositionSelectorModel> PositionSelectorModel::make() {
    std::shared_ptr<PositionSelectorModel> model(new PositionSelectorModel);
    model->paginatePositions();
    return model;
}

void PositionSelectorModel::setItems(std::vector<Positions> items) {
    items_ = std::move(items);
    paginatePositions();
    if (!items_.empty()) {
        setSelectedItem(items_.front());
    }
}

void PositionSelectorModel::setSelectedItem(Positions item) {
    const bool moved = !samePosition(item, selectedItem_);
    selectedItem_ = item;
    if (moved) {
        changed();
    }
}

void PositionSelectorModel::setPagedItems(PositionPages pages) {
    const bool differs = !samePages(pages, pagedItems_);
    pagedItems_ = std::move(pages);
    if (differs) {
        changed();
    }
}

PositionPages PositionSelectorModel::pages(const std::vector<Positions>& items,
                                           std::int64_t perPage) {
    PositionPages result;
    const auto count = static_cast<std::int64_t>(items.size());
    for (std::int64_t start = 0; start < count; start += perPage) {
        const std::int64_t end = std::min(start + perPage, count);
        result.emplace_back(items.begin() + start, items.begin() + end);
    }
    return result;
}

PositionGridPlace PositionSelectorModel::moved(PositionGridPlace from,
                                               PositionGridMove move) const {
    const int count = int(pagedItems_.size());
    if (count == 0) {
        return from;
    }
    auto size = [this](int page) { return int(pagedItems_[size_t(page)].size()); };
    PositionGridPlace place{std::clamp(from.page, 0, count - 1), 0};
    place.cell = std::clamp(from.cell, 0, size(place.page) - 1);
    switch (move) {
    case PositionGridMove::previous:
        if (place.cell > 0) {
            --place.cell;
        } else if (place.page > 0) {
            --place.page;
            place.cell = size(place.page) - 1;
        }
        break;
    case PositionGridMove::next:
        if (place.cell + 1 < size(place.page)) {
            ++place.cell;
        } else if (place.page + 1 < count) {
            ++place.page;
            place.cell = 0;
        }
        break;
    case PositionGridMove::previousPage:
    case PositionGridMove::nextPage:
        place.page =
            std::clamp(place.page + (move == PositionGridMove::nextPage ? 1 : -1), 0, count - 1);
        place.cell = std::min(place.cell, size(place.page) - 1);
        break;
    }
    return place;
}

PositionGridPlace PositionSelectorModel::entryOnPage(int page) const {
    if (page >= 0 && page < int(pagedItems_.size())) {
        const auto& cells = pagedItems_[size_t(page)];
        for (int i = 0; i < int(cells.size()); ++i) {
            if (samePosition(cells[size_t(i)], selectedItem_)) {
                return {page, i};
            }
        }
    }
    return {page, 0};
}

std::string PositionSelectorModel::pageDescription(int page, int pageCount) {
    return "Page " + std::to_string(page + 1) + " of " + std::to_string(pageCount);
}

void PositionSelectorModel::paginatePositions() {
    // The work reads a copy taken now, so the main thread may change the items meanwhile; it
    // holds the model until its result has been delivered.
    // Pagings run side by side and may finish in any order: only the result of the latest one is
    // delivered, so an older list never replaces a newer one.
    const std::uint64_t generation = ++pagingGeneration_;
    Background::run(
        [self = shared_from_this(), items = items_, perPage = maxItemPerPage_, generation] {
            PositionPages result = pages(items, perPage);
            MainQueue::post([self, result = std::move(result), generation]() mutable {
                if (generation == self->pagingGeneration_) {
                    self->setPagedItems(std::move(result));
                }
            });
        });
}

} // namespace fen
