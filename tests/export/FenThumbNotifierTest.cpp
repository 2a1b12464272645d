#include "export/FenThumbNotifier.h"

#include "platform/foundation/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "rendering/DrawingHelpers.h"
#include "rendering/FenObjectHolder.h"
#include "support/WatermarkFixtures.h"

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

// Collects what arrives under one name.
struct Received {
    explicit Received(const std::string& name)
        : token(NotificationCenter::defaultCenter().addObserver(
              name, [this](const Notification& n) { objects.push_back(n.object); })) {}
    std::vector<std::any> objects;
    ObserverToken token;
};

TEST(FenThumbNotifier, AnAttachedHolderPostsItsThumbnailsUnderTheDocumentsNames) {
    auto model = std::make_shared<FenWatermarkModel>();
    model->processorID = "7D5C0B1E-2F3A-4B5C-8D9E-0A1B2C3D4E5F";
    FenObjectHolder holder;
    holder.model = model;
    FenThumbNotifier::attach(holder);
    Received other("OtherImage_7D5C0B1E-2F3A-4B5C-8D9E-0A1B2C3D4E5F");
    Received stamp("StampImage_7D5C0B1E-2F3A-4B5C-8D9E-0A1B2C3D4E5F");
    Received image("ImageImage_7D5C0B1E-2F3A-4B5C-8D9E-0A1B2C3D4E5F");
    Received otherDocument("OtherImage_00000000-0000-4000-8000-000000000000");
    holder.refreshOtherObject(
        test::pageNumberSettings("#currentPage/#totalPages", Positions::topleft, 1, 20, 1));
    ASSERT_EQ(other.objects.size(), 1u);
    auto* posted = std::any_cast<gfx::Image>(&other.objects[0]);
    ASSERT_NE(posted, nullptr);
    EXPECT_EQ(posted->width(), holder.othePagenumberImage.width());
    EXPECT_EQ(posted->cairoSurface(), holder.othePagenumberImage.cairoSurface());
    // No picture: the name is posted with no object, so the preview clears.
    holder.refreshStampObject(std::nullopt);
    holder.refreshImageObject(std::nullopt);
    ASSERT_EQ(stamp.objects.size(), 1u);
    EXPECT_FALSE(stamp.objects[0].has_value());
    ASSERT_EQ(image.objects.size(), 1u);
    EXPECT_FALSE(image.objects[0].has_value());
    EXPECT_TRUE(otherDocument.objects.empty());
    // Without an identifier the bare base is the name.
    Received bare("OtherImage_");
    model->processorID.reset();
    holder.refreshOtherObject(std::nullopt);
    EXPECT_EQ(bare.objects.size(), 1u);
    // With the model gone the holder still updates but posts nothing.
    model.reset();
    holder.refreshOtherObject(
        test::pageNumberSettings("#currentPage", Positions::topleft, 1, 2, 1));
    EXPECT_FALSE(holder.othePagenumberImage.isNull());
    EXPECT_EQ(other.objects.size(), 1u);
    EXPECT_EQ(bare.objects.size(), 1u);
}

} // namespace
} // namespace fen
