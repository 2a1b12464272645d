#include "storage/CoreDataBase.h"

#include "StoreTestSupport.h"
#include "platform/foundation/Uuid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>

namespace fen {
namespace {

using test::ScopedStore;
using Rows = std::vector<std::string>;

TEST(CoreDataBase, BlobsAreReplacedWholeAndKindsStayApart) {
    ScopedStore s;
    CoreDataBase& db = s.store();
    EXPECT_FALSE(db.loadPresetsData(PresetStoreKind::text));
    ASSERT_TRUE(db.savePresetsData("first", PresetStoreKind::text));
    ASSERT_TRUE(db.savePresetsData("second", PresetStoreKind::text));
    EXPECT_EQ(s.count("DBTextPresets"), 1);
    EXPECT_EQ(db.loadPresetsData(PresetStoreKind::text), "second");
    ASSERT_TRUE(db.saveListData("qr", ListStoreKind::qrCode));
    ASSERT_TRUE(db.savePresetsData("stamp", PresetStoreKind::stamp));
    EXPECT_EQ(db.loadListData(ListStoreKind::qrCode), "qr");
    EXPECT_EQ(db.loadPresetsData(PresetStoreKind::stamp), "stamp");
    EXPECT_FALSE(db.loadPresetsData(PresetStoreKind::pageNumber));
    EXPECT_FALSE(db.loadListData(ListStoreKind::stamp));
    EXPECT_EQ(s.column("SELECT data FROM DBImageList"), Rows{"qr"});
    EXPECT_EQ(s.column("SELECT id FROM DBImageList"), Rows{"<null>"});
    // Bytes are kept exactly, zero bytes included; an empty blob reads as nothing stored.
    std::string binary("a\0b\xff", 4);
    ASSERT_TRUE(db.saveListData(binary, ListStoreKind::pageNumber));
    EXPECT_EQ(db.loadListData(ListStoreKind::pageNumber), binary);
    ASSERT_TRUE(db.saveListData("", ListStoreKind::stamp));
    EXPECT_FALSE(db.loadListData(ListStoreKind::stamp));
}

TEST(CoreDataBase, LoadersReadTheNewestRowWhenSeveralExist) {
    ScopedStore s;
    store::Database(s.file(), store::OpenMode::readWrite)
        .exec("INSERT INTO DBStampList (data) VALUES ('old'); "
              "INSERT INTO DBStampList (data) VALUES ('new')");
    EXPECT_EQ(s.store().loadListData(ListStoreKind::stamp), "new");
    ASSERT_TRUE(s.store().saveListData("only", ListStoreKind::stamp));
    EXPECT_EQ(s.column("SELECT data FROM DBStampList"), Rows{"only"});
}

// Table names are never built from caller text: only the store's entities can be emptied.
TEST(CoreDataBase, DeleteAllRecordsTakesOnlyEntityNames) {
    ScopedStore s;
    CoreDataBase& db = s.store();
    ASSERT_TRUE(db.savePresetsData("text", PresetStoreKind::text));
    ASSERT_TRUE(db.savePresetsData("image", PresetStoreKind::image));
    EXPECT_EQ(test::loggedBy([&] {
                  db.deleteAllRecords("DBTextPresets; DROP TABLE DBImagePresets");
                  db.deleteAllRecords("sqlite_master");
                  db.deleteAllRecords("dbtextpresets");
              }),
              "There was an error\nThere was an error\nThere was an error\n");
    EXPECT_EQ(db.loadPresetsData(PresetStoreKind::text), "text");
    EXPECT_EQ(test::loggedBy([&] { db.deleteAllRecords("DBTextPresets"); }), "");
    EXPECT_FALSE(db.loadPresetsData(PresetStoreKind::text));
    EXPECT_EQ(db.loadPresetsData(PresetStoreKind::image), "image");
}

TEST(CoreDataBase, ImagesAreStoredByUpperCaseIdentifierAndWrittenBackByThePdfTest) {
    ScopedStore s;
    CoreDataBase& db = s.store();
    std::string pdf = "%PDF-1.7\n% body\n%%EOF\n";
    std::string png = "\x89PNG\r\n\x1a\n" + std::string(3000, '\0');
    test::writeFile(s.dir() / "a.pdf", pdf);
    test::writeFile(s.dir() / "b.png", png);
    std::optional<std::string> pdfID = db.saveImage(Url::fileURL(s.dir() / "a.pdf"));
    std::optional<std::string> pngID = db.saveImage(Url::fileURL(s.dir() / "b.png"));
    ASSERT_TRUE(pdfID && pngID);
    EXPECT_TRUE(test::isUpperCaseUuid(*pdfID)) << *pdfID;
    EXPECT_NE(*pdfID, *pngID);
    // Each load writes a file of its own (two loads are checked with the image presets).
    std::optional<Url> document = db.loadImageURL(*pdfID);
    std::optional<Url> picture = db.loadImageURL(*pngID);
    ASSERT_TRUE(document && picture);
    EXPECT_EQ(document->lastPathComponent(), "image.pdf");
    EXPECT_EQ(test::readFile(document->path()), pdf);
    EXPECT_EQ(picture->lastPathComponent(), "image");
    EXPECT_EQ(test::readFile(picture->path()), png);
    EXPECT_FALSE(db.loadImageURL(newUuidString()));
    EXPECT_FALSE(db.loadImageURL(""));
}

TEST(CoreDataBase, ImagesThatCannotBeReadStoreNothingAndUnknownOnesDeleteSilently) {
    ScopedStore s;
    // A picture past the size bound is not read at all (the file is sparse).
    test::writeFile(s.dir() / "huge.png", "\x89PNG\r\n\x1a\n");
    std::filesystem::resize_file(s.dir() / "huge.png", CoreDataBase::maximumImageFileSize + 1);
    EXPECT_FALSE(s.store().saveImage(Url::fileURL(s.dir() / "huge.png")));
    EXPECT_FALSE(s.store().saveImage(Url::fileURL(s.dir() / "missing.png")));
    EXPECT_FALSE(s.store().saveImage(Url::fileURL(s.dir().path())));
    EXPECT_FALSE(s.store().saveImage(*Url::fromString("https://example.com/a.png")));
    EXPECT_EQ(s.count("DBImageStorage"), 0);
    EXPECT_EQ(test::loggedBy([&] { s.store().deleteImageData(newUuidString()); }), "");
}

// A copy bears its dated name only once it is whole. One cut short, by a full disk (here a limit
// on the size of the files the copying process writes) or by its program being killed, leaves no
// dated copy; what a killed one left is swept before the next copy is made.
TEST(CoreDataBase, ACopyCutShortLeavesNoDatedCopy) {
    ScopedStore s;
    test::writeFile(s.dir() / "picture.png", std::string(1 << 20, 'p'));
    ASSERT_TRUE(s.store().saveImage(Url::fileURL(s.dir() / "picture.png")));
    const auto copiesBeside = [&] {
        Rows names;
        for (const auto& entry : std::filesystem::directory_iterator(s.dir().path())) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(".FenmoorData.") || name.starts_with("FenmoorData.before-")) {
                names.push_back(name);
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    for (bool killed : {false, true}) {
        SCOPED_TRACE(killed ? "killed while copying" : "the disk full");
        const pid_t child = fork();
        if (child == 0) {
            const rlimit noCore{0, 0};
            const rlimit limit{256 * 1024, 256 * 1024}; // a quarter of the store
            setrlimit(RLIMIT_CORE, &noCore);
            signal(SIGXFSZ, killed ? SIG_DFL : SIG_IGN);
            setrlimit(RLIMIT_FSIZE, &limit);
            _exit(s.store().copyBeside("before-conversion") ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (killed) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
        } else {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
        }
        for (const std::string& name : copiesBeside()) {
            EXPECT_FALSE(name.starts_with("FenmoorData.before-")) << name;
            EXPECT_TRUE(killed) << name << " stayed after a copy that failed";
        }
    }
    const std::optional<std::filesystem::path> copy = s.store().copyBeside("before-conversion");
    ASSERT_TRUE(copy);
    EXPECT_EQ(copiesBeside(), Rows{copy->filename().string()});
    EXPECT_EQ(test::queryColumn(*copy, "SELECT length(data) FROM DBImageStorage"),
              Rows{std::to_string(1 << 20)});
}

TEST(CoreDataBase, ChangeThatDeclinesOrFailsLeavesTheBlob) {
    ScopedStore s;
    CoreDataBase& db = s.store();
    ASSERT_TRUE(db.saveListData("kept", ListStoreKind::pageNumber));
    std::optional<std::string> seen;
    ASSERT_TRUE(db.changeListData(ListStoreKind::pageNumber, [&](const auto& current) {
        seen = current;
        return CoreDataBase::BlobChange{};
    }));
    EXPECT_EQ(seen, "kept");
    EXPECT_FALSE(
        db.changeListData(ListStoreKind::pageNumber, [](const auto&) -> CoreDataBase::BlobChange {
            throw std::runtime_error("cannot encode");
        }));
    EXPECT_EQ(db.loadListData(ListStoreKind::pageNumber), "kept");
    // Nothing was kept aside, so the store has no table for it.
    EXPECT_EQ(s.count("sqlite_master WHERE name = 'PreservedBlobs'"), 0);
}

} // namespace
} // namespace fen
