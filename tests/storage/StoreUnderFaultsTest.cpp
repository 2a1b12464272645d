// The store when another process holds it, when it cannot be written or read, and when its file
// is deleted under an open window: nothing is dropped in silence and nothing waits long on the
// thread that asks.
#include "StoreTestSupport.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/store/StoreError.h"
#include "platform/store/Transaction.h"
#include "storage/FenDatabaseManager.h"
#include "storage/MainSettingsDatabaseInterface.h"
#include "storage/StoreQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

namespace fen {
namespace {

using M = FenDatabaseManager;
using Clock = std::chrono::steady_clock;

std::vector<std::string> textPresetNames() {
    return test::pluck(M::listTextPresetItems(), &PresetItem::title);
}

// Another connection holding the whole store, as `sqlite3` does after BEGIN EXCLUSIVE.
class ExclusiveHolder {
public:
    explicit ExclusiveHolder(const std::filesystem::path& file)
        : db_(file, store::OpenMode::readWrite) {
        db_.exec("BEGIN EXCLUSIVE");
    }
    ~ExclusiveHolder() { release(); }
    void release() {
        if (held_) {
            db_.exec("ROLLBACK");
            held_ = false;
        }
    }

private:
    store::Database db_;
    bool held_ = true;
};

// A window's save listener and the failures it was told of.
struct Window {
    Window() {
        model->processorID = newUuidString();
        model->textConf = TextSettings{};
        model->listOfTextItems = {"Draft"};
        listener.model = model;
        listener.subscribe();
        failures = NotificationCenter::defaultCenter().addObserver(
            kPresetCouldNotBeSaved + *model->processorID, [this](const Notification& note) {
                std::lock_guard lock(mutex);
                if (const auto* failure = std::any_cast<PresetSaveFailure>(&note.object)) {
                    told.push_back(*failure);
                }
            });
    }
    void save(const std::string& name) const {
        postSavePresetRequest(PresetsList::text, name, *model->processorID);
    }
    std::vector<PresetSaveFailure> failuresSoFar() {
        std::lock_guard lock(mutex);
        return told;
    }
    std::shared_ptr<FenWatermarkModel> model = std::make_shared<FenWatermarkModel>();
    MainSettingsDatabaseInterface listener;
    ObserverToken failures;
    std::mutex mutex;
    std::vector<PresetSaveFailure> told;
};

bool settled() {
    return StoreQueue::shared().waitUntilIdle(std::chrono::seconds(20));
}

TEST(StoreUnderFaults, AStoreLockedAtStartIsOpenedWhenNextNeeded) {
    test::TempDir dir;
    const std::filesystem::path file = dir / "FenmoorData.sqlite";
    {
        // A store left in the rollback journal: while another process holds it, not even its
        // schema can be read.
        store::Database made(file, store::OpenMode::readWriteCreate);
        made.exec("CREATE TABLE Other (x)");
    }
    ExclusiveHolder holder(file);
    auto shared = std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{file}));
    ASSERT_EQ(shared->persistenceController().container(), nullptr) << "locked at start";
    EXPECT_EQ(shared->persistenceController().openError(), "database is locked");
    CoreDataBase::setShared(shared);
    holder.release();

    EXPECT_TRUE(M::saveTextPreset("After the lock", {"a"}, TextSettings{}));
    EXPECT_EQ(textPresetNames(), std::vector<std::string>{"After the lock"});
    CoreDataBase::setShared(nullptr);
}

TEST(StoreUnderFaults, ASaveUnderAnOutsideLockLeavesTheAskingThreadAtOnceAndIsToldOrStored) {
    test::ScopedStore s;
    Window w;
    // The asking thread is the GUI thread, which waits a frame or two at most.
    CoreDataBase::setThreadWritePatience(std::chrono::milliseconds(30));
    {
        // Held throughout: the save gives up and tells why.
        s.store().setWritePatience(std::chrono::milliseconds(300));
        ExclusiveHolder holder(s.file());
        const auto start = Clock::now();
        w.save("Refused");
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
        // A read gives up at once while the write waits for the lock (given the time to start
        // waiting).
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        const auto readStart = Clock::now();
        EXPECT_TRUE(textPresetNames().empty());
        EXPECT_LT(Clock::now() - readStart, std::chrono::milliseconds(100));
        ASSERT_TRUE(settled());
    }
    std::vector<PresetSaveFailure> told = w.failuresSoFar();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].name, "Refused");
    EXPECT_EQ(told[0].presetList, PresetsList::text);
    EXPECT_EQ(told[0].message(), "The preset “Refused” could not be saved: database is locked");
    EXPECT_TRUE(textPresetNames().empty());

    // Released while the save still tries: it is stored, and nothing is told.
    s.store().setWritePatience(std::chrono::seconds(15));
    {
        ExclusiveHolder holder(s.file());
        const auto start = Clock::now();
        w.save("Stored");
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    ASSERT_TRUE(settled());
    EXPECT_EQ(textPresetNames(), std::vector<std::string>{"Stored"});
    EXPECT_EQ(w.failuresSoFar().size(), 1u);
    CoreDataBase::setThreadWritePatience(std::nullopt);
}

