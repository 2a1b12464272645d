// A store whose folder cannot be written (a read-only home, a mounted profile): its presets are
// read as the window's preset sheet lists them, a save is refused with a reason, and once the
// folder is writable again the store is read and written as any.
#include "StoreTestSupport.h"
#include "platform/store/RollbackJournal.h"
#include "storage/FenDatabaseManager.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

using M = FenDatabaseManager;
using test::WriteBarrier;

std::string joined(const std::vector<PresetItem>& items) {
    std::string out;
    for (const PresetItem& item : items) {
        out += (out.empty() ? "" : ",") + item.title;
    }
    return out;
}

// What the preset sheets of the window list: the text presets, then the stamp presets; <why>
// for presets that could not be read.
std::string sheets() {
    const auto shown = [](PresetStoreKind kind) {
        const M::StoredPresetItems read = M::readPresetItems(kind);
        return read.unreadable ? "<" + *read.unreadable + ">" : joined(read.items);
    };
    return shown(PresetStoreKind::text) + "; " + shown(PresetStoreKind::stamp);
}

std::string saveText(const std::string& name) {
    CoreDataBase::clearLastFailure();
    return M::saveTextPreset(name, {"a text"}, TextSettings{})
               ? "stored"
               : "refused: " + CoreDataBase::lastFailure();
}

std::shared_ptr<CoreDataBase> openWindowStore(const std::filesystem::path& file) {
    auto store = std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{file}));
    CoreDataBase::setShared(store);
    return store;
}

// A process that saves one text preset into the store when told to, and ends without closing it.
class AnotherProgram {
public:
    AnotherProgram(const std::filesystem::path& file, const std::string& name) {
        if (pipe(go_) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            close(go_[1]);
            char c;
            if (read(go_[0], &c, 1) != 1) {
                _exit(2);
            }
            openWindowStore(file);
            _exit(M::saveTextPreset(name, {"e"}, TextSettings{}) ? 0 : 1);
        }
        close(go_[0]);
    }
    ~AnotherProgram() { save(); }
    AnotherProgram(const AnotherProgram&) = delete;
    AnotherProgram& operator=(const AnotherProgram&) = delete;
    // Lets it save and waits for it to end; true when the preset was stored.
    bool save() {
        if (pid_ <= 0) {
            return false;
        }
        (void)!write(go_[1], "g", 1);
        close(go_[1]);
        int status = 0;
        const bool ended = waitpid(pid_, &status, 0) == pid_;
        pid_ = -1;
        return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    int go_[2] = {-1, -1};
    pid_t pid_ = -1;
};

// The store file in a folder of its own ("fenmoor" in a test folder, as in a home).
class UnwritableStore : public testing::TestWithParam<WriteBarrier> {
protected:
    ~UnwritableStore() override { CoreDataBase::setShared(nullptr); }

    // Stores text presets "First" and "Second" and the stamp preset "Stamp", then closes the
    // store as a program that quits does (its journal folded in and removed).
    void makeStore() {
        std::filesystem::create_directory(folder_);
        openWindowStore(file_);
        ASSERT_TRUE(M::saveTextPreset("First", {"a"}, TextSettings{}));
        ASSERT_TRUE(M::saveTextPreset("Second", {"b"}, TextSettings{}));
        ASSERT_TRUE(M::saveStampPreset("Stamp", StampSettings{}));
        CoreDataBase::setShared(nullptr);
        ASSERT_FALSE(std::filesystem::exists(journal())) << "closed with its journal folded in";
    }
    // Leaves "Third" in the journal, as a write-ahead version of the program killed after saving
    // it did.
    void crashAfterSavingThird() {
        ASSERT_TRUE(test::saveTextPresetThenCrashWithWriteAhead(file_, "Third"));
        ASSERT_TRUE(std::filesystem::exists(file_.string() + "-shm"));
    }
    std::optional<std::string> inUnwritableFolder(const std::function<std::string()>& work) {
        return test::inUnwritableFolder(GetParam(), folder_, work);
    }
    std::filesystem::path journal() const { return file_.string() + "-wal"; }

