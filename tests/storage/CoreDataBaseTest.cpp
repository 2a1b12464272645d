#include "storage/CoreDataBase.h"

#include "StoreTestSupport.h"
#include "platform/foundation/Uuid.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

using test::ScopedStore;

TEST(CoreDataBase, BlobsAreReplacedWholeAndKindsStayApart) {
    ScopedStore s;
    CoreDataBase& db = s.store();
    EXPECT_FALSE(db.loadPresetsData(PresetStoreKind::text));
    EXPECT_FALSE(db.loadListData(ListStoreKind::qrCode));

    ASSERT_TRUE(db.savePresetsData("first", PresetStoreKind::text));
    EXPECT_EQ(s.count("DBTextPresets"), 1);
    ASSERT_TRUE(db.savePresetsData("second", PresetStoreKind::text));
    EXPECT_EQ(s.count("DBTextPresets"), 1);
    EXPECT_EQ(db.loadPresetsData(PresetStoreKind::text), "second");

    ASSERT_TRUE(db.saveListData("qr", ListStoreKind::qrCode));
    ASSERT_TRUE(db.savePresetsData("stamp", PresetStoreKind::stamp));
    EXPECT_EQ(db.loadListData(ListStoreKind::qrCode), "qr");
    EXPECT_EQ(db.loadPresetsData(PresetStoreKind::stamp), "stamp");
    EXPECT_FALSE(db.loadPresetsData(PresetStoreKind::pageNumber));
    EXPECT_FALSE(db.loadListData(ListStoreKind::stamp));
    EXPECT_EQ(s.column("SELECT data FROM DBImageList"), std::vector<std::string>{"qr"});
    EXPECT_EQ(s.column("SELECT id FROM DBImageList"), std::vector<std::string>{"<null>"});

    // Bytes are kept exactly, zero bytes included.
    std::string binary("a\0b\xff", 4);
    ASSERT_TRUE(db.saveListData(binary, ListStoreKind::pageNumber));
    EXPECT_EQ(db.loadListData(ListStoreKind::pageNumber), binary);

    // An empty stored blob reads as nothing stored.
    ASSERT_TRUE(db.saveListData("", ListStoreKind::stamp));
    EXPECT_FALSE(db.loadListData(ListStoreKind::stamp));
}

TEST(CoreDataBase, LoadersReadTheNewestRowWhenSeveralExist) {
    ScopedStore s;
    {
        store::Database raw(s.file(), store::OpenMode::readWrite);
        raw.exec("INSERT INTO DBStampList (data) VALUES ('old'); "
                 "INSERT INTO DBStampList (data) VALUES ('new')");
    }
    EXPECT_EQ(s.store().loadListData(ListStoreKind::stamp), "new");
    ASSERT_TRUE(s.store().saveListData("only", ListStoreKind::stamp));
    EXPECT_EQ(s.column("SELECT data FROM DBStampList"), std::vector<std::string>{"only"});
}

TEST(CoreDataBase, DeleteAllRecordsTakesOnlyEntityNames) {
    ScopedStore s;
    CoreDataBase& db = s.store();
    ASSERT_TRUE(db.savePresetsData("text", PresetStoreKind::text));
    ASSERT_TRUE(db.savePresetsData("image", PresetStoreKind::image));

    testing::internal::CaptureStderr();
    db.deleteAllRecords("DBTextPresets; DROP TABLE DBImagePresets");
    db.deleteAllRecords("sqlite_master");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "There was an error\nThere was an error\n");
    EXPECT_EQ(db.loadPresetsData(PresetStoreKind::image), "image");
    EXPECT_EQ(db.loadPresetsData(PresetStoreKind::text), "text");

    testing::internal::CaptureStderr();
    db.deleteAllRecords("DBTextPresets");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
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
    EXPECT_TRUE(isUuidString(*pdfID));
    for (char c : *pdfID) {
        EXPECT_FALSE(std::islower(static_cast<unsigned char>(c))) << *pdfID;
    }
    EXPECT_NE(*pdfID, *pngID);

    std::optional<Url> first = db.loadImageURL(*pdfID);
    std::optional<Url> second = db.loadImageURL(*pdfID);
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    EXPECT_EQ(first->lastPathComponent(), "image.pdf");
    EXPECT_EQ(test::readFile(first->path()), pdf);
    EXPECT_EQ(test::readFile(second->path()), pdf);
    EXPECT_TRUE(isUuidString(first->path().parent_path().filename().string()));

    std::optional<Url> picture = db.loadImageURL(*pngID);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->lastPathComponent(), "image");
    EXPECT_EQ(test::readFile(picture->path()), png);

    EXPECT_FALSE(db.loadImageURL(newUuidString()));
    EXPECT_FALSE(db.loadImageURL(""));
}

