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
