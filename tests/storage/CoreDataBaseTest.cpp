#include "storage/CoreDataBase.h"

#include "StoreTestSupport.h"
#include "platform/foundation/Uuid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    // What the killed copy left goes at the next start that opens the store for writing, whether
    // or not a copy follows.
    s.install<CoreDataBase>(true);
    EXPECT_FALSE(copiesBeside().empty()) << "a start that only reads removes nothing";
    s.install<CoreDataBase>();
    EXPECT_EQ(copiesBeside(), Rows{});
    const std::optional<std::filesystem::path> copy = s.store().copyBeside("before-conversion");
    ASSERT_TRUE(copy);
    EXPECT_EQ(copiesBeside(), Rows{copy->filename().string()});
    EXPECT_EQ(test::queryColumn(*copy, "SELECT length(data) FROM DBImageStorage"),
              Rows{std::to_string(1 << 20)});
}

// The sweep of partial copies at start removes only regular files of the user's own named exactly
// as a copy names them, and never opens anything else: a pipe under such a name would hold the
// start for ever. Each start runs in a child that a bound ends, so a sweep that waits fails here.
TEST(CoreDataBase, TheSweepTakesOnlyItsOwnPartialCopies) {
    namespace fs = std::filesystem;
    enum class Kind { file, journal, pipe, folder, link, lockedFile, othersFile };
    struct Case {
        const char* name;
        Kind kind;
        bool swept;
    };
    const std::string stem = ".FenmoorData.partial-copy-";
    const std::vector<Case> cases{
        {".FenmoorData.partial-copy-Ab12yZ.sqlite", Kind::file, true},
        {".FenmoorData.partial-copy-Ab12yZ.sqlite-journal", Kind::journal, true},
        {".FenmoorData.partial-copy-mine01.sqlite", Kind::pipe, false},
        {".FenmoorData.partial-copy-mine02.sqlite", Kind::folder, false},
        {".FenmoorData.partial-copy-mine03.sqlite", Kind::link, false},
        {".FenmoorData.partial-copy-mine04.sqlite", Kind::lockedFile, false},
        {".FenmoorData.partial-copy-mine05.sqlite", Kind::othersFile, false},
        {".FenmoorData.partial-copy-notes.txt", Kind::file, false},
        {".FenmoorData.partial-copy-my-notes.sqlite", Kind::file, false},
        {".FenmoorData.partial-copy-backup2024.sqlite", Kind::file, false},
        {".FenmoorData.partial-copy-mine06.sqlite.bak", Kind::file, false},
        {".FenmoorData.partial-copy-folder", Kind::folder, false},
    };
    ScopedStore s;
    const fs::path linked = s.dir() / "linked.txt";
    test::writeFile(linked, "the user's");
    int locked = -1;
    Rows kept;
    for (const Case& c : cases) {
        const fs::path path = s.dir() / c.name;
        switch (c.kind) {
        case Kind::file:
        case Kind::journal:
        case Kind::lockedFile:
        case Kind::othersFile:
            test::writeFile(path, "left");
            break;
        case Kind::pipe:
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
            break;
        case Kind::folder:
            fs::create_directory(path);
            break;
        case Kind::link:
            fs::create_symlink(linked, path);
            break;
        }
        if (c.kind == Kind::lockedFile) {
            // Another program still writing its copy.
            locked = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            ASSERT_EQ(::flock(locked, LOCK_EX), 0);
        }
        if (c.kind == Kind::othersFile &&
            (::geteuid() != 0 || ::chown(path.c_str(), 65534, 65534) != 0)) {
            fs::remove(path); // only root makes a file of another user
            continue;
        }
        if (!c.swept) {
            kept.push_back(c.name);
        }
    }
    std::sort(kept.begin(), kept.end());
    const auto beside = [&] {
        Rows names;
        for (const auto& entry : fs::directory_iterator(s.dir().path())) {
            if (entry.path().filename().string().starts_with(stem)) {
                names.push_back(entry.path().filename().string());
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    for (const bool throughACopy : {false, true}) {
        SCOPED_TRACE(throughACopy ? "a copy made" : "a start");
        const pid_t child = fork();
        if (child == 0) {
            alarm(20);
            CoreDataBase start{PersistenceController(StoreLocation{s.file()})};
            _exit(!throughACopy || start.copyBeside("sweep") ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "the start did not end by itself: status " << status;
        EXPECT_EQ(beside(), kept);
    }
    EXPECT_EQ(test::readFile(linked), "the user's");
    ::close(locked);
}

// Another program's copy that takes the dated name while this one is finished (two conversions in
// the same second): this copy takes the next free name instead of failing.
TEST(CoreDataBase, ACopyWhoseNameIsTakenMeanwhileTakesTheNextFreeName) {
    class Racing : public CoreDataBase {
    public:
        using CoreDataBase::CoreDataBase;
        int taken = 0; // names another program takes just before this one
        bool takeName(const std::filesystem::path& partial,
                      const std::filesystem::path& name) override {
            if (taken > 0) {
                --taken;
                test::writeFile(name, "another program's copy");
            }
            return CoreDataBase::takeName(partial, name);
        }
    };
    ScopedStore s;
    ASSERT_TRUE(s.store().saveListData("mine", ListStoreKind::stamp));
    auto& racing = s.install<Racing>();
    racing.taken = 2;
    CoreDataBase::clearLastFailure();
    const std::optional<std::filesystem::path> copy = racing.copyBeside("before-conversion");
    ASSERT_TRUE(copy) << CoreDataBase::lastFailure();
    EXPECT_TRUE(copy->filename().string().ends_with("-3.sqlite")) << *copy;
    EXPECT_EQ(test::queryColumn(*copy, "SELECT data FROM DBStampList"), Rows{"mine"});
    std::vector<std::string> others;
    for (const auto& entry : std::filesystem::directory_iterator(s.dir().path())) {
        if (entry.path() != *copy &&
            entry.path().filename().string().starts_with("FenmoorData.before-")) {
            others.push_back(test::readFile(entry.path()));
        }
    }
    EXPECT_EQ(others, Rows(2, "another program's copy"));
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