TEST(StoreUnderFaults, ACorruptStoreTellsEverySaveAndIsReadAsEmpty) {
    test::TempDir dir;
    const std::filesystem::path file = dir / "FenmoorData.sqlite";
    test::writeFile(file, std::string(8192, 'x'));
    CoreDataBase::setShared(
        std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{file})));
    Window w;
    w.save("First");
    w.save("Second");
    ASSERT_TRUE(settled());
    std::vector<PresetSaveFailure> told = w.failuresSoFar();
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[1].message(), "The preset “Second” could not be saved: file is not a database");
    EXPECT_TRUE(textPresetNames().empty());
    EXPECT_EQ(test::readFile(file), std::string(8192, 'x')) << "the damaged file is left alone";
    CoreDataBase::setShared(nullptr);
}

TEST(StoreUnderFaults, AStoreInAReadOnlyFolderRefusesTheSaveWithAReason) {
    test::ScopedStore s;
    ASSERT_TRUE(M::saveTextPreset("Before", {"a"}, TextSettings{}));
    // A process of its own opens the store anew under the read-only mount (so the namespaces
    // can be had).
    const std::optional<std::string> told =
        test::inUnwritableFolder(test::WriteBarrier::readOnlyMount, s.dir().path(), [&s] {
            CoreDataBase::setShared(
                std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{s.file()})));
            CoreDataBase::clearLastFailure();
            return M::saveTextPreset("Refused", {"b"}, TextSettings{})
                       ? std::string("stored")
                       : "refused: " + CoreDataBase::lastFailure();
        });
    if (!told) {
        GTEST_SKIP() << "no user and mount namespaces here to make a folder read-only";
    }
    const std::string& answer = *told;
    EXPECT_TRUE(answer.starts_with("refused: ")) << answer;
    EXPECT_GT(answer.size(), std::string("refused: ").size()) << "a reason is given";
    EXPECT_EQ(textPresetNames(), std::vector<std::string>{"Before"});
}

TEST(StoreUnderFaults, AStoreDeletedUnderAnOpenWindowIsMadeAfreshBeforeTheNextWrite) {
    test::ScopedStore s;
    ASSERT_TRUE(M::saveTextPreset("Gone with the file", {"a"}, TextSettings{}));
    ASSERT_EQ(M::loadStampList().size(), 9u);
    M::addStampListEntry(newUuidString(), "Mine");
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::filesystem::remove(s.file().string() + suffix);
    }
    ASSERT_TRUE(M::saveTextPreset("Kept", {"b"}, TextSettings{}));
    ASSERT_TRUE(std::filesystem::exists(s.file()));
    EXPECT_EQ(s.count("DBTextPresets"), 1);
    EXPECT_EQ(textPresetNames(), std::vector<std::string>{"Kept"});
    // The lists start again from their defaults, as at a first start.
    EXPECT_EQ(M::loadStampList().size(), 9u);

    // A file put in its place (another copy restored) is the store from then on.
    test::TempDir other;
    { CoreDataBase elsewhere(PersistenceController(StoreLocation{other / "FenmoorData.sqlite"})); }
    std::filesystem::rename(other / "FenmoorData.sqlite", s.file());
    std::filesystem::remove(s.file().string() + "-wal");
    std::filesystem::remove(s.file().string() + "-shm");
    EXPECT_TRUE(textPresetNames().empty());
}

