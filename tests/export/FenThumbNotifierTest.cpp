#include "export/FenThumbNotifier.h"

#include "platform/foundation/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "rendering/DrawingHelpers.h"

#include <gtest/gtest.h>

#include <any>
#include <memory>
#include <vector>

namespace fen {
namespace {

// A main queue that keeps posted tasks until the test runs them.
class HeldQueue : public MainQueue::Executor {
public:
    void post(MainQueue::Task task) override { tasks.push_back(std::move(task)); }
    void invokeAndWait(const MainQueue::Task& task) override { task(); }
    void runAll() {
        auto pending = std::move(tasks);
        tasks.clear();
        for (auto& task : pending) {
            task();
        }
    }
    std::vector<MainQueue::Task> tasks;
};

TEST(FenThumbNotifier, PostsLaterOnTheMainQueueInCallOrder) {
    auto queue = std::make_shared<HeldQueue>();
    auto previous = MainQueue::install(queue);

    std::vector<std::any> received;
    auto token = NotificationCenter::defaultCenter().addObserver(
        "StampImage_X", [&](const Notification& n) { received.push_back(n.object); });

    auto small = makeBitmapContext(3, 3)->makeImage();
    auto large = makeBitmapContext(8, 5)->makeImage();
    FenThumbNotifier::postThumbnail(small, "StampImage_X");
    FenThumbNotifier::postThumbnail(large, "StampImage_X");
    FenThumbNotifier::postThumbnail(gfx::Image{}, "StampImage_X");
    EXPECT_TRUE(received.empty()); // returns before anything is posted

    queue->runAll();
    MainQueue::install(previous);
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(std::any_cast<gfx::Image>(received[0]).width(), 3);
    EXPECT_EQ(std::any_cast<gfx::Image>(received[1]).width(), 8);
    // No picture: the name alone, so the preview clears.
    EXPECT_FALSE(received[2].has_value());
}

} // namespace
} // namespace fen
