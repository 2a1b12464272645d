// The store's queue under a quit: it tells which presets still wait, drops what the user quits
// without, and ends within its bound, naming every preset it did not store; nothing of it runs
// once it has ended.
#include "storage/StoreQueue.h"

#include "StoreTestSupport.h"
#include "platform/store/Database.h"
#include "storage/FenDatabaseManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace fen {
namespace {

using namespace std::chrono_literals;
using Names = std::vector<std::string>;

// Holds the store's thread inside a save until opened.
class Gate {
public:
    StoreQueue::Save save(bool stored = true) {
        return [this, stored] {
            entered_.set_value();
            opened_.wait();
            return stored;
        };
    }
    void waitEntered() { entered_.get_future().wait(); }
    void open() { opening_.set_value(); }

private:
    std::promise<void> entered_;
    std::promise<void> opening_;
    std::shared_future<void> opened_ = opening_.get_future().share();
};

TEST(StoreQueue, TellsTheWaitingPresetsAndDropsOnlyThoseNotStarted) {
    StoreQueue queue;
    Gate gate;
    std::atomic<int> changes = 0;
    const Connection told = queue.savesChanged.connect([&changes] { ++changes; });
    std::atomic<int> ran = 0;
    queue.postSave("Quarterly", gate.save());
    gate.waitEntered();
    queue.postSave("Yearly", [&ran] { return ++ran, true; });
    queue.post([&ran] { ++ran; }); // a delete: never counted among the presets
    queue.postSave("Weekly", [&ran] { return ++ran, true; });
    EXPECT_EQ(queue.waitingSaves(), (Names{"Quarterly", "Yearly", "Weekly"}));

    EXPECT_EQ(queue.dropWaitingSaves(), (Names{"Yearly", "Weekly"}));
    EXPECT_EQ(queue.waitingSaves(), (Names{"Quarterly"})) << "the running save goes on";
    gate.open();
    ASSERT_TRUE(queue.waitUntilIdle(10s));
    EXPECT_EQ(ran, 1) << "the delete still ran";
    EXPECT_TRUE(queue.waitingSaves().empty());
    EXPECT_EQ(queue.finish(0ms), Names{});
    EXPECT_EQ(changes, 1) << "told once, when the running save ended";
}

TEST(StoreQueue, FinishingNamesEveryPresetNotStoredAndRunsNothingAfterwards) {
    StoreQueue queue;
    Gate gate;
    std::atomic<int> ranAfterBound = 0;
    queue.postSave("Running and failing", gate.save(false));
    gate.waitEntered();
    queue.postSave("Queued", [&ranAfterBound] { return ++ranAfterBound, true; });
    // A change of a list is no preset, but left over it is named all the same.
    queue.postChange("a change of the stamp texts",
                     [&ranAfterBound] { return ++ranAfterBound, true; });
    std::vector<std::string> lines;
    const log::Handler previous =
        log::setHandler([&lines](log::Level, std::string_view text) { lines.emplace_back(text); });
    auto finished = std::async(std::launch::async, [&queue] { return queue.finish(0ms); });
    while (!queue.isFinishing()) {
        std::this_thread::yield();
    }
    // The running save keeps its own patience: finish waits for it, then drops the rest.
    EXPECT_EQ(finished.wait_for(0ms), std::future_status::timeout);
    gate.open();
    EXPECT_EQ(finished.get(), (Names{"Running and failing", "Queued"}));
    EXPECT_EQ(queue.failedSaves(), 1u);
    EXPECT_EQ(ranAfterBound, 0);
    EXPECT_EQ(lines, Names{"a change of the stamp texts was not stored: the program is ending"});

    // Handed over once the queue has ended: refused and named, never run.
    lines.clear();
    queue.postSave("Too late", [&ranAfterBound] { return ++ranAfterBound, true; });
    queue.postChange("a preset delete", [&ranAfterBound] { return ++ranAfterBound, true; });
    log::setHandler(previous);
    EXPECT_EQ(ranAfterBound, 0);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("\"Too late\""), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1], "a preset delete was not stored: the program is ending");
    EXPECT_TRUE(queue.waitingSaves().empty());
}

TEST(StoreQueue, AFinishingQueueGivesABusyStoreNoMoreThanItsBound) {
    test::ScopedStore store;
    store.store().setWritePatience(60s);
    ASSERT_TRUE(FenDatabaseManager::listTextPresetItems().empty());
    StoreQueue queue;
    Gate gate;
    queue.post([&gate] { gate.save()(); });
    gate.waitEntered();
    // A change that fails within the bound is named, as its notice cannot be shown any more.
    queue.postChange("a change of the stamp texts",
                     [] { return FenDatabaseManager::addStampListEntry("NEW", "Void"); });
    queue.postSave("Kept", [] { return FenDatabaseManager::saveTextPreset("Kept", {}, {}); });
    {
        store::Database holder(store.file(), store::OpenMode::readWrite);
        holder.exec("BEGIN EXCLUSIVE");
        const std::string lines = test::loggedBy([&queue, &gate] {
            auto finished =
                std::async(std::launch::async, [&queue] { return queue.finish(300ms); });
            while (!queue.isFinishing()) {
                std::this_thread::yield();
            }
            gate.open();
            // Within the bound, not the store's minute of patience.
            ASSERT_EQ(finished.wait_for(20s), std::future_status::ready);
            EXPECT_EQ(finished.get(), (Names{"Kept"}));
        });
        EXPECT_NE(lines.find("a change of the stamp texts was not stored: the program is ending"),
                  std::string::npos)
            << lines;
        holder.exec("ROLLBACK");
    }
    EXPECT_TRUE(FenDatabaseManager::listTextPresetItems().empty());
}

} // namespace
} // namespace fen