// A store put in place of the open one (a sync client, a backup restored), renamed over it, copied
// over it in place or removed and copied in: the replacement is read as it is, by the window and
// by the command line, never with anything of the file it replaced (a journal that another
// program killed midway through a save of it left included), and a later save is added to it.
TEST(StoreUnderFaults, AStoreRenamedOverTheOpenOneIsReadAsItIsAndAddedTo) {
    // How long another connection reads the old store, from after the window's last save on.
    enum class Reader { none, untilRenamed, untilQuit };
    enum class PutBack { rename, copyInPlace, removeAndCopy };
    struct Case {
        const char* name;
        // Presets stored by an earlier run that quit.
        int earlierRun;
        Reader reader;
        // Whether this run saved before the rename.
        bool saved = true;
        PutBack how = PutBack::rename;
        // Another program was killed midway through a save of the old store.
        bool killedSave = false;
    };
    const std::vector<Case> cases{
        {"a store made in this run", 0, Reader::none},
        {"a store made in this run, nothing saved", 0, Reader::none, false},
        {"a store an earlier run wrote and quit", 25, Reader::none},
        {"the old store read by another connection until the rename", 0, Reader::untilRenamed},
        {"the old store read by another connection until Quit", 0, Reader::untilQuit},
        {"copied over in place", 25, Reader::none, true, PutBack::copyInPlace},
        {"removed and copied in", 25, Reader::none, true, PutBack::removeAndCopy},
        {"a save killed midway, then renamed over", 0, Reader::none, true, PutBack::rename, true},
        {"a save killed midway, then copied over in place", 25, Reader::none, true,
         PutBack::copyInPlace, true},
        {"a save killed midway, then removed and copied in", 25, Reader::none, true,
         PutBack::removeAndCopy, true},
    };
    // A run of the window on `file`; the run before it has quit.
    const auto openWindowStore = [](const std::filesystem::path& file) {
        CoreDataBase::setShared(nullptr);
        CoreDataBase::setShared(
            std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{file})));
    };
    const auto integrity = [](const std::filesystem::path& file) {
        try {
            return test::queryColumn(file, "PRAGMA integrity_check");
        } catch (const store::StoreError& e) {
            return std::vector<std::string>{e.what()};
        }
    };
    const auto named = [](const std::string& stem, int count) {
        std::vector<std::string> names;
        for (int i = 1; i <= count; ++i) {
            names.push_back(stem + (i < 10 ? " 0" : " ") + std::to_string(i));
        }
        return names;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const std::filesystem::path file = dir / "FenmoorData.sqlite";
        const std::filesystem::path restored = dir / "Restored.sqlite";
        std::vector<std::string> expected = named("Restored", 40);
        openWindowStore(restored);
        for (const std::string& name : expected) {
            ASSERT_TRUE(M::saveTextPreset(name, {"r"}, TextSettings{}));
        }
        openWindowStore(file);
        for (const std::string& name : named("Earlier", c.earlierRun)) {
            ASSERT_TRUE(M::saveTextPreset(name, {"e"}, TextSettings{}));
        }
        if (c.earlierRun > 0) {
            openWindowStore(file);
        }
        if (c.saved) {
            ASSERT_TRUE(M::saveStampPreset("Mine", StampSettings{}));
        }
        if (c.killedSave) {
            ASSERT_TRUE(test::killMidSave(file, "DBTextPresets", test::textPresetsBlob("Killed")));
        }
        std::optional<store::Database> reader;
        if (c.reader != Reader::none) {
            reader.emplace(file, store::OpenMode::readOnly);
            reader->exec("BEGIN");
            reader->exec("SELECT count(*) FROM DBTextPresets");
        }

        if (c.how == PutBack::rename) {
            std::filesystem::rename(restored, file);
        } else {
            if (c.how == PutBack::removeAndCopy) {
                std::filesystem::remove(file);
            }
            test::writeFile(file, test::readFile(restored));
            std::filesystem::remove(restored);
        }
        if (c.reader == Reader::none) {
            std::string listing;
            for (const std::string& name : expected) {
                listing += name + "\n";
            }
            const test::CommandResult cli =
                test::runCli({"list-presets", "text", "--store", file.string()});
            EXPECT_EQ(cli.out, listing) << cli.err;
        }
        if (c.reader == Reader::untilRenamed) {
            reader.reset();
        }
        if (c.reader == Reader::untilQuit) {
            openWindowStore(file);
            reader.reset();
        }
        CoreDataBase::clearLastFailure();
        EXPECT_TRUE(M::saveTextPreset("After", {"a"}, TextSettings{}))
            << CoreDataBase::lastFailure();
        expected.push_back("After");
        EXPECT_EQ(textPresetNames(), expected);

        CoreDataBase::setShared(nullptr); // Quit
        EXPECT_FALSE(std::filesystem::exists(file.string() + "-wal")) << "no journal waits";
        EXPECT_FALSE(std::filesystem::exists(file.string() + "-journal")) << "no journal waits";
        EXPECT_FALSE(std::filesystem::exists(file.string() + "-shm")) << "no index waits";
        EXPECT_EQ(integrity(file), std::vector<std::string>{"ok"});
        CoreDataBase::setShared(
            std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{file, true})));
        EXPECT_EQ(textPresetNames(), expected) << "as the next run reads it";
        CoreDataBase::setShared(nullptr);
    }
}

} // namespace
} // namespace fen
