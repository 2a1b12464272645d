#include "storage/PersistenceController.h"

#include "StoreTestSupport.h"
#include "platform/store/Database.h"
#include "storage/CoreDataBase.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fen {
namespace {

using test::ScopedEnv;
using test::TempDir;

std::vector<std::string> tableNames(const std::filesystem::path& file) {
    store::Database db(file, store::OpenMode::readOnly);
    store::Statement s =
        db.prepare("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
    std::vector<std::string> names;
    while (s.step()) {
        names.push_back(*s.columnBytes(0));
    }
    return names;
}

std::vector<std::string> columnNames(const std::filesystem::path& file, const std::string& table) {
    store::Database db(file, store::OpenMode::readOnly);
    store::Statement s = db.prepare("SELECT name FROM pragma_table_info(?) ORDER BY cid");
    s.bindText(1, table);
    std::vector<std::string> names;
    while (s.step()) {
        names.push_back(*s.columnBytes(0));
    }
    return names;
}

TEST(PersistenceController, FreshContainerGetsTheStoreWithExactlyTheEntities) {
    TempDir dir;
    ScopedEnv xdg("XDG_DATA_HOME", (dir / "data").string());
    PersistenceController controller;

    std::filesystem::path expected = dir / "data" / "fenmoor" / "FenmoorData.sqlite";
    EXPECT_EQ(controller.storeFile(), expected);
    ASSERT_NE(controller.container(), nullptr);
    ASSERT_TRUE(std::filesystem::is_regular_file(expected));

    struct stat info {};
    ASSERT_EQ(::stat((dir / "data" / "fenmoor").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    EXPECT_EQ(tableNames(expected),
              (std::vector<std::string>{"DBImageList", "DBImagePresets", "DBImageStorage",
                                        "DBPageNumberList", "DBPageNumberPresets", "DBStampList",
                                        "DBStampPresets", "DBTextPresets"}));
    for (const char* blobEntity : {"DBTextPresets", "DBImagePresets", "DBStampPresets",
                                   "DBPageNumberPresets", "DBStampList", "DBPageNumberList"}) {
        EXPECT_EQ(columnNames(expected, blobEntity), std::vector<std::string>{"data"})
            << blobEntity;
    }
    EXPECT_EQ(columnNames(expected, "DBImageList"), (std::vector<std::string>{"id", "data"}));
    EXPECT_EQ(columnNames(expected, "DBImageStorage"),
              (std::vector<std::string>{"imageID", "data"}));

    store::Database db(expected, store::OpenMode::readOnly);
    store::Statement mode = db.prepare("PRAGMA journal_mode");
    ASSERT_TRUE(mode.step());
    EXPECT_EQ(*mode.columnBytes(0), "wal");
}

TEST(PersistenceController, ContainerFolderFollowsXdgThenHome) {
    TempDir dir;
    ScopedEnv home("HOME", dir.path().string());
    {
        ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
        EXPECT_EQ(PersistenceController::containerFolder(), dir / ".local/share/fenmoor");
    }
    {
        // The base directory specification ignores a relative value.
        ScopedEnv xdg("XDG_DATA_HOME", "relative/data");
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

TEST(PersistenceControllerDeathTest, ContainerThatCannotBeMadeStopsTheProgram) {
    TempDir dir;
    test::writeFile(dir / "plain-file", "not a folder");
    EXPECT_EXIT(
        {
            setenv("XDG_DATA_HOME", (dir / "plain-file" / "data").c_str(), 1);
            PersistenceController controller;
        },
        testing::ExitedWithCode(1), "^Shared file container could not be created.\n$");
    EXPECT_EXIT(
        {
            unsetenv("XDG_DATA_HOME");
            unsetenv("HOME");
            PersistenceController controller(StoreLocation{{}, true});
        },
        testing::ExitedWithCode(1), "Shared file container could not be created.");
    EXPECT_FALSE(std::filesystem::exists(dir / "plain-file" / "data"));
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
    {
        CoreDataBase writer{PersistenceController(StoreLocation{file})};
        ASSERT_TRUE(writer.savePresetsData("{\"a\":1}", PresetStoreKind::stamp));
    }
    CoreDataBase reader{PersistenceController(StoreLocation{file, true})};
    EXPECT_EQ(reader.loadPresetsData(PresetStoreKind::stamp), "{\"a\":1}");
    EXPECT_FALSE(reader.savePresetsData("{}", PresetStoreKind::stamp));
    test::writeFile(dir / "picture.png", "\x89PNG bytes");
    EXPECT_FALSE(reader.saveImage(Url::fileURL(dir / "picture.png")));
    EXPECT_EQ(reader.loadPresetsData(PresetStoreKind::stamp), "{\"a\":1}");
}

TEST(PersistenceController, FileThatIsNoDatabaseIsReportedAndIgnored) {
    TempDir dir;
    std::filesystem::path file = dir / "FenmoorData.sqlite";
    test::writeFile(file, std::string(4096, 'x'));
    testing::internal::CaptureStderr();
    CoreDataBase store{PersistenceController(StoreLocation{file})};
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("could not be opened"), std::string::npos) << err;
    EXPECT_EQ(store.persistenceController().container(), nullptr);
    EXPECT_FALSE(store.loadListData(ListStoreKind::stamp));
    EXPECT_FALSE(store.saveListData("{}", ListStoreKind::stamp));
    EXPECT_EQ(test::readFile(file), std::string(4096, 'x'));
}

TEST(PersistenceController, EntityNamesAreTheModelsOnly) {
    EXPECT_TRUE(PersistenceController::isEntityName("DBPageNumberPresets"));
    EXPECT_TRUE(PersistenceController::isEntityName("DBImageStorage"));
    EXPECT_FALSE(PersistenceController::isEntityName("dbtextpresets"));
    EXPECT_FALSE(PersistenceController::isEntityName("DBTextPresets; DROP TABLE DBImageStorage"));
    EXPECT_FALSE(PersistenceController::isEntityName("sqlite_master"));
}

} // namespace
} // namespace fen
