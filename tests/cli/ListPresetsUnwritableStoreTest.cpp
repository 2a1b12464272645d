// list-presets on a store whose folder cannot be written (a read-only home, a mounted profile):
// the names are listed as from any store.
#include "storage/FenDatabaseManager.h"
#include "storage/StoreTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

using test::WriteBarrier;

// Stores the text presets `names` in the store at `file` through the window's own operations;
// with `crash`, the last one is left in the journal as a killed write-ahead version left it.
void storePresets(const std::filesystem::path& file, const std::vector<std::string>& names,
                  bool crash) {
    const auto save = [&](const std::string& name) {
        CoreDataBase::setShared(
            std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{file})));
        return FenDatabaseManager::saveTextPreset(name, {"a"}, TextSettings{});
    };
    for (std::size_t i = 0; i + (crash ? 1 : 0) < names.size(); ++i) {
        ASSERT_TRUE(save(names[i]));
    }
    CoreDataBase::setShared(nullptr);
    if (crash) {
        ASSERT_TRUE(test::saveTextPresetThenCrashWithWriteAhead(file, names.back()));
    }
}

class ListPresetsUnwritableStore : public testing::TestWithParam<WriteBarrier> {};

TEST_P(ListPresetsUnwritableStore, ListsTheStoredNames) {
    struct Case {
        const char* name;
        bool namedOnTheCommandLine;
        bool crashed;
        bool indexRemoved = false;
        // What the run prints after the names; "STORE" stands for the store file.
        std::string told = {};
    };
    const std::vector<Case> cases{
        {"the window's store, closed by a program that quit", false, false},
        {"the window's store, journal left by a crash", false, true},
        {"a store named by --store", true, false},
        // Without its index the journal cannot be read without writing: the names are listed as
        // they were before it, and a warning of the program's own says so.
        {"the window's store, journal left by a crash without its index", false, true, true,
         "fenmoor-cli: warning: The preset store STORE has changes in its journal that cannot be "
         "read while its folder cannot be written; it is read as it was before them\n"},
    };
    // The program and the store where the user the permissions barrier becomes can reach them.
    test::TempDir reachable(test::TempDir::Reach::everyone);
    const test::ScopedEnv cli("FENMOOR_CLI", test::cliReachableIn(reachable.path()).string());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir home(test::TempDir::Reach::everyone);
        const std::filesystem::path folder = home / "fenmoor";
        const std::filesystem::path file = folder / "FenmoorData.sqlite";
        std::filesystem::create_directory(folder);
        storePresets(file, {"First", "Second", "Third"}, c.crashed);
        if (c.indexRemoved) {
            std::filesystem::remove(file.string() + "-shm");
        }
        test::ScopedEnv data("XDG_DATA_HOME",
                             c.namedOnTheCommandLine
                                 ? std::optional<std::string>((home / "none").string())
                                 : home.path().string());
        std::vector<std::string> arguments{"list-presets", "text"};
        if (c.namedOnTheCommandLine) {
            arguments.insert(arguments.end(), {"--store", file.string()});
        }
        std::optional<std::string> seen = test::inUnwritableFolder(GetParam(), folder, [&] {
            if (access(test::cliPath().c_str(), X_OK) != 0) {
                return std::string("unreachable");
            }
            test::CommandResult r = test::runCli(arguments);
            return std::to_string(r.exitCode) + "\n" + r.out + r.err;
        });
        if (!seen || *seen == "unreachable") {
            GTEST_SKIP() << "this way of making a folder read-only is not available here";
        }
        std::string told = c.told;
        if (const auto at = told.find("STORE"); at != std::string::npos) {
            told.replace(at, 5, file.string());
        }
        EXPECT_EQ(*seen,
                  std::string("0\nFirst\nSecond\n") + (c.indexRemoved ? "" : "Third\n") + told);
    }
}

INSTANTIATE_TEST_SUITE_P(Barriers, ListPresetsUnwritableStore,
                         testing::Values(WriteBarrier::permissions, WriteBarrier::readOnlyMount),
                         test::barrierName);

} // namespace
} // namespace fen
