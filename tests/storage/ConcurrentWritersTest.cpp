#include "storage/FenDatabaseManager.h"

#include "StoreTestSupport.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

// Expects every writer's entries ("<writer>:<index>") exactly once and in the writer's order.
void expectEveryChangeInOrder(const std::vector<std::string>& entries, int writers, int changes) {
    std::vector<int> next(static_cast<size_t>(writers), 0);
    for (const std::string& entry : entries) {
        int writer = std::stoi(entry.substr(0, entry.find(':')));
        ASSERT_GE(writer, 0);
        ASSERT_LT(writer, writers);
        EXPECT_EQ(std::stoi(entry.substr(entry.find(':') + 1)), next[static_cast<size_t>(writer)]++)
            << "writer " << writer;
    }
    EXPECT_EQ(entries.size(), static_cast<size_t>(writers * changes));
}

TEST(ConcurrentWriters, TwoProcessesSavingPresetsOfOneKindLoseNeitherSave) {
    test::ScopedStore s;
    constexpr int kSaves = 40;
    int succeeded = test::runTogether(2, [&](int writer) {
        s.install();
        bool ok = true;
        for (int i = 0; i < kSaves; ++i) {
            StampSettings stamp;
            stamp.stampTextColor = StampTextColor{"PAID", gfx::Color{1, 0, 0, 1}};
            std::string name = std::to_string(writer) + ":" + std::to_string(i);
            ok = FenDatabaseManager::saveStampPreset(name, stamp) && ok;
        }
        return ok;
    });
    EXPECT_EQ(succeeded, 2);
    expectEveryChangeInOrder(
        test::pluck(FenDatabaseManager::listStampPresetItems(), &PresetItem::title), 2, kSaves);
}

} // namespace
} // namespace fen
