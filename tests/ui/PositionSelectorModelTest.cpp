// The position grid's model without a view: the paging off the main thread, the selection, and
// which changes are announced.
#include "controls/PositionSelectorModel.h"

#include <QTest>

#include <gtest/gtest.h>

namespace fen {
namespace {

std::vector<Positions> firstPositions(size_t count) {
    std::vector<Positions> all;
    for (int i = 1; i <= 13; ++i) {
        all.push_back(static_cast<Positions>(i));
    }
    all.resize(count);
    return all;
}

TEST(PositionPaging, CutsTheItemsIntoFullPagesAndOneShorterLastPage) {
    const struct {
        size_t items;
        std::vector<size_t> pages;
    } cases[] = {{0, {}}, {4, {4}}, {7, {4, 3}}, {13, {4, 4, 4, 1}}};
    for (const auto& c : cases) {
        const PositionPages pages = PositionSelectorModel::pages(firstPositions(c.items), 4);
        std::vector<size_t> sizes;
        for (const auto& page : pages) {
            sizes.push_back(page.size());
        }
        EXPECT_EQ(sizes, c.pages) << c.items;
        if (!pages.empty()) {
            EXPECT_EQ(pages.back().back(), firstPositions(c.items).back());
        }
    }
}

struct Watched {
    std::shared_ptr<PositionSelectorModel> model = PositionSelectorModel::make();
    int announcements = 0;
    Connection counting = model->changed.connect([this] { ++announcements; });
};

TEST(PositionSelectorModel, ANewModelHasNoPagesAndItsEmptyFirstPagingAnnouncesNothing) {
    Watched w;
    EXPECT_TRUE(w.model->pagedItems().empty());
    EXPECT_EQ(w.model->selectedItem(), Positions::none);
    EXPECT_EQ(w.model->maxItemPerPage(), 4);
    QTest::qWait(50);
    EXPECT_EQ(w.announcements, 0);
}

TEST(PositionSelectorModel, NewItemsSelectTheFirstAtOnceAndArriveAsPagesLater) {
    Watched w;
    w.model->setItems(firstPositions(7));
    EXPECT_EQ(w.model->selectedItem(), Positions::topleft);
    EXPECT_EQ(w.announcements, 1) << "the selection moved from none";
    EXPECT_TRUE(w.model->pagedItems().empty()) << "the pages come back on the main queue";
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.model->pagedItems().size() == size_t(2); }));
    EXPECT_EQ(w.model->pagedItems()[1].size(), size_t(3));
    EXPECT_EQ(w.announcements, 2);

    // The same list again: no new pages; the selection returns to the first position.
    w.model->setSelectedItem(Positions::middle);
    EXPECT_EQ(w.announcements, 3);
    w.model->setItems(firstPositions(7));
    EXPECT_EQ(w.model->selectedItem(), Positions::topleft);
    EXPECT_EQ(w.announcements, 4);
    QTest::qWait(50);
    EXPECT_EQ(w.announcements, 4);

    w.model->setSelectedItem(Positions::topleft);
    EXPECT_EQ(w.announcements, 4) << "the selected position again announces nothing";
}

TEST(PositionSelectorModel, OnlyTheLatestPagingDeliversItsPages) {
    Watched w;
    w.model->setItems(firstPositions(13));
    w.model->setItems(firstPositions(4));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.model->pagedItems().empty(); }));
    QTest::qWait(50);
    EXPECT_EQ(w.model->pagedItems(), PositionPages{firstPositions(4)});
}

TEST(PositionSelectorModel, APendingPagingKeepsTheModelAlive) {
    std::weak_ptr<PositionSelectorModel> weak;
    {
        auto model = PositionSelectorModel::make();
        model->setItems(firstPositions(5));
        weak = model;
    }
    // The main queue has not run yet: the paging holds the model until its result is delivered,
    // and then lets it go.
    EXPECT_FALSE(weak.expired());
    ASSERT_TRUE(QTest::qWaitFor([&] { return weak.expired(); }));
}

// Nine positions: pages of 4, 4 and 1, with `selected` chosen.
std::shared_ptr<PositionSelectorModel> pagedModel(Positions selected) {
    auto model = PositionSelectorModel::make();
    model->setItems(firstPositions(9));
    model->setSelectedItem(selected);
    EXPECT_TRUE(QTest::qWaitFor([&] { return model->pagedItems().size() == size_t(3); }));
    return model;
}

TEST(PositionGridKeys, CellStepsCrossThePageEdgesAndStopAtTheEnds) {
    const auto model = pagedModel(Positions::topleft);
    using M = PositionGridMove;
    const struct {
        PositionGridPlace from;
        M move;
        PositionGridPlace to;
    } cases[] = {
        {{0, 1}, M::next, {0, 2}},     {{0, 3}, M::next, {1, 0}},     {{1, 3}, M::next, {2, 0}},
        {{2, 0}, M::next, {2, 0}},     {{0, 0}, M::previous, {0, 0}}, {{1, 0}, M::previous, {0, 3}},
        {{2, 0}, M::previous, {1, 3}}, {{1, 2}, M::previous, {1, 1}},
    };
    for (const auto& c : cases) {
        const PositionGridPlace to = model->moved(c.from, c.move);
        EXPECT_EQ(to, c.to) << c.from.page << "/" << c.from.cell << " move " << int(c.move);
    }
    // Stepping on from the first cell reaches every position once, in order.
    auto at = [&model](PositionGridPlace place) {
        return model->pagedItems()[size_t(place.page)][size_t(place.cell)];
    };
    PositionGridPlace place;
    std::vector<Positions> reached{at(place)};
    for (int i = 0; i < 10; ++i) {
        place = model->moved(place, M::next);
        if (at(place) != reached.back()) {
            reached.push_back(at(place));
        }
    }
    EXPECT_EQ(reached, firstPositions(9));
}

TEST(PositionGridKeys, PageMovesKeepThePlaceOnThePageAndStopAtTheFirstAndLastPage) {
    const auto model = pagedModel(Positions::topleft);
    using M = PositionGridMove;
    EXPECT_EQ(model->moved({0, 2}, M::nextPage), (PositionGridPlace{1, 2}));
    EXPECT_EQ(model->moved({1, 2}, M::nextPage), (PositionGridPlace{2, 0})) << "a page of one";
    EXPECT_EQ(model->moved({2, 0}, M::nextPage), (PositionGridPlace{2, 0}));
    EXPECT_EQ(model->moved({1, 3}, M::previousPage), (PositionGridPlace{0, 3}));
    EXPECT_EQ(model->moved({0, 3}, M::previousPage), (PositionGridPlace{0, 3}));
    // A place left behind by shorter pages is brought back onto them first.
    EXPECT_EQ(model->moved({5, 7}, M::previous), (PositionGridPlace{1, 3}));
}

TEST(PositionGridKeys, APageIsEnteredAtTheSelectionItHoldsElseAtItsFirstCell) {
    const auto model = pagedModel(Positions::bottomcenter); // the sixth: page 1, cell 1
    EXPECT_EQ(model->entryOnPage(1), (PositionGridPlace{1, 1}));
    EXPECT_EQ(model->entryOnPage(0), (PositionGridPlace{0, 0}));
    EXPECT_EQ(model->entryOnPage(2), (PositionGridPlace{2, 0}));
    EXPECT_EQ(PositionSelectorModel::pageDescription(1, 3), "Page 2 of 3");
}

} // namespace
} // namespace fen
