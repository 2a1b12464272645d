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

// Programs saving presets of one kind at once lose no save, and programs reading them at the same
// time as the command line does (the store opened for reading) never find them unreadable or
// fewer than before: the rollback journal keeps a reader out while a write is folded in, and the
// read waits for it.
TEST(ConcurrentWriters, ProgramsSavingPresetsOfOneKindLoseNoSaveAndReadersSeeEach) {
    struct Case {
        const char* name;
        int writers;
        int readers;
        int saves; // by each writer, and reads by each reader
    };
    const Case cases[] = {
        {"two writers", 2, 0, 40},
        {"four writers, four readers", 4, 4, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScopedStore s;
        int succeeded = test::runTogether(c.writers + c.readers, [&](int program) {
            if (program >= c.writers) {
                s.install(true);
                size_t seen = 0;
                for (int i = 0; i < c.saves; ++i) {
                    FenDatabaseManager::StoredPresetItems read =
                        FenDatabaseManager::readPresetItems(PresetStoreKind::stamp);
                    if (read.unreadable || read.items.size() < seen) {
                        return false;
                    }
                    seen = read.items.size();
                }
                return true;
            }
            s.install();
            bool ok = true;
            for (int i = 0; i < c.saves; ++i) {
                StampSettings stamp;
                stamp.stampTextColor = StampTextColor{"PAID", gfx::Color{1, 0, 0, 1}};
                std::string name = std::to_string(program) + ":" + std::to_string(i);
                ok = FenDatabaseManager::saveStampPreset(name, stamp) && ok;
            }
            return ok;
        });
        EXPECT_EQ(succeeded, c.writers + c.readers);
        expectEveryChangeInOrder(
            test::pluck(FenDatabaseManager::listStampPresetItems(), &PresetItem::title), c.writers,
            c.saves);
    }
}

} // namespace
} // namespace fen
