#include "storage/FenDatabaseManager.h"

#include "StoreTestSupport.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

using test::pluck;
using test::ScopedStore;
using M = FenDatabaseManager;
using Names = std::vector<std::string>;

template <typename T> double lastSaved(ListStoreKind kind) {
    return std::get<DBLists<T>>(*M::loadStoredList(kind)).lastSaved;
}

TEST(FenDatabaseManagerLists, FreshStoreSeedsTheDefaultsOnceWithStableIdentifiers) {
    ScopedStore s;
    EXPECT_FALSE(M::loadStoredList(ListStoreKind::stamp));
    std::vector<StampList> stamps = M::loadStampList();
    EXPECT_EQ(pluck(stamps, &StampList::name),
              (Names{"Paid", "Received", "Approved", "Reviewed", "Certified", "Draft",
                     "Confidential", "Rejected", "Final"}));
    std::string stored = *s.store().loadListData(ListStoreKind::stamp);
    EXPECT_EQ(json::parse(stored)["lastSaved"], 0);
    EXPECT_EQ(M::loadStampList(), stamps);
    EXPECT_EQ(*s.store().loadListData(ListStoreKind::stamp), stored);
    for (const StampList& entry : stamps) {
        EXPECT_TRUE(isUuidString(entry.id));
    }

    std::vector<PageNumberList> formats = M::loadPageNumberList();
    EXPECT_EQ(pluck(formats, &PageNumberList::name),
              (Names{"#currentPage", "#currentPage of #totalPages", "#currentPage - #totalPages",
                     "#currentPage / #totalPages", "Page #currentPage", "#currentPage of #lastPage",
                     "#currentPage - #lastPage", "#currentPage / #lastPage"}));
    EXPECT_EQ(M::loadPageNumberList(), formats);
}

TEST(FenDatabaseManagerLists, DefaultQRCodesAreLinkPeopleAndEmailWithoutDates) {
    ScopedStore s;
    std::vector<QRCodeStructure> codes = M::loadQRCodes();
    ASSERT_EQ(codes.size(), 3u);
    EXPECT_EQ(codes[0].type, QRCodeTypes::link);
    EXPECT_EQ(codes[0].backgroundColor, "#FFCCCC");
    EXPECT_EQ(codes[0].foregroundColor, "000044");
    EXPECT_FALSE(codes[0].url_url.empty());
    EXPECT_EQ(codes[1].type, QRCodeTypes::people);
    EXPECT_FALSE(codes[1].contact_name.empty() || codes[1].contact_email.empty());
    EXPECT_TRUE(codes[1].contact_tel.empty());
    EXPECT_EQ(codes[2].type, QRCodeTypes::email);
    EXPECT_FALSE(codes[2].email_body.empty());
    for (const QRCodeStructure& code : {codes[1], codes[2]}) {
        EXPECT_EQ(code.backgroundColor, "#FFFFFF");
        EXPECT_EQ(code.foregroundColor, "#000000");
    }

    Json stored = json::parse(*s.store().loadListData(ListStoreKind::qrCode));
    ASSERT_EQ(stored["lists"].size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const Json& entry = stored["lists"][i];
        EXPECT_EQ(entry["id"], codes[i].id);
        EXPECT_EQ(entry["setting"]["id"], codes[i].id);
        // Seeded entries are named by what the code encodes.
        EXPECT_EQ(entry["name"], codes[i].qrPayloadString());
        EXPECT_FALSE(entry["setting"].contains("calendar_fromDate"));
        EXPECT_FALSE(entry["setting"].contains("calendar_toDate"));
    }
    EXPECT_EQ(M::loadQRCodes(), codes);
}

TEST(FenDatabaseManagerLists, EntryChangesNeedAStoredList) {
    ScopedStore s;
    M::addStampListEntry(newUuidString(), "Late");
    M::addQRCode(QRCodeStructure{});
    M::updatePageNumberListEntry("X", "y");
    M::removePageNumberListEntry("X");
    EXPECT_EQ(s.count("DBStampList") + s.count("DBImageList") + s.count("DBPageNumberList"), 0);
}

