#include "storage/FenDatabaseManager.h"

#include "StoreTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace fen {
namespace {

using test::ScopedStore;
using M = FenDatabaseManager;

template <typename T> double lastSaved(ListStoreKind kind) {
    return std::get<DBLists<T>>(*M::loadStoredList(kind)).lastSaved;
}

TEST(FenDatabaseManagerLists, DefaultsAreSeededOnceWithStableIdentifiers) {
    ScopedStore s;
    EXPECT_FALSE(M::loadStoredList(ListStoreKind::stamp));
    std::vector<StampList> stamps = M::loadStampList();
    ASSERT_EQ(stamps.size(), 9u);
    std::string stored = *s.store().loadListData(ListStoreKind::stamp);
    EXPECT_EQ(json::parse(stored)["lastSaved"], 0);
    EXPECT_EQ(M::loadStampList(), stamps);
    EXPECT_EQ(*s.store().loadListData(ListStoreKind::stamp), stored);
    EXPECT_TRUE(isUuidString(stamps[0].id));
    EXPECT_EQ(M::loadPageNumberList().size(), 8u);
    // Seeded QR codes are named by what they encode and keep no dates.
    std::vector<QRCodeStructure> codes = M::loadQRCodes();
    Json lists = json::parse(*s.store().loadListData(ListStoreKind::qrCode))["lists"];
    ASSERT_EQ(lists.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(lists[i]["setting"]["id"], codes[i].id);
        EXPECT_EQ(lists[i]["name"], codes[i].qrPayloadString());
        EXPECT_FALSE(lists[i]["setting"].contains("calendar_fromDate"));
    }
    EXPECT_EQ(M::loadQRCodes(), codes);
}

// A change of a list that is not stored stores nothing and says so: the user saw no list of it
// (a first read that gave up), and an entry added then must not be taken for stored.
TEST(FenDatabaseManagerLists, EntryChangesNeedAStoredList) {
    ScopedStore s;
    const std::vector<std::function<bool()>> changes{
        [] { return M::addStampListEntry(newUuidString(), "Late"); },
        [] { return M::addQRCode(QRCodeStructure{}); },
        [] { return M::updatePageNumberListEntry("X", "y"); },
        [] { return M::removePageNumberListEntry("X"); },
    };
    for (const auto& change : changes) {
        CoreDataBase::clearLastFailure();
        EXPECT_FALSE(change());
        EXPECT_EQ(CoreDataBase::lastFailure(), "the stored list could not be read");
    }
    EXPECT_EQ(s.count("DBStampList") + s.count("DBImageList") + s.count("DBPageNumberList"), 0);
}

// Adding stamps the list; updating and removing keep its lastSaved; an unknown identifier writes
// nothing; removing takes every entry of the identifier; an emptied list stays empty.
TEST(FenDatabaseManagerLists, AddUpdateAndRemoveEntries) {
    ScopedStore s;
    M::loadStampList();
    double before = Date::now().unixSeconds();
    M::addStampListEntry("ID-1", "Late");
    M::addStampListEntry("ID-1", "Twin");
    M::addStampListEntry("ID-2", "Late");
    std::vector<StampList> after = M::loadStampList();
    ASSERT_EQ(after.size(), 12u);
    EXPECT_EQ(after[11], (StampList{"ID-2", "Late"}));
    double added = lastSaved<StampList>(ListStoreKind::stamp);
    EXPECT_GE(added, before);
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
    std::vector<PageNumberList> formats = M::loadPageNumberList();
    double saved = lastSaved<PageNumberList>(ListStoreKind::pageNumber);
    M::updatePageNumberListEntry(formats[2].id, "Seite #currentPage");
    M::updatePageNumberListEntry("unknown", "x");
    formats[2].name = "Seite #currentPage";
    EXPECT_EQ(M::loadPageNumberList(), formats);
    EXPECT_EQ(lastSaved<PageNumberList>(ListStoreKind::pageNumber), saved);
    std::vector<QRCodeStructure> codes = M::loadQRCodes();
    QRCodeStructure mine{.itemname = "Mine"};
    M::addQRCode(mine);
    mine.itemname = "Renamed";
    M::updateQRCode(mine);
    M::removeQRCode(codes[1].id);
    codes.erase(codes.begin() + 1);
    codes.push_back(mine);
    EXPECT_EQ(M::loadQRCodes(), codes);
    auto stored = std::get<DBLists<ImageList>>(*M::loadStoredList(ListStoreKind::qrCode));
    EXPECT_EQ(stored.lists[2].name, "Renamed");
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
}

// A store that cannot be written offers the defaults and stores nothing. One that cannot even be
// read while another process holds it past the store's patience gives no list at all, neither
// the defaults nor an empty one, and says why: a list that could not be read is not known to be
// missing, and is no list the window may show.
TEST(FenDatabaseManagerLists, ReadOnlyStoreStillOffersTheDefaults) {
    ScopedStore s;
    CoreDataBase::setShared(std::make_shared<CoreDataBase>(
        PersistenceController(StoreLocation{s.dir() / "never.sqlite", true})));
    EXPECT_EQ(M::loadStampList().size(), 9u);
    EXPECT_EQ(M::loadQRCodes().size(), 3u);
    EXPECT_FALSE(std::filesystem::exists(s.dir() / "never.sqlite"));

    s.install().setWritePatience(std::chrono::milliseconds(200));
    store::Database holder(s.file(), store::OpenMode::readWrite);
    holder.exec("BEGIN EXCLUSIVE");
    CoreDataBase::clearLastFailure();
    EXPECT_EQ(M::readStampList(), std::nullopt);
    EXPECT_EQ(CoreDataBase::lastFailure(), "database is locked");
    EXPECT_EQ(M::readQRCodes(), std::nullopt);
    EXPECT_TRUE(M::loadPageNumberList().empty());
    holder.exec("ROLLBACK");
    EXPECT_EQ(s.count("DBStampList"), 0) << "nothing was seeded";
    // Within the store's patience, a read waits for the other process to let go.
    s.store().setWritePatience(std::chrono::seconds(15));
    holder.exec("BEGIN EXCLUSIVE");
    std::thread release([&holder] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        holder.exec("ROLLBACK");
    });
    EXPECT_EQ(M::readStampList().value_or(std::vector<StampList>{}).size(), 9u);
    release.join();
    EXPECT_EQ(s.count("DBStampList"), 1) << "seeded once read";
}

} // namespace
} // namespace fen
