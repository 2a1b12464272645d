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
    EXPECT_EQ(queryColumn(file, "PRAGMA journal_mode"), Names{"wal"});
}

// At rest the store is its file alone, from its making on, and once the command line has read it:
// no journal or journal index waits beside it, except a journal that holds changes (a program
// was killed before they were folded in) or one that another connection still uses.
TEST(PersistenceController, NoJournalWaitsBesideTheStoreAtRest) {
    enum class Before { nothing, crashAfterASave, anotherReader };
    struct Case {
        const char* name;
        Before before;
        bool commandLineReads;
        std::string beside; // the side files left, "-wal:SIZE -shm"
    };
    const Case cases[] = {
        {"made by the window, nothing saved", Before::nothing, false, ""},
        {"read by the command line", Before::nothing, true, ""},
        {"a journal holding changes, read by the command line", Before::crashAfterASave, true,
         "-wal:changes -shm"},
        {"read by the command line while another connection reads", Before::anotherReader, true,
         "-wal:0 -shm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::filesystem::path file = dir / "FenmoorData.sqlite";
        const auto beside = [&file] {
            std::string found;
            std::error_code ec;
            if (const auto size = std::filesystem::file_size(file.string() + "-wal", ec); !ec) {
                found = size == 0 ? "-wal:0" : "-wal:changes";
            }
            if (std::filesystem::exists(file.string() + "-shm")) {
                found += found.empty() ? "-shm" : " -shm";
            }
            return found;
        };
        CoreDataBase window{PersistenceController(StoreLocation{file})};
        std::optional<store::Database> reader;
        if (c.before == Before::crashAfterASave) {
            ASSERT_TRUE(test::saveThenCrash(file, [&] {
                return CoreDataBase(PersistenceController(StoreLocation{file}))
                    .savePresetsData("{}", PresetStoreKind::text);
            }));
        } else if (c.before == Before::anotherReader) {
            reader.emplace(file, store::OpenMode::readOnly);
            reader->exec("BEGIN");
            reader->exec("SELECT count(*) FROM DBTextPresets");
        }
        if (c.commandLineReads) {
            CoreDataBase commandLine{PersistenceController(StoreLocation{file, true})};
            commandLine.loadPresetsData(PresetStoreKind::text);
        }
        EXPECT_EQ(beside(), c.beside);
    }
}

// A store on a nearly full disk, then a backup moved over it (as a sync client does) while no
// program runs: the backup is read as it is. The store is made whole or not at all (told), so no
// frames of its making wait beside it; the frames of a later save that the disk had no room to
// fold in are marked as the replaced file's, and the next start sets them aside and tells it.
TEST(PersistenceController, NoFramesOfANearlyFullDiskAreTakenForARestoredBackupsOwn) {
    struct Case {
        const char* name;
        std::size_t room; // bytes left free on the data folder's file system
        bool laterSave;   // a save after the store was made, with that room left
        const char* toldFirst;
        const char* toldNext;
    };
    const Case cases[] = {
        {"made with 80 KB free", 80 << 10, false, "", ""},
        {"made with 100 KB free", 100 << 10, false, "", ""},
        {"made with 8 KB free", 8 << 10, false,
         "FenmoorData.sqlite could not be opened: database or disk is full", ""},
        {"a save with 160 KB free", 160 << 10, true, "",
         "that journal was set aside as DIR/FenmoorData.journal-of-a-replaced-store.sqlite-wal"},
    };
    TempDir backups;
    const std::filesystem::path backup = backups / "Backup.sqlite";
    CoreDataBase::setShared(
        std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{backup})));
    ASSERT_TRUE(FenDatabaseManager::saveTextPreset("Restored", {"r"}, TextSettings{}));
    ASSERT_TRUE(CoreDataBase::shared()->saveListData("the backup's stamps", ListStoreKind::stamp));
    const std::string texts =
        CoreDataBase::shared()->loadPresetsData(PresetStoreKind::text).value_or("");
    CoreDataBase::setShared(nullptr);
    // A stored text cut short, so that a failure does not print the 100 KB saved.
    const auto brief = [](const std::optional<std::string>& text) {
        return text ? text->substr(0, 40) : std::string("<nothing>");
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::SmallFileSystem disk(2 << 20);
        if (!disk.mounted()) {
            GTEST_SKIP() << disk.refusal();
        }
        const std::filesystem::path file = disk.path() / "FenmoorData.sqlite";
        // Whether `logged` says `expected`, or nothing when nothing is expected.
        const auto says = [&](const std::string& logged, std::string expected) {
            if (const auto at = expected.find("DIR"); at != std::string::npos) {
                expected.replace(at, 3, disk.path().string());
            }
            return expected.empty() ? logged.empty() : logged.find(expected) != std::string::npos;
        };
        if (c.laterSave) {
            CoreDataBase{PersistenceController(StoreLocation{file})};
        }
        ASSERT_TRUE(disk.fill(c.room));
        const std::string first = test::loggedBy([&] {
            CoreDataBase window{PersistenceController(StoreLocation{file})};
            if (c.laterSave) {
                EXPECT_TRUE(
                    window.savePresetsData(std::string(100000, 'x'), PresetStoreKind::text));
            }
        });
        EXPECT_TRUE(says(first, c.toldFirst)) << first;
        std::error_code noJournal;
        const auto journal = std::filesystem::file_size(file.string() + "-wal", noJournal);
        EXPECT_EQ(!noJournal && journal > 0, c.laterSave) << journal << " bytes of frames wait";
        if (!c.laterSave && c.toldFirst[0] == 0) {
            EXPECT_EQ(queryColumn(file, "SELECT count(*) FROM sqlite_master WHERE type = 'table'"),
                      Names{"8"});
        }
        // The sync client makes room, writes the backup beside the store and renames it over.
        std::filesystem::remove(disk.path() / "filler");
        std::filesystem::copy_file(backup, disk.path() / ".sync-backup");
        std::filesystem::rename(disk.path() / ".sync-backup", file);
        const test::CommandResult listed =
            test::runCli({"list-presets", "text", "--store", file.string()});
        EXPECT_EQ(listed.out, "Restored\n") << listed.err;
        std::unique_ptr<CoreDataBase> next;
        const std::string nextTold = test::loggedBy([&] {
            next = std::make_unique<CoreDataBase>(PersistenceController(StoreLocation{file}));
        });
        EXPECT_TRUE(says(nextTold, c.toldNext)) << nextTold;
        EXPECT_EQ(brief(next->loadListData(ListStoreKind::stamp)), "the backup's stamps");
        EXPECT_EQ(brief(next->loadPresetsData(PresetStoreKind::text)), brief(texts));
        EXPECT_TRUE(next->saveListData("after", ListStoreKind::pageNumber));
        next.reset();
        EXPECT_EQ(queryColumn(file, "PRAGMA integrity_check"), Names{"ok"});
        EXPECT_EQ(queryColumn(file, "SELECT substr(data, 1, 40) FROM DBTextPresets"),
                  Names{brief(texts)});
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
