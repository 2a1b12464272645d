#include "storage/PersistenceController.h"

#include "StoreTestSupport.h"
#include "platform/store/Database.h"
#include "storage/CoreDataBase.h"
#include "storage/FenDatabaseManager.h"
#include "support/SmallFileSystem.h"
#include "support/Unprivileged.h"

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
// command line, which only reads, leaves it as it is. What a save of this version killed midway
// left is never read around: the next opening that may write, the window's or the command line's,
// rolls it back (a save killed before it changed the file leaves a journal that goes then too);
// where the store or its journal cannot be written, nothing is read, and the reason says that an
// interrupted save waits. A journal's path that holds no regular file is never opened: the store is
// read as it is and not written, and that is told at once with the reason.
TEST(PersistenceController, NoJournalWaitsBesideTheStoreAtRest) {
    enum class Left {
        nothing,
        writeAheadFrames,
        killedMidSave,
        killedBeforeItChanged,
        anotherProgramKilled,
        pipe,
        link
    };
    struct Case {
        const char* name;
        Left left;
        bool windowOpens;
        bool commandLineReads;
        std::string beside; // the side files left, "-wal:SIZE -shm"
        std::string stamps; // the stamp list the last reader read, or <why it could not>
        mode_t storeMode = 0644;
        mode_t journalMode = 0644;
        // The window's save of another list: "stored", or <why not>.
        std::string saved = "stored";
        // What the openings logged includes this; nothing at all is logged when it is empty.
        std::string told = {};
        // The store's folder read-only (the store file writable) while the window runs.
        bool folderReadOnly = false;
        // Whether the window saves after it read.
        bool windowSaves = true;
    };
    // DIR stands for the store's folder.
    const std::string waits = "an interrupted save waits to be rolled back from "
                              "DIR/FenmoorData.sqlite-journal, and ";
    const std::string storeWaits = "<" + waits + "DIR/FenmoorData.sqlite cannot be written>";
    const std::string journalWaits = "<" + waits + "its journal cannot be written>";
    const std::string folderWaits = "<" + waits + "its folder DIR cannot be written>";
    const Case cases[] = {
        {"made by the window, nothing saved", Left::nothing, true, false, "", "the store's"},
        {"read by the command line", Left::nothing, true, true, "", "the store's"},
        {"frames of a killed write-ahead program, read by the command line", Left::writeAheadFrames,
         false, true, "-wal:changes -shm", "the frames'"},
        {"frames of a killed write-ahead program, opened by the window", Left::writeAheadFrames,
         true, true, "", "the frames'"},
        {"a save killed midway, opened by the window", Left::killedMidSave, true, false, "",
         "the store's"},
        {"a save killed midway, read by the command line", Left::killedMidSave, false, true, "",
         "the store's"},
        // sqlite3 or an earlier version, whose journal holds no page 1.
        {"another program's save killed midway, opened by the window", Left::anotherProgramKilled,
         true, false, "", "the store's"},
        {"another program's save killed midway, read by the command line",
         Left::anotherProgramKilled, false, true, "", "the store's"},
        {"another program's save killed midway, the store read-only, read by the command line",
         Left::anotherProgramKilled, false, true, "-journal:changes", storeWaits, 0444, 0644,
         "stored", "could not be opened: " + waits},
        {"a save killed midway, the store read-only, opened by the window", Left::killedMidSave,
         true, false, "-journal:changes", storeWaits, 0444, 0644, storeWaits,
         "could not be opened: " + waits},
        {"a save killed midway, the store read-only, read by the command line", Left::killedMidSave,
         false, true, "-journal:changes", storeWaits, 0444, 0644, "stored",
         "could not be opened: " + waits},
        {"a save killed midway, its journal read-only, opened by the window", Left::killedMidSave,
         true, false, "-journal:changes", journalWaits, 0644, 0444, journalWaits,
         "could not be opened: " + waits},
        {"a save killed midway, its folder read-only, opened by the window", Left::killedMidSave,
         true, false, "-journal:changes", folderWaits, 0644, 0644, folderWaits,
         "could not be opened: " + waits, true},
        {"frames of a killed write-ahead program, its folder read-only, opened by the window",
         Left::writeAheadFrames, true, true, "-wal:changes -shm", "the frames'", 0644, 0644,
         "<its folder DIR cannot be written>",
         "cannot be written (its folder DIR cannot be written); it is only read", true},
        {"a save killed before it changed the file, opened by the window",
         Left::killedBeforeItChanged, true, false, "", "the store's", 0644, 0644, "not saved", "",
         false, false},
        {"a save killed before it changed the file, its journal read-only, opened by the window",
         Left::killedBeforeItChanged, true, false, "-journal:changes", "the store's", 0644, 0444,
         "<its journal DIR/FenmoorData.sqlite-journal cannot be written>",
         "cannot be written (its journal DIR/FenmoorData.sqlite-journal cannot be written); it is "
         "only read"},
        {"a save killed before it changed the file, read by the command line",
         Left::killedBeforeItChanged, false, true, "-journal:changes", "the store's"},
        {"a named pipe at the journal's path, opened by the window", Left::pipe, true, true,
         "-journal:pipe", "the store's", 0644, 0644,
         "<its journal DIR/FenmoorData.sqlite-journal is a named pipe>",
         "cannot be written (its journal DIR/FenmoorData.sqlite-journal is a named pipe); it is "
         "only read"},
        {"a named pipe at the journal's path, read by the command line", Left::pipe, false, true,
         "-journal:pipe", "the store's", 0644, 0644, "stored",
         "is read as it is: its journal DIR/FenmoorData.sqlite-journal is a named pipe"},
        {"a link at the journal's path, opened by the window", Left::link, true, false,
         "-journal:link", "the store's", 0644, 0644,
         "<its journal DIR/FenmoorData.sqlite-journal is a symbolic link>",
         "cannot be written (its journal DIR/FenmoorData.sqlite-journal is a symbolic link); it "
         "is only read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // As a user whom a file's mode binds, as root is not.
        const std::optional<std::string> seen = test::inUnprivilegedChild([&c]() -> std::string {
            ::alarm(60); // an opening that waits on the pipe ends the row
            TempDir dir(TempDir::Reach::everyone);
            const std::filesystem::path file = dir / "FenmoorData.sqlite";
            const std::string journal = file.string() + "-journal";
            const auto beside = [&file] {
                namespace fs = std::filesystem;
                std::string found;
                std::error_code ec;
                for (const char* suffix : {"-wal", "-journal"}) {
                    const std::string side = file.string() + suffix;
                    const fs::file_type type = fs::symlink_status(side, ec).type();
                    if (type == fs::file_type::fifo || type == fs::file_type::symlink) {
                        found +=
                            suffix + std::string(type == fs::file_type::fifo ? ":pipe" : ":link");
                    } else if (const auto size = fs::file_size(side, ec); !ec) {
                        found += std::string(suffix) + (size == 0 ? ":0" : ":changes");
                    }
                }
                if (fs::exists(file.string() + "-shm")) {
                    found += found.empty() ? "-shm" : " -shm";
                }
                return found;
            };
            const auto stamps = [](CoreDataBase& store) {
                CoreDataBase::clearLastFailure();
                const std::optional<std::string> read = store.loadListData(ListStoreKind::stamp);
                return read ? *read : "<" + CoreDataBase::lastFailure() + ">";
            };
            if (!CoreDataBase{PersistenceController(StoreLocation{file})}.saveListData(
                    "the store's", ListStoreKind::stamp)) {
                return "the store could not be made";
            }
            bool left = true;
            switch (c.left) {
            case Left::nothing:
                break;
            case Left::writeAheadFrames:
                left = test::leaveWriteAheadFrames(file, "DBStampList", "the frames'",
                                                   test::LeftFrames::killed);
                break;
            case Left::killedMidSave:
            case Left::killedBeforeItChanged:
                left = test::killMidSave(file, "DBStampList", "the killed save's",
                                         c.left == Left::killedMidSave);
                break;
            case Left::anotherProgramKilled:
                left = test::killAnotherProgramMidSave(file, "DBStampList", "the other's");
                break;
            case Left::pipe:
                left = ::mkfifo(journal.c_str(), 0600) == 0;
                break;
            case Left::link:
                left = ::symlink((dir / "elsewhere").c_str(), journal.c_str()) == 0;
                break;
            }
            if (!left) {
                return "nothing was left beside the store";
            }
            ::chmod(file.c_str(), c.storeMode);
            ::chmod(journal.c_str(), c.journalMode);
            std::string read = "<not read>";
            std::string saved = "stored";
            const std::string told = test::loggedBy([&] {
                if (c.windowOpens) {
                    ::chmod(dir.path().c_str(), c.folderReadOnly ? 0555 : 0755);
                    CoreDataBase window{PersistenceController(StoreLocation{file})};
                    read = stamps(window);
                    CoreDataBase::clearLastFailure();
                    if (!c.windowSaves) {
                        saved = "not saved";
                    } else if (!window.saveListData("after", ListStoreKind::pageNumber)) {
                        saved = "<" + CoreDataBase::lastFailure() + ">";
                    }
                    // Another opening of the same run.
                    stamps(window);
                    ::chmod(dir.path().c_str(), 0755);
                }
                if (c.commandLineReads) {
                    CoreDataBase commandLine{PersistenceController(StoreLocation{file, true})};
                    read = stamps(commandLine);
                }
            });
            std::string all = beside() + " | " + read + " | " + saved + " | " + told;
            for (auto at = all.find(dir.path().string()); at != std::string::npos;
                 at = all.find(dir.path().string(), at)) {
                all.replace(at, dir.path().string().size(), "DIR");
            }
            return all;
        });
        if (!seen) {
            ADD_FAILURE() << "the row did not end";
            continue;
        }
        const std::string expected = c.beside + " | " + c.stamps + " | " + c.saved + " | ";
        EXPECT_EQ(seen->substr(0, std::min(seen->size(), expected.size())), expected);
        const std::string told = seen->substr(std::min(seen->size(), expected.size()));
        if (c.told.empty()) {
            EXPECT_EQ(told, "");
        } else {
            EXPECT_NE(told.find(c.told), std::string::npos) << told;
        }
        EXPECT_EQ(told.find("replaced"), std::string::npos) << "nothing was put in its place";
    }
}

// A backup put back in place of the store in any way a user or a tool does it (renamed over it,
// copied over it in place, removed and copied in, extracted from an archive) while no program
// runs keeps its rows, whatever was left beside the store: frames of the write-ahead versions of
// this program that a full disk or another reader kept from being folded in, or the journal of a
// save killed midway, are set aside and told, never read or rolled into the backup. A store's own
// frames, nothing put back, are folded in, and its own journal rolled back. A store made on a
// nearly full disk is made whole or not at all (told); one the write-ahead versions closed
// cleanly is read on a full disk, though nothing can be saved there.
TEST(PersistenceController, ABackupPutBackInAnyWayKeepsItsRows) {
    enum class PutBack { nothing, rename, copyInPlace, removeAndCopy, archive };
    struct Case {
        const char* name;
        std::optional<test::LeftFrames> frames;
        PutBack putBack;
        const char* stamps; // read at the next start
        bool toldSetAside;
        std::size_t roomToMake = 2 << 20; // bytes free when the store is made
        // A save of the stamp list killed midway, its pages spilled into the file.
        bool killedMidSave = false;
        // The store left in write-ahead mode by a program that closed it, the disk full at the
        // next start.
        bool writeAheadOnAFullDisk = false;
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
        {"a save killed midway, nothing put back", std::nullopt, PutBack::nothing, "the store's",
         false, 2 << 20, true},
        {"a save killed midway, renamed over", std::nullopt, PutBack::rename, "the backup's", true,
         2 << 20, true},
        {"a save killed midway, copied over in place", std::nullopt, PutBack::copyInPlace,
         "the backup's", true, 2 << 20, true},
        {"a save killed midway, removed and copied in", std::nullopt, PutBack::removeAndCopy,
         "the backup's", true, 2 << 20, true},
        {"a save killed midway, extracted from an archive", std::nullopt, PutBack::archive,
         "the backup's", true, 2 << 20, true},
        {"closed cleanly in write-ahead mode, the disk full", std::nullopt, PutBack::nothing,
         "the store's", false, 2 << 20, false, true},
    };
    TempDir backups;
    const std::filesystem::path backup = backups / "Backup.sqlite";
    CoreDataBase::setShared(
        std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{backup})));
    ASSERT_TRUE(FenDatabaseManager::saveTextPreset("Restored", {"r"}, TextSettings{}));
    ASSERT_TRUE(CoreDataBase::shared()->saveListData("the backup's", ListStoreKind::stamp));
    CoreDataBase::setShared(nullptr);
    const std::filesystem::path archive = backups / "backup.tar";
    ASSERT_EQ(test::runCommand({"tar", "-cf", archive.string(), "-C", backups.path().string(),
                                "--transform", "s/Backup/FenmoorData/", "Backup.sqlite"})
                  .exitCode,
              0);
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
        if (c.killedMidSave) {
            ASSERT_TRUE(test::killMidSave(file, "DBStampList", "the killed save's"));
        }
        if (c.writeAheadOnAFullDisk) {
            store::Database(file, store::OpenMode::readWrite).exec("PRAGMA journal_mode=wal");
            ASSERT_FALSE(std::filesystem::exists(file.string() + "-wal")) << "closed cleanly";
            ASSERT_TRUE(disk.fill());
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
        } else if (c.putBack == PutBack::archive) {
            ASSERT_EQ(test::runCommand({"tar", "-xf", archive.string(), "-C", disk.path().string()})
                          .exitCode,
                      0);
        }
        const auto brief = [](const std::optional<std::string>& text) {
            return text ? text->substr(0, text->find(' ', 4)) : std::string("<nothing>");
        };
        if (c.putBack != PutBack::nothing || c.writeAheadOnAFullDisk) {
            const test::CommandResult listed =
                test::runCli({"list-presets", "text", "--store", file.string()});
            EXPECT_EQ(listed.exitCode, 0) << listed.err;
            EXPECT_EQ(listed.out, c.putBack != PutBack::nothing ? "Restored\n" : "");
        }
        std::unique_ptr<CoreDataBase> next;
        const std::string told = test::loggedBy([&] {
            next = std::make_unique<CoreDataBase>(PersistenceController(StoreLocation{file}));
        });
        const std::string aside = "/FenmoorData.journal-of-a-replaced-store.sqlite-" +
                                  std::string(c.killedMidSave ? "journal" : "wal");
        EXPECT_EQ(told.find("that journal was set aside as " + disk.path().string() + aside) !=
                      std::string::npos,
                  c.toldSetAside)
            << told;
        EXPECT_EQ(std::filesystem::exists(disk.path().string() + aside), c.toldSetAside);
        EXPECT_EQ(brief(next->loadListData(ListStoreKind::stamp)), brief(std::string(c.stamps)));
        EXPECT_NE(next->saveListData("after", ListStoreKind::pageNumber), c.writeAheadOnAFullDisk);
        next.reset();
        if (c.writeAheadOnAFullDisk) {
            std::filesystem::remove(disk.path() / "filler");
            EXPECT_TRUE(CoreDataBase(PersistenceController(StoreLocation{file}))
                            .saveListData("after", ListStoreKind::pageNumber));
        }
        EXPECT_FALSE(std::filesystem::exists(file.string() + "-journal"));
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