    // Where the user the permissions barrier becomes can reach it.
    test::TempDir dir_{test::TempDir::Reach::everyone};
    std::filesystem::path folder_ = dir_ / "fenmoor";
    std::filesystem::path file_ = folder_ / "FenmoorData.sqlite";
};

TEST_P(UnwritableStore, ItsPresetsAreListedAndASaveIsRefusedWithAReason) {
    constexpr const char* refused = "refused: attempt to write a readonly database";
    struct Case {
        const char* name;
        bool stored;
        bool crashed;
        bool indexKept;
        std::string listed;
        std::string saved;
        // What the opening logged, FILE standing for the store; nothing to check when empty.
        std::string told = {};
        // A save of this version killed midway, its rollback journal left.
        bool killedMidSave = false;
    };
    // Nothing is read around changes the store's journal keeps: the reason is told instead.
    const std::string unread = "changes wait in its journal FILE-wal, which cannot be read while "
                               "its folder cannot be written";
    const std::string waits =
        "an interrupted save waits to be rolled back from FILE-journal, and FILE cannot be written";
    const std::vector<Case> cases{
        {"closed by a program that quit", true, false, false, "First,Second; Stamp", refused},
        {"journal left by a crash, with its index", true, true, true, "First,Second,Third; Stamp",
         refused},
        // Without the journal's index the journal cannot be read without writing.
        {"journal left by a crash, without its index", true, true, false,
         "<" + unread + ">; <" + unread + ">", "refused: " + unread,
         "could not be opened: " + unread},
        {"no store yet", false, false, false, "; ", "refused: unable to open database file"},
        // Neither is anything read around a save cut short that cannot be rolled back here.
        {"a save killed midway", true, false, false, "<" + waits + ">; <" + waits + ">",
         "refused: " + waits, "could not be opened: " + waits, true},
    };
    const auto named = [this](std::string text) {
        for (auto at = text.find("FILE"); at != std::string::npos; at = text.find("FILE", at)) {
            text.replace(at, 4, file_.string());
        }
        return text;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(folder_);
        if (c.stored) {
            makeStore();
        } else {
            std::filesystem::create_directory(folder_);
        }
        if (c.crashed) {
            crashAfterSavingThird();
        }
        if (c.crashed && !c.indexKept) {
            std::filesystem::remove(file_.string() + "-shm");
        }
        if (c.killedMidSave) {
            ASSERT_TRUE(test::killMidSave(file_, "DBTextPresets", test::textPresetsBlob("Third")));
        }
        std::optional<std::string> seen = inUnwritableFolder([&] {
            std::string steps;
            const std::string logged = test::loggedBy([&] {
                openWindowStore(file_);
                std::string before = sheets();
                std::string saved = saveText("Refused");
                steps = before + " | " + saved + " | " + sheets();
            });
            return c.told.empty() || logged.find(named(c.told)) != std::string::npos
                       ? steps
                       : steps + " | not told: " + logged;
        });
        if (!seen) {
            GTEST_SKIP() << "this way of making a folder read-only is not available here";
        }
        EXPECT_EQ(*seen, named(c.listed + " | " + c.saved + " | " + c.listed));
    }
}

TEST_P(UnwritableStore, AFolderThatBecomesWritableIsReadAnewAndWritten) {
    for (bool crashed : {false, true}) {
        SCOPED_TRACE(crashed ? "opened read-only" : "opened as an unchanging file");
        std::filesystem::remove_all(folder_);
        makeStore();
        if (crashed) {
            crashAfterSavingThird();
        }
        const std::string stored = crashed ? "First,Second,Third" : "First,Second";
        std::optional<std::string> seen = inUnwritableFolder([&] {
            // Another program that writes the store once told to and is then killed: its preset
            // stays in the journal. Started before the window opens the store, as a program of
            // its own shares nothing of the window's connection.
            AnotherProgram other(file_, "Elsewhere");
            std::shared_ptr<CoreDataBase> window = openWindowStore(file_);
            std::string steps = sheets();
            if (!test::liftBarrier(GetParam(), folder_)) {
                return std::string("the folder stays read-only");
            }
            steps += other.save() ? " | stored" : " | not stored";
            steps += " | " + sheets();
            steps += " | " + saveText("Mine");
            steps += " | " + sheets();
            return steps;
        });
        if (!seen) {
            GTEST_SKIP() << "this way of making a folder read-only is not available here";
        }
        EXPECT_EQ(*seen, stored + "; Stamp | stored | " + stored + ",Elsewhere; Stamp | stored | " +
                             stored + ",Elsewhere,Mine; Stamp");
    }
}

TEST_P(UnwritableStore, AFileReplacedUnderAReadOnlyConnectionIsReadAnew) {
    makeStore();
    crashAfterSavingThird();
    std::optional<std::string> seen = inUnwritableFolder([&] {
        openWindowStore(file_);
        std::string steps = sheets();
        if (!test::liftBarrier(GetParam(), folder_)) {
            return std::string("the folder stays read-only");
        }
        // Another copy is restored in its place, without a journal.
        const std::filesystem::path copy = folder_ / "Restored.sqlite";
        {
            auto restored =
                std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{copy}));
            std::shared_ptr<CoreDataBase> window = CoreDataBase::shared();
            CoreDataBase::setShared(restored);
            M::saveTextPreset("Restored", {"r"}, TextSettings{});
            CoreDataBase::setShared(window);
        }
        std::filesystem::rename(copy, file_);
        std::filesystem::remove(journal());
        std::filesystem::remove(file_.string() + "-shm");
        return steps + " | " + sheets();
    });
    if (!seen) {
        GTEST_SKIP() << "this way of making a folder read-only is not available here";
    }
    EXPECT_EQ(*seen, "First,Second,Third; Stamp | Restored; ");
}

INSTANTIATE_TEST_SUITE_P(Barriers, UnwritableStore,
                         testing::Values(WriteBarrier::permissions, WriteBarrier::readOnlyMount),
                         test::barrierName);

