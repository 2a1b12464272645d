#include "storage/PageNumberDBModel.h"
#include "storage/QRCodeDBModel.h"
#include "storage/StampDBModel.h"

#include "StoreTestSupport.h"
#include "storage/FenDatabaseManager.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

using M = FenDatabaseManager;

std::vector<std::string> titles(const std::vector<SPAOptions>& options) {
    std::vector<std::string> out;
    for (const auto& option : options) {
        out.push_back(option.title);
    }
    return out;
}

TEST(OptionListModels, NewModelsOnAFreshStoreShowNoneThenTheDefaults) {
    test::ScopedStore s;
    StampDBModel stamps;
    EXPECT_EQ(
        titles(stamps.options()),
        (std::vector<std::string>{"None", "Paid", "Received", "Approved", "Reviewed", "Certified",
                                  "Draft", "Confidential", "Rejected", "Final"}));
    EXPECT_EQ(stamps.options()[0].id, "######");
    std::vector<StampList> stored = M::loadStampList();
    for (size_t i = 0; i < stored.size(); ++i) {
        EXPECT_EQ(stamps.options()[i + 1].id, stored[i].id);
    }

    PageNumberDBModel formats;
    ASSERT_EQ(formats.options().size(), 9u);
    EXPECT_EQ(formats.options()[0], SPAOptions::none());
    EXPECT_EQ(formats.options()[1].title, "#currentPage");
    EXPECT_EQ(formats.options()[8].title, "#currentPage / #lastPage");

    QRCodeDBModel codes;
    ASSERT_EQ(codes.options().size(), 4u);
    std::vector<QRCodeStructure> storedCodes = M::loadQRCodes();
    for (size_t i = 0; i < storedCodes.size(); ++i) {
        EXPECT_EQ(codes.options()[i + 1], (SPAOptions{storedCodes[i].id, storedCodes[i].itemname}));
    }
}

TEST(OptionListModels, ReloadAnnouncesOnlyRealChanges) {
    test::ScopedStore s;
    PageNumberDBModel model;
    int announced = 0;
    Connection c = model.objectWillChange.connect([&] { ++announced; });
    model.loadOptions();
    EXPECT_EQ(announced, 0);

    // A rename under the same identifier is a change.
    std::string id = model.options()[3].id;
    M::updatePageNumberListEntry(id, "Seite #currentPage");
    model.loadOptions();
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(model.options()[3], (SPAOptions{id, "Seite #currentPage"}));

    // Entries sharing an identifier both appear, in stored order.
    M::addPageNumberListEntry("TWIN", "a");
    M::addPageNumberListEntry("TWIN", "b");
    model.loadOptions();
    EXPECT_EQ(announced, 2);
    ASSERT_EQ(model.options().size(), 11u);
    EXPECT_EQ(model.options()[9], (SPAOptions{"TWIN", "a"}));
    EXPECT_EQ(model.options()[10], (SPAOptions{"TWIN", "b"}));

    // An emptied list leaves the none option alone.
    for (const PageNumberList& entry : M::loadPageNumberList()) {
        M::removePageNumberListEntry(entry.id);
    }
    model.loadOptions();
    EXPECT_EQ(model.options(), std::vector<SPAOptions>{SPAOptions::none()});
    EXPECT_EQ(announced, 3);
}

TEST(OptionListModels, AddingAQRCodeByName) {
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
    ASSERT_EQ(model.options().size(), 5u);
    EXPECT_EQ(model.options()[4].title, "  ");
    QRCodeStructure added = M::loadQRCodes().back();
    EXPECT_EQ(added.id, model.options()[4].id);
    EXPECT_TRUE(isUuidString(added.id));
    EXPECT_EQ(added.type, QRCodeTypes::people);
    EXPECT_EQ(added.backgroundColor, "#FFFFFF");
    EXPECT_EQ(added.foregroundColor, "#000000");
    EXPECT_TRUE(added.contact_name.empty() && added.url_url.empty() && added.email_body.empty());
    EXPECT_FALSE(added.calendar_fromDate || added.calendar_toDate);
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