TEST(CoreDataBase, PdfMarkerMustEndWithinTheFirst1024Bytes) {
    ScopedStore s;
    for (auto [offset, isPDF] : {std::pair{1020, true}, std::pair{1021, false}}) {
        std::string bytes = std::string(static_cast<size_t>(offset), ' ') + "%PDF-1.4";
        test::writeFile(s.dir() / "img", bytes);
        std::optional<std::string> id = s.store().saveImage(Url::fileURL(s.dir() / "img"));
        ASSERT_TRUE(id);
        std::optional<Url> url = s.store().loadImageURL(*id);
        ASSERT_TRUE(url);
        EXPECT_EQ(url->lastPathComponent(), isPDF ? "image.pdf" : "image") << offset;
        EXPECT_EQ(test::readFile(url->path()), bytes);
    }
}

TEST(CoreDataBase, UnreadableImageFileStoresNothing) {
    ScopedStore s;
    EXPECT_FALSE(s.store().saveImage(Url::fileURL(s.dir() / "missing.png")));
    EXPECT_FALSE(s.store().saveImage(Url::fileURL(s.dir().path())));
    EXPECT_FALSE(s.store().saveImage(*Url::fromString("https://example.com/a.png")));
    EXPECT_EQ(s.count("DBImageStorage"), 0);
}

TEST(CoreDataBase, DeletingImagesKeepsTheOthers) {
    ScopedStore s;
    test::writeFile(s.dir() / "a", "alpha");
    std::string a = *s.store().saveImage(Url::fileURL(s.dir() / "a"));
    std::string b = *s.store().saveImage(Url::fileURL(s.dir() / "a"));

    testing::internal::CaptureStderr();
    s.store().deleteImageData(newUuidString());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(s.count("DBImageStorage"), 2);

    s.store().deleteImageData(a);
    EXPECT_FALSE(s.store().loadImageURL(a));
    ASSERT_TRUE(s.store().loadImageURL(b));
    EXPECT_EQ(s.column("SELECT imageID FROM DBImageStorage"), std::vector<std::string>{b});
}

TEST(CoreDataBase, UnreadableBlobIsKeptAsideOnceBeforeItIsReplaced) {
    ScopedStore s;
    CoreDataBase& db = s.store();
    ASSERT_TRUE(db.savePresetsData("garbage", PresetStoreKind::stamp));
    auto replaceUnreadable = [](const std::optional<std::string>& current) {
        return CoreDataBase::BlobChange{"fresh", current && *current == "garbage"};
    };

    testing::internal::CaptureStderr();
    ASSERT_TRUE(db.changePresetsData(PresetStoreKind::stamp, replaceUnreadable));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("DBStampPresets"), std::string::npos) << err;
    EXPECT_EQ(db.loadPresetsData(PresetStoreKind::stamp), "fresh");

    std::vector<CoreDataBase::PreservedBlob> kept = db.preservedBlobs();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].entity, "DBStampPresets");
    EXPECT_EQ(kept[0].data, "garbage");
    EXPECT_GT(kept[0].preservedAt, 1.6e9);

    // The same bytes again are not kept twice, and nothing more is said.
    ASSERT_TRUE(db.savePresetsData("garbage", PresetStoreKind::stamp));
    testing::internal::CaptureStderr();
    ASSERT_TRUE(db.changePresetsData(PresetStoreKind::stamp, replaceUnreadable));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(db.preservedBlobs().size(), 1u);
}

TEST(CoreDataBase, ChangeThatDeclinesLeavesTheBlobAndAFreshStoreHasNoAsideTable) {
    ScopedStore s;
    CoreDataBase& db = s.store();
    ASSERT_TRUE(db.saveListData("kept", ListStoreKind::pageNumber));
    std::optional<std::string> seen;
    ASSERT_TRUE(db.changeListData(ListStoreKind::pageNumber, [&](const auto& current) {
        seen = current;
        return CoreDataBase::BlobChange{};
    }));
    EXPECT_EQ(seen, "kept");
    EXPECT_EQ(db.loadListData(ListStoreKind::pageNumber), "kept");
    EXPECT_TRUE(db.preservedBlobs().empty());
    EXPECT_EQ(s.count("sqlite_master WHERE name = 'PreservedBlobs'"), 0);

    // An editor that fails leaves everything as it was.
    EXPECT_FALSE(
        db.changeListData(ListStoreKind::pageNumber, [](const auto&) -> CoreDataBase::BlobChange {
            throw std::runtime_error("cannot encode");
        }));
    EXPECT_EQ(db.loadListData(ListStoreKind::pageNumber), "kept");
}

} // namespace
} // namespace fen
