#pragma once

#include "model/Positions.h"
#include "platform/foundation/Signal.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fen {

// Corner radius of a cell's selection frame, and the height of a cell and of a page row; a cell
// is positionItemHeight / 1.5 wide and the paged grid positionItemHeight + 54 high.
inline constexpr double positionItemCornerRadius = 9.0;
inline constexpr double positionItemHeight = 90.0;

using PositionPages = std::vector<std::vector<Positions>>;

// A cell of the paged grid: its page, and its place on that page from the leading edge.
struct PositionGridPlace {
    int page = 0;
    int cell = 0;
    bool operator==(const PositionGridPlace&) const = default;
};

// What a key asks of the keyboard focus in the grid: the cell before or after it (in reading
// order), or the page before or after the one shown.
enum class PositionGridMove { previous, next, previousPage, nextPage };

// Two placements are the same when their key texts are.
bool samePosition(Positions a, Positions b);
bool samePages(const PositionPages& a, const PositionPages& b);

// The model behind the position grid: the positions offered, cut into pages of
// `maxItemPerPage`, and the one shown as selected. The cutting runs on fen::Background from a copy
// of the items and its result returns through MainQueue::post, so `pagedItems` trails a change of
// `items` by at least one turn of the main queue; of several pagings under way only the latest
// delivers its pages. `changed` announces only real changes of the
// selection or of the pages. Made through make(): pending pagings keep it alive. Main thread only,
// but for the pagings' own work.
class PositionSelectorModel : public std::enable_shared_from_this<PositionSelectorModel> {
public:
    // A new model with no items, 4 positions per page and `none` selected; its first (empty)
    // paging is already under way.
    static std::shared_ptr<PositionSelectorModel> make();

    const std::vector<Positions>& items() const { return items_; }
    // Stores the list, pages it again and selects its first position. Never empty.
    void setItems(std::vector<Positions> items);
    std::int64_t maxItemPerPage() const { return maxItemPerPage_; }
    Positions selectedItem() const { return selectedItem_; }
    void setSelectedItem(Positions item);
    const PositionPages& pagedItems() const { return pagedItems_; }
    void setPagedItems(PositionPages pages);
    // Starts a paging of the current items; the pages arrive later on the main queue.
    void paginatePositions();

    // `items` cut into consecutive pages of `perPage`; only the last may hold fewer.
    static PositionPages pages(const std::vector<Positions>& items, std::int64_t perPage);

    // The keyboard's way through the grid, over the pages delivered so far. The cell before the
    // first of a page is the last of the page before, the cell after its last the first of the
    // page after; the first and the last position of all are ends, not turning points. A page
    // move keeps the place on the page (on a shorter page, its last cell) and stops at the first
    // and last page. A place outside the pages is first brought onto them.
    PositionGridPlace moved(PositionGridPlace from, PositionGridMove move) const;
    // Where the focus lands when page `page` is shown: on the selected position when the page
    // holds it, else on its first cell.
    PositionGridPlace entryOnPage(int page) const;
    // What the grid tells a screen reader of the page shown: "Page 2 of 3" (`page` counts from 0).
    static std::string pageDescription(int page, int pageCount);

    Signal<> changed;

private:
    PositionSelectorModel() = default;

    std::vector<Positions> items_;
    std::int64_t maxItemPerPage_ = 4;
    Positions selectedItem_ = Positions::none;
    PositionPages pagedItems_;
    std::uint64_t pagingGeneration_ = 0;
};

} // namespace fen