TEST(FenDatabaseManagerLists, AddAndRemoveWhileAnEmptiedListStaysEmpty) {
    ScopedStore s;
    M::loadStampList();
    double before = Date::now().unixSeconds();
    M::addStampListEntry("ID-1", "Late");
    M::addStampListEntry("ID-2", "Late");
    std::vector<StampList> after = M::loadStampList();
    ASSERT_EQ(after.size(), 11u);
    EXPECT_EQ(after[9], (StampList{"ID-1", "Late"}));
    EXPECT_EQ(after[10], (StampList{"ID-2", "Late"}));
    double added = lastSaved<StampList>(ListStoreKind::stamp);
    EXPECT_GE(added, before);

    // Removing leaves lastSaved; an unknown identifier writes nothing.
    std::string blob = *s.store().loadListData(ListStoreKind::stamp);
    M::removeStampListEntry("unknown");
    EXPECT_EQ(*s.store().loadListData(ListStoreKind::stamp), blob);
    M::removeStampListEntry("ID-1");
    EXPECT_EQ(lastSaved<StampList>(ListStoreKind::stamp), added);
    EXPECT_EQ(M::loadStampList().size(), 10u);

    for (const StampList& entry : M::loadStampList()) {
        M::removeStampListEntry(entry.id);
    }
    EXPECT_TRUE(M::loadStampList().empty());
    EXPECT_TRUE(M::loadStampList().empty());

    // Removing takes every entry with the identifier.
    M::loadPageNumberList();
    M::addPageNumberListEntry("SAME", "a");
    M::addPageNumberListEntry("SAME", "b");
    M::addPageNumberListEntry("OTHER", "c");
    M::removePageNumberListEntry("SAME");
    std::vector<PageNumberList> formats = M::loadPageNumberList();
    ASSERT_EQ(formats.size(), 9u);
    EXPECT_EQ(formats.back(), (PageNumberList{"OTHER", "c"}));
}

TEST(FenDatabaseManagerLists, UpdatesReplaceTheEntryInPlace) {
    ScopedStore s;
    std::vector<PageNumberList> formats = M::loadPageNumberList();
    double saved = lastSaved<PageNumberList>(ListStoreKind::pageNumber);
    M::updatePageNumberListEntry(formats[2].id, "Seite #currentPage");
    formats[2].name = "Seite #currentPage";
    EXPECT_EQ(M::loadPageNumberList(), formats);
    EXPECT_EQ(lastSaved<PageNumberList>(ListStoreKind::pageNumber), saved);
    std::string blob = *s.store().loadListData(ListStoreKind::pageNumber);
    M::updatePageNumberListEntry("unknown", "x");
    EXPECT_EQ(*s.store().loadListData(ListStoreKind::pageNumber), blob);

    std::vector<QRCodeStructure> codes = M::loadQRCodes();
    QRCodeStructure mine;
    mine.itemname = "Mine";
    M::addQRCode(mine);
    mine.itemname = "Renamed";
    mine.contact_tel = "123";
    M::updateQRCode(mine);
    codes.push_back(mine);
    EXPECT_EQ(M::loadQRCodes(), codes);
    auto stored = std::get<DBLists<ImageList>>(*M::loadStoredList(ListStoreKind::qrCode));
    EXPECT_EQ(stored.lists[3].name, "Renamed");
    EXPECT_EQ(stored.lists[3].id, mine.id);
    M::removeQRCode(codes[1].id);
    codes.erase(codes.begin() + 1);
    EXPECT_EQ(M::loadQRCodes(), codes);
}

TEST(FenDatabaseManagerLists, UndecodableListIsKeptAsideBeforeTheDefaultsReplaceIt) {
    ScopedStore s;
    std::string unreadable = R"({"lastSaved":3,"lists":[{"name":"no id"}]})";
    ASSERT_TRUE(s.store().saveListData(unreadable, ListStoreKind::stamp));
    EXPECT_FALSE(M::loadStoredList(ListStoreKind::stamp));
    // Entry changes leave it alone.
    M::addStampListEntry("A", "a");
    EXPECT_EQ(s.store().loadListData(ListStoreKind::stamp), unreadable);

    std::string err = test::loggedBy([] { EXPECT_EQ(M::loadStampList().size(), 9u); });
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    ASSERT_EQ(s.store().preservedBlobs().size(), 1u);
    EXPECT_EQ(s.store().preservedBlobs()[0].entity, "DBStampList");
    EXPECT_EQ(s.store().preservedBlobs()[0].data, unreadable);
    EXPECT_TRUE(M::loadStoredList(ListStoreKind::stamp));
}

TEST(FenDatabaseManagerLists, ReadOnlyStoreStillOffersTheDefaults) {
    ScopedStore s;
    CoreDataBase::setShared(std::make_shared<CoreDataBase>(
        PersistenceController(StoreLocation{s.dir() / "never.sqlite", true})));
    EXPECT_EQ(M::loadStampList().size(), 9u);
    EXPECT_EQ(M::loadQRCodes().size(), 3u);
    EXPECT_FALSE(std::filesystem::exists(s.dir() / "never.sqlite"));
}

} // namespace
} // namespace fen
