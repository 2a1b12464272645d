#include "storage/PageNumberDBModel.h"
#include "storage/QRCodeDBModel.h"
#include "storage/StampDBModel.h"

#include "StoreTestSupport.h"
#include "storage/FenDatabaseManager.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

using M = FenDatabaseManager;

// The options a stored list should give: "None" first, then one per entry.
template <typename T, typename Title>
std::vector<SPAOptions> optionsOf(const std::vector<T>& entries, Title T::*title) {
    std::vector<SPAOptions> options{SPAOptions{"######", "None"}};
    for (const T& entry : entries) {
        options.push_back(SPAOptions{entry.id, entry.*title});
    }
    return options;
}

TEST(OptionListModels, ReloadFollowsTheListAndAnnouncesOnlyRealChanges) {
    test::ScopedStore s;
    PageNumberDBModel model;
    int announced = 0;
    Connection c = model.objectWillChange.connect([&] { ++announced; });
    model.loadOptions();
    EXPECT_EQ(announced, 0);
    // A rename under the same identifier is a change; entries sharing an identifier both appear.
    M::updatePageNumberListEntry(model.options()[3].id, "Seite #currentPage");
    model.loadOptions();
    EXPECT_EQ(announced, 1);
    M::addPageNumberListEntry("TWIN", "a");
    M::addPageNumberListEntry("TWIN", "b");
    model.loadOptions();
    EXPECT_EQ(announced, 2);
    EXPECT_EQ(model.options(), optionsOf(M::loadPageNumberList(), &PageNumberList::name));
    EXPECT_EQ(model.options()[3].title, "Seite #currentPage");
    EXPECT_EQ(model.options()[10], (SPAOptions{"TWIN", "b"}));
    // An emptied list leaves the none option alone.
    for (const PageNumberList& entry : M::loadPageNumberList()) {
        M::removePageNumberListEntry(entry.id);
    }
    model.loadOptions();
    EXPECT_EQ(model.options(), std::vector<SPAOptions>{SPAOptions::none()});
    EXPECT_EQ(announced, 3);
}

TEST(OptionListModels, AddingAQRCodeTakesAnyNameButAnEmptyOne) {
    test::ScopedStore s;
    QRCodeDBModel model;
    int announced = 0;
    Connection c = model.objectWillChange.connect([&] { ++announced; });
    std::string before = *s.store().loadListData(ListStoreKind::qrCode);
    model.addQRCode("");
    EXPECT_EQ(*s.store().loadListData(ListStoreKind::qrCode), before);
    EXPECT_EQ(announced, 0);
    model.addQRCode("  ");
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(model.options(), optionsOf(M::loadQRCodes(), &QRCodeStructure::itemname));
    EXPECT_EQ(model.options().back().title, "  ");
    EXPECT_EQ(M::loadQRCodes().back(),
              (QRCodeStructure{.id = model.options().back().id, .itemname = "  "}));
}

TEST(OptionListModels, NoneTitleFollowsTheInstalledTranslator) {
    test::ScopedStore s;
    SPAOptions::setTranslator(
        [](const std::string& text) { return text == "None" ? std::string("Keine") : text; });
    StampDBModel model;
    SPAOptions::setTranslator(nullptr);
    EXPECT_EQ(model.options()[0], (SPAOptions{"######", "Keine"}));
    EXPECT_EQ(SPAOptions::none().title, "None");
}

} // namespace
} // namespace fen