// A store whose file was read-only at one start (mode 0444) and is made writable again: the next
// start saves. A write-ahead store read at that start (by this version or an earlier one) kept
// its journal index with the file's mode then, which a connection that may write cannot use: an
// index of the user's own takes the file's mode again, and one of another user's is the reason
// told, instead of "attempt to write a readonly database".
TEST(UnwritableStore, AStoreMadeWritableAgainAfterAReadOnlyStartIsWritten) {
    enum class Index { none, leftReadOnly, anotherUsers };
    struct Case {
        const char* name;
        Index index;
        std::string next; // the next start: its save, then what is left beside the store
    };
    const Case cases[] = {
        {"a store in the rollback journal", Index::none, "stored; beside:"},
        {"a write-ahead store, its index left at 0444", Index::leftReadOnly, "stored; beside:"},
        {"a write-ahead store, its index another user's", Index::anotherUsers,
         "refused: its journal index FILE-shm cannot be written; beside: -shm -wal"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.index == Index::anotherUsers && ::geteuid() != 0) {
            continue; // only root leaves a file of another user
        }
        test::TempDir work(test::TempDir::Reach::everyone);
        std::filesystem::permissions(work.path(), std::filesystem::perms::all);
        const std::filesystem::path file = work / "FenmoorData.sqlite";
        const auto beside = [&file] {
            std::string found = "; beside:";
            for (const char* suffix : {"-journal", "-shm", "-wal"}) {
                found += std::filesystem::exists(file.string() + suffix) ? std::string(" ") + suffix
                                                                         : "";
            }
            return found;
        };
        // Made by the user, and read at a start while the file is 0444.
        const std::optional<std::string> first = test::inUnprivilegedChild([&] {
            openWindowStore(file);
            M::saveTextPreset("First", {"a"}, TextSettings{});
            CoreDataBase::setShared(nullptr);
            if (c.index != Index::none) {
                store::Database(file, store::OpenMode::readWrite).exec("PRAGMA journal_mode=wal");
            }
            std::filesystem::permissions(file, std::filesystem::perms::owner_read |
                                                   std::filesystem::perms::group_read |
                                                   std::filesystem::perms::others_read);
            openWindowStore(file);
            std::string steps = sheets() + " | " + saveText("Refused");
            CoreDataBase::setShared(nullptr);
            return steps + beside();
        });
        ASSERT_TRUE(first);
        EXPECT_EQ(*first,
                  "First;  | refused: attempt to write a readonly database" +
                      std::string(c.index == Index::none ? "; beside:" : "; beside: -shm -wal"));
        if (c.index == Index::anotherUsers) {
            // Owned by a user of a shared folder (root's own would be given to the file's owner).
            for (const char* suffix : {"-shm", "-wal"}) {
                const std::string side = file.string() + suffix;
                ASSERT_EQ(::chown(side.c_str(), 1, 1), 0);
                ::chmod(side.c_str(), 0644);
            }
        }
        // The user makes the file writable again.
        std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
        const std::optional<std::string> next = test::inUnprivilegedChild([&] {
            openWindowStore(file);
            std::string steps = saveText("Second");
            CoreDataBase::setShared(nullptr);
            return steps + beside();
        });
        ASSERT_TRUE(next);
        std::string expected = c.next;
        if (const auto at = expected.find("FILE"); at != std::string::npos) {
            expected.replace(at, 4, file.string());
        }
        EXPECT_EQ(*next, expected);
    }
}

// A store opened as an unchanging file, or read by the journal's judge, is named by a URI: no
// character of its path may be taken for one of the URI's own.
TEST(UnwritableStore, AnUnchangingFileIsOpenedWhateverItsPath) {
    test::TempDir dir;
    for (const char* name :
         {"plain", "a?b", "c#d", "e%41f", "g h", "i&immutable=0", "caf\xc3\xa9", "file:j"}) {
        SCOPED_TRACE(name);
        const std::filesystem::path file = dir / name / "FenmoorData.sqlite";
        { CoreDataBase made(PersistenceController(StoreLocation{file})); }
        store::Database db(file, store::OpenMode::immutable);
        EXPECT_TRUE(db.hasTable("DBTextPresets"));
        EXPECT_TRUE(db.readOnly());
        // The journal's judge reads the file's header through the same kind of URI.
        EXPECT_EQ(store::RollbackJournal::fileHead(file, 16), std::string("SQLite format 3\0", 16));
        // A relative path, and one that starts with two slashes, name the same file.
        const std::filesystem::path relative = std::filesystem::relative(file);
        EXPECT_TRUE(store::Database(relative, store::OpenMode::immutable).hasTable("DBStampList"));
        EXPECT_TRUE(store::Database("/" + file.string(), store::OpenMode::immutable)
                        .hasTable("DBStampList"));
    }
    // A relative path that begins as a URI would ("file:") names that file in every mode.
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    for (const store::OpenMode mode :
         {store::OpenMode::readOnly, store::OpenMode::readWrite, store::OpenMode::immutable}) {
        EXPECT_TRUE(store::Database("file:j/FenmoorData.sqlite", mode).hasTable("DBTextPresets"));
    }
    std::filesystem::current_path(here);
}

} // namespace
} // namespace fen
