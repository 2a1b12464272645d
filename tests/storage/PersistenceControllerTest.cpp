#include "storage/PersistenceController.h"

#include "StoreTestSupport.h"
#include "platform/store/Database.h"
#include "storage/CoreDataBase.h"
#include "storage/FenDatabaseManager.h"
#include "support/SmallFileSystem.h"

#include <gtest/gtest.h>

#include <optional>
#include <sys/stat.h>

namespace fen {
namespace {

using test::queryColumn;
using test::ScopedEnv;
using test::TempDir;
using Names = std::vector<std::string>;

TEST(PersistenceController, FreshContainerGetsTheStoreWithExactlyTheEntities) {
    TempDir dir;
    ScopedEnv xdg("XDG_DATA_HOME", (dir / "data").string());
    PersistenceController controller;
    std::filesystem::path file = dir / "data" / "fenmoor" / "FenmoorData.sqlite";
    EXPECT_EQ(controller.storeFile(), file);
    ASSERT_NE(controller.container(), nullptr);
    ASSERT_TRUE(std::filesystem::is_regular_file(file));
    struct stat info {};
    ASSERT_EQ(::stat((dir / "data" / "fenmoor").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(
        queryColumn(file, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"),
        (Names{"DBImageList", "DBImagePresets", "DBImageStorage", "DBPageNumberList",
               "DBPageNumberPresets", "DBStampList", "DBStampPresets", "DBTextPresets"}));
    auto columns = [&](const std::string& table) {
        return queryColumn(file,
                           "SELECT name FROM pragma_table_info('" + table + "') ORDER BY cid");
    };
    for (const char* blobEntity : {"DBTextPresets", "DBImagePresets", "DBStampPresets",
                                   "DBPageNumberPresets", "DBStampList", "DBPageNumberList"}) {
        EXPECT_EQ(columns(blobEntity), Names{"data"}) << blobEntity;
    }
    EXPECT_EQ(columns("DBImageList"), (Names{"id", "data"}));
    EXPECT_EQ(columns("DBImageStorage"), (Names{"imageID", "data"}));
    EXPECT_EQ(queryColumn(file, "PRAGMA journal_mode"), Names{"delete"});
}

// At rest the store is its file alone, from its making on and once the command line has read it:
// no journal or journal index waits beside it. A store the write-ahead versions of this program
// left with frames is turned to the rollback journal by the window, its frames folded in; the
// command line, which only reads, leaves it as it is.
TEST(PersistenceController, NoJournalWaitsBesideTheStoreAtRest) {
    struct Case {
        const char* name;
        bool writeAheadFrames;
        bool windowOpens;
        bool commandLineReads;
        std::string beside; // the side files left, "-wal:SIZE -shm"
        const char* stamps; // the stamp list the window reads
    };
    const Case cases[] = {
        {"made by the window, nothing saved", false, true, false, "", "the store's"},
        {"read by the command line", false, true, true, "", "the store's"},
        {"frames of a killed write-ahead program, read by the command line", true, false, true,
         "-wal:changes -shm", "the frames'"},
        {"frames of a killed write-ahead program, opened by the window", true, true, true, "",
         "the frames'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::filesystem::path file = dir / "FenmoorData.sqlite";
        const auto beside = [&file] {
            std::string found;
            std::error_code ec;
            for (const char* suffix : {"-wal", "-journal"}) {
                if (const auto size = std::filesystem::file_size(file.string() + suffix, ec); !ec) {
                    found += std::string(suffix) + (size == 0 ? ":0" : ":changes");
                }
            }
            if (std::filesystem::exists(file.string() + "-shm")) {
                found += found.empty() ? "-shm" : " -shm";
            }
            return found;
        };
        ASSERT_TRUE(CoreDataBase{PersistenceController(StoreLocation{file})}.saveListData(
            "the store's", ListStoreKind::stamp));
        if (c.writeAheadFrames) {
            ASSERT_TRUE(test::leaveWriteAheadFrames(file, "DBStampList", "the frames'",
                                                    test::LeftFrames::killed));
        }
        std::optional<std::string> read;
        if (c.windowOpens) {
            read = CoreDataBase{PersistenceController(StoreLocation{file})}.loadListData(
                ListStoreKind::stamp);
        }
        if (c.commandLineReads) {
            read = CoreDataBase{PersistenceController(StoreLocation{file, true})}.loadListData(
                ListStoreKind::stamp);
        }
        EXPECT_EQ(beside(), c.beside);
        EXPECT_EQ(read, c.stamps);
    }
}

// A backup put back in place of the store in any way a user or a tool does it (renamed over it,
// copied over it in place, removed and copied in) while no program runs keeps its rows, whatever
// the write-ahead versions of this program left beside the store: frames a full disk or another
// reader kept from being folded in are set aside and told, never read into the backup. A store's
// own frames, nothing put back, are folded in. A store made on a nearly full disk is made whole
// or not at all (told).
TEST(PersistenceController, ABackupPutBackInAnyWayKeepsItsRows) {
    enum class PutBack { nothing, rename, copyInPlace, removeAndCopy };
    struct Case {
        const char* name;
        std::optional<test::LeftFrames> frames;
        PutBack putBack;
        const char* stamps; // read at the next start
        bool toldSetAside;
        std::size_t roomToMake = 2 << 20; // bytes free when the store is made
    };
    using F = test::LeftFrames;
    const Case cases[] = {
        {"a reader's frames, nothing put back", F::heldReader, PutBack::nothing, "the frames'",
         false},
        {"a full disk's frames, nothing put back", F::fullDisk, PutBack::nothing, "the frames'",
         false},
        {"a full disk's frames, renamed over", F::fullDisk, PutBack::rename, "the backup's", true},
        {"a full disk's frames, copied over in place", F::fullDisk, PutBack::copyInPlace,
         "the backup's", true},
        {"a full disk's frames, removed and copied in", F::fullDisk, PutBack::removeAndCopy,
         "the backup's", true},
        {"a reader's frames, copied over in place", F::heldReader, PutBack::copyInPlace,
         "the backup's", true},
        {"a reader's frames, removed and copied in", F::heldReader, PutBack::removeAndCopy,
         "the backup's", true},
        {"no frames, copied over in place", std::nullopt, PutBack::copyInPlace, "the backup's",
         false},
        {"made with 80 KB free, renamed over", std::nullopt, PutBack::rename, "the backup's", false,
         80 << 10},
        {"made with 8 KB free, renamed over", std::nullopt, PutBack::rename, "the backup's", false,
         8 << 10},
    };
    TempDir backups;
    const std::filesystem::path backup = backups / "Backup.sqlite";
    CoreDataBase::setShared(
        std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{backup})));
    ASSERT_TRUE(FenDatabaseManager::saveTextPreset("Restored", {"r"}, TextSettings{}));
    ASSERT_TRUE(CoreDataBase::shared()->saveListData("the backup's", ListStoreKind::stamp));
    CoreDataBase::setShared(nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::SmallFileSystem disk(2 << 20);
        if (!disk.mounted()) {
            GTEST_SKIP() << disk.refusal();
        }
        const std::filesystem::path file = disk.path() / "FenmoorData.sqlite";
        ASSERT_TRUE(disk.fill(c.roomToMake));
        const std::string made = test::loggedBy([&] {
            CoreDataBase(PersistenceController(StoreLocation{file}))
                .saveListData("the store's", ListStoreKind::stamp);
        });
        EXPECT_EQ(made.empty(), c.roomToMake > (64 << 10)) << made;
        std::filesystem::remove(disk.path() / "filler");
        if (c.frames) {
            // Room for the frames of a 100 KB save, but not for the file to grow by them.
            ASSERT_TRUE(c.frames != F::fullDisk || disk.fill(200 << 10));
            ASSERT_TRUE(test::leaveWriteAheadFrames(
                file, "DBStampList",
                "the frames'" + std::string(c.frames == F::fullDisk ? 100000 : 0, ' '), *c.frames));
            std::filesystem::remove(disk.path() / "filler");
        }
        struct stat before {};
        ::stat(file.c_str(), &before);
        if (c.putBack == PutBack::rename) {
            std::filesystem::copy_file(backup, disk.path() / ".sync-backup");
            std::filesystem::rename(disk.path() / ".sync-backup", file);
        } else if (c.putBack == PutBack::copyInPlace) {
            test::writeFile(file, test::readFile(backup));
            struct stat after {};
            ::stat(file.c_str(), &after);
            ASSERT_EQ(after.st_ino, before.st_ino) << "cp keeps the inode number";
        } else if (c.putBack == PutBack::removeAndCopy) {
            std::filesystem::remove(file);
            test::writeFile(file, test::readFile(backup));
        }
        const auto brief = [](const std::optional<std::string>& text) {
            return text ? text->substr(0, text->find(' ', 4)) : std::string("<nothing>");
        };
        if (c.putBack != PutBack::nothing) {
            const test::CommandResult listed =
                test::runCli({"list-presets", "text", "--store", file.string()});
            EXPECT_EQ(listed.out, "Restored\n") << listed.err;
        }
        std::unique_ptr<CoreDataBase> next;
        const std::string told = test::loggedBy([&] {
            next = std::make_unique<CoreDataBase>(PersistenceController(StoreLocation{file}));
        });
        EXPECT_EQ(told.find("that journal was set aside as " + disk.path().string() +
                            "/FenmoorData.journal-of-a-replaced-store.sqlite-wal") !=
                      std::string::npos,
                  c.toldSetAside)
            << told;
        EXPECT_EQ(brief(next->loadListData(ListStoreKind::stamp)), brief(std::string(c.stamps)));
        EXPECT_TRUE(next->saveListData("after", ListStoreKind::pageNumber));
        next.reset();
        EXPECT_EQ(queryColumn(file, "PRAGMA integrity_check"), Names{"ok"});
        EXPECT_EQ(queryColumn(file, "PRAGMA journal_mode"), Names{"delete"});
        EXPECT_FALSE(std::filesystem::exists(file.string() + "-wal"));
        EXPECT_FALSE(std::filesystem::exists(file.string() + "-shm"));
        EXPECT_EQ(queryColumn(file, "SELECT data FROM DBPageNumberList"), Names{"after"});
    }
}

TEST(PersistenceController, ContainerFolderFollowsXdgThenHome) {
    TempDir dir;
    ScopedEnv home("HOME", dir.path().string());
    // The XDG base-directory rules ignore a relative value.
    for (std::optional<std::string> xdg :
         {std::optional<std::string>(), std::optional<std::string>("relative/data")}) {
        ScopedEnv scoped("XDG_DATA_HOME", xdg);
        EXPECT_EQ(PersistenceController::containerFolder(), dir / ".local/share/fenmoor");
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", (dir / "xdg").string());
        EXPECT_EQ(PersistenceController::containerFolder(), dir / "xdg/fenmoor");
    }
    ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
    PersistenceController controller;
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / ".local/share/fenmoor/FenmoorData.sqlite"));
}

// The library reports a missing container and leaves stopping to the application.
TEST(PersistenceController, ContainerThatCannotBeMadeIsReportedToTheCaller) {
    TempDir dir;
    test::writeFile(dir / "plain-file", "not a folder");
    {
        ScopedEnv xdg("XDG_DATA_HOME", (dir / "plain-file" / "data").string());
        EXPECT_FALSE(PersistenceController::appGroupStoreURL("FenmoorData"));
        std::string logged = test::loggedBy([] {
            CoreDataBase store{PersistenceController()};
            EXPECT_TRUE(store.persistenceController().containerMissing());
            EXPECT_EQ(store.persistenceController().container(), nullptr);
            EXPECT_FALSE(store.savePresetsData("{}", PresetStoreKind::text));
        });
        EXPECT_EQ(logged, "");
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
        ScopedEnv home("HOME", std::nullopt);
        PersistenceController reader(StoreLocation{{}, true});
        EXPECT_TRUE(reader.containerMissing());
        EXPECT_EQ(reader.container(), nullptr);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "plain-file" / "data"));
    EXPECT_FALSE(PersistenceController(StoreLocation{dir / "store.sqlite"}).containerMissing());
}

TEST(PersistenceController, ReadOnlyCreatesNothingAndNeverWrites) {
    TempDir dir;
    std::filesystem::path file = dir / "sub" / "store.sqlite";
    {
        CoreDataBase missing(PersistenceController(StoreLocation{file, true}));
        EXPECT_EQ(missing.persistenceController().container(), nullptr);
        EXPECT_FALSE(missing.loadPresetsData(PresetStoreKind::text));
        EXPECT_FALSE(missing.savePresetsData("{}", PresetStoreKind::text));
        EXPECT_FALSE(std::filesystem::exists(dir / "sub"));
    }
    ASSERT_TRUE(CoreDataBase{PersistenceController(StoreLocation{file})}.savePresetsData(
        "{\"a\":1}", PresetStoreKind::stamp));
    CoreDataBase reader{PersistenceController(StoreLocation{file, true})};
    EXPECT_FALSE(reader.savePresetsData("{}", PresetStoreKind::stamp));
    test::writeFile(dir / "picture.png", "\x89PNG bytes");
    EXPECT_FALSE(reader.saveImage(Url::fileURL(dir / "picture.png")));
    EXPECT_EQ(reader.loadPresetsData(PresetStoreKind::stamp), "{\"a\":1}");
}

TEST(PersistenceController, FileThatIsNoDatabaseIsReportedAndIgnored) {
    TempDir dir;
    std::filesystem::path file = dir / "FenmoorData.sqlite";
    test::writeFile(file, std::string(4096, 'x'));
    std::unique_ptr<CoreDataBase> store;
    std::string err = test::loggedBy([&] {
        store = std::make_unique<CoreDataBase>(PersistenceController(StoreLocation{file}));
    });
    EXPECT_NE(err.find("could not be opened"), std::string::npos) << err;
    EXPECT_EQ(store->persistenceController().container(), nullptr);
    EXPECT_FALSE(store->loadListData(ListStoreKind::stamp));
    EXPECT_FALSE(store->saveListData("{}", ListStoreKind::stamp));
    EXPECT_EQ(test::readFile(file), std::string(4096, 'x'));
}

} // namespace
} // namespace fen
