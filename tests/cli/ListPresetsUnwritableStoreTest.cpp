// list-presets on a store whose folder cannot be written (a read-only home, a mounted profile):
// the names are listed as from any store, but never read around a journal: where changes wait in
// one that cannot be read or rolled back there, the run says so and ends with status 1.
#include "storage/FenDatabaseManager.h"
#include "storage/StoreTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

using test::WriteBarrier;

// How the last of the presets was left.
enum class Crash { none, writeAhead, killedMidSave };

// Stores the text presets `names` in the store at `file` through the window's own operations;
// with a crash, the last one is left in the journal as a killed write-ahead version left it, or
// as this version leaves a save killed midway.
void storePresets(const std::filesystem::path& file, const std::vector<std::string>& names,
                  Crash crash) {
    const auto save = [&](const std::string& name) {
        CoreDataBase::setShared(
            std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{file})));
        return FenDatabaseManager::saveTextPreset(name, {"a"}, TextSettings{});
    };
    for (std::size_t i = 0; i + (crash != Crash::none ? 1 : 0) < names.size(); ++i) {
        ASSERT_TRUE(save(names[i]));
    }
    CoreDataBase::setShared(nullptr);
    if (crash == Crash::writeAhead) {
        ASSERT_TRUE(test::saveTextPresetThenCrashWithWriteAhead(file, names.back()));
    }
    if (crash == Crash::killedMidSave) {
        ASSERT_TRUE(test::killMidSave(file, "DBTextPresets", test::textPresetsBlob(names.back())));
    }
}

class ListPresetsUnwritableStore : public testing::TestWithParam<WriteBarrier> {};

TEST_P(ListPresetsUnwritableStore, ListsTheStoredNames) {
    struct Case {
        const char* name;
        bool namedOnTheCommandLine;
        Crash crash;
        bool indexRemoved = false;
        // What the run prints, its status first; "STORE" stands for the store file.
        std::string printed = "0\nFirst\nSecond\nThird\n";
    };
    const std::vector<Case> cases{
        {"the window's store, closed by a program that quit", false, Crash::none},
        {"the window's store, journal left by a crash", false, Crash::writeAhead},
        {"a store named by --store", true, Crash::none},
        // Without its index the journal cannot be read without writing.
        {"the window's store, journal left by a crash without its index", false, Crash::writeAhead,
         true,
         "1\nfenmoor-cli: the preset store STORE cannot be read: changes wait in its journal "
         "STORE-wal, which cannot be read while its folder cannot be written\n"},
        // Nor can a save cut short be rolled back there.
        {"the window's store, a save killed midway", false, Crash::killedMidSave, false,
         "1\nfenmoor-cli: the preset store STORE cannot be read: an interrupted save waits to be "
         "rolled back from STORE-journal, and STORE cannot be written\n"},
        {"a store named by --store, a save killed midway", true, Crash::killedMidSave, false,
         "1\nfenmoor-cli: the preset store STORE cannot be read: an interrupted save waits to be "
         "rolled back from STORE-journal, and STORE cannot be written\n"},
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
        storePresets(file, {"First", "Second", "Third"}, c.crash);
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
        std::string printed = c.printed;
        for (auto at = printed.find("STORE"); at != std::string::npos;
             at = printed.find("STORE", at)) {
            printed.replace(at, 5, file.string());
        }
        EXPECT_EQ(*seen, printed);
    }
}

INSTANTIATE_TEST_SUITE_P(Barriers, ListPresetsUnwritableStore,
                         testing::Values(WriteBarrier::permissions, WriteBarrier::readOnlyMount),
                         test::barrierName);

} // namespace
} // namespace fen
