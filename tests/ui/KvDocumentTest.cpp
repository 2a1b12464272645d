#include "UiTestSupport.h"

#include "shell/KvDocument.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <future>
#include <thread>

namespace fen {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

size_t entries(const fs::path& dir) {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

// Reads `path` on a thread of its own; none when the read has not ended within two seconds (a
// pipe's open waiting for a writer), after which a writer is opened to set the reader free.
std::optional<KvDocumentContents> readWithin(const fs::path& path) {
    std::promise<KvDocumentContents> done;
    std::future<KvDocumentContents> result = done.get_future();
    std::thread reader(
        [&done, url = Url::fileURL(path)] { done.set_value(KvDocument::read(url)); });
    const bool ended = result.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    if (!ended) {
        const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
        ::close(writer);
    }
    reader.join();
    return ended ? std::optional(result.get()) : std::nullopt;
}

TEST(KvDocument, KeepsTheWholeNameAndReadsOnlyRegularFilesOffTheMaking) {
    test::TempDir dir;
    writeFile(dir / "Report.final.v2.pdf", "%PDF-1.7 bytes");
    ASSERT_EQ(::mkfifo((dir / "pipe.pdf").c_str(), 0600), 0);
    fs::create_directory(dir / "folder.pdf");
    struct Case {
        fs::path path;
        const char* data;
        const char* failure;
    };
    const std::vector<Case> cases = {
        {dir / "Report.final.v2.pdf", "%PDF-1.7 bytes", ""},
        {dir / "gone.pdf", nullptr, "no such file or directory"},
        {dir / "folder.pdf", nullptr, "is a directory"},
        {dir / "pipe.pdf", nullptr, "not a regular file"},
        {"/dev/zero", nullptr, "not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.string());
        // Making the document reads nothing, so a pipe or a device cannot hold it up.
        KvDocument doc(Url::fileURL(c.path));
        ASSERT_TRUE(doc.info);
        EXPECT_EQ(doc.info->name, c.path.filename().string());
        EXPECT_FALSE(doc.sceneIdentifier);
        EXPECT_FALSE(doc.dataToSave);
        const std::optional<KvDocumentContents> read = readWithin(c.path);
        ASSERT_TRUE(read) << "the read waited";
        EXPECT_EQ(read->failure, c.failure);
        ASSERT_EQ(read->data != nullptr, c.data != nullptr);
        if (c.data) {
            EXPECT_EQ(*read->data, c.data);
        }
    }
}

TEST(KvDocument, SavingWritesOnlyPlacedBytesAndKeepsModeAndLink) {
    test::TempDir dir;
    const fs::path file = dir / "a.pdf";
    const fs::path link = dir / "link.pdf";
    writeFile(file, "original");
    ::chmod(file.c_str(), 0640);
    fs::create_symlink(file, link);

    KvDocument doc(Url::fileURL(link));
    EXPECT_FALSE(doc.save()); // nothing placed: nothing written
    EXPECT_EQ(readFile(file), "original");

    doc.dataToSave = std::string("watermarked");
    EXPECT_FALSE(doc.save());
    EXPECT_FALSE(doc.dataToSave);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(file), "watermarked");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(entries(dir.path()), 2u);
}

TEST(KvDocument, AFileNamedAtTheFileNameLimitIsOverwritten) {
    test::TempDir dir;
    for (const size_t length : {size_t(250), size_t(NAME_MAX)}) {
        SCOPED_TRACE(length);
        const fs::path file = dir / (std::string(length - 4, 'n') + ".pdf");
        writeFile(file, "original");
        KvDocument doc(Url::fileURL(file));
        doc.dataToSave = std::string("watermarked");
        EXPECT_FALSE(doc.save());
        EXPECT_EQ(readFile(file), "watermarked");
    }
    EXPECT_EQ(entries(dir.path()), 2u);
}

TEST(KvDocument, AFailedSaveLeavesTheOriginalAndKeepsTheBytes) {
    test::TempDir dir;
    writeFile(dir / "a.pdf", "original");
    KvDocument doc(Url::fileURL(dir / "a.pdf"));
    doc.dataToSave = std::string(64 * 1024, 'x');
    std::error_code ec;
    {
        test::FileSizeLimit limit(1024);
        ec = doc.save();
    }
    EXPECT_TRUE(ec);
    EXPECT_EQ(readFile(dir / "a.pdf"), "original");
    ASSERT_TRUE(doc.dataToSave);
    EXPECT_EQ(doc.dataToSave->size(), 64u * 1024);
    EXPECT_EQ(entries(dir.path()), 1u);
}

// Overwrite Original of a flattened document of thousands of pages: the watermarked copy, held
// open, is written a piece at a time by a process that may hold far less than it in memory, by a
// rename and in place (a file with a second name), and still when a cleaner removed its name.
TEST(KvDocument, AWatermarkedCopyLargerThanTheMemoryLeftReplacesTheFileWhole) {
    test::TempDir dir;
    const fs::path copy = dir / "watermarked.pdf";
    test::writeLargeFile(copy, 48);
    const std::string expected = readFile(copy);
    const struct {
        const char* what;
        bool linked;
        bool copyRemoved;
    } rows[] = {
        {"renamed into place", false, false},
        {"written in place over a file with a second name", true, false},
        {"its copy's name removed before the save", false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const fs::path file = dir / "report.pdf";
        writeFile(file, "original");
        if (row.linked) {
            fs::create_hard_link(file, dir / "second-name.pdf");
        }
        const bool saved = test::succeedsWithLittleMemory(16 << 20, [&] {
            KvDocument doc(Url::fileURL(file));
            std::error_code error;
            doc.fileToSave = OpenedFile::open(copy, error);
            if (row.copyRemoved) {
                fs::remove(copy);
            }
            return doc.fileToSave && !doc.save() && !doc.fileToSave;
        });
        EXPECT_TRUE(saved);
        EXPECT_TRUE(readFile(file) == expected);
        if (row.linked) {
            EXPECT_TRUE(readFile(dir / "second-name.pdf") == expected);
            fs::remove(dir / "second-name.pdf");
        }
        if (row.copyRemoved) {
            writeFile(copy, expected);
        }
        fs::remove(file);
        EXPECT_EQ(entries(dir.path()), 1u); // the copy alone: no temporary file is left
    }
}

// The whole process acts as another user with one group, until the end of the scope.
class ActingAs {
public:
    ActingAs(uid_t uid, gid_t gid) {
        saved_.resize(static_cast<size_t>(::getgroups(0, nullptr)));
        saved_.resize(
            static_cast<size_t>(::getgroups(static_cast<int>(saved_.size()), saved_.data())));
        acting_ = ::setgroups(1, &gid) == 0 && ::setegid(gid) == 0 && ::seteuid(uid) == 0;
    }
    ~ActingAs() {
        EXPECT_EQ(::seteuid(0), 0);
        EXPECT_EQ(::setegid(0), 0);
        EXPECT_EQ(::setgroups(saved_.size(), saved_.data()), 0);
    }
    bool acting() const { return acting_; }

private:
    std::vector<gid_t> saved_;
    bool acting_ = false;
};

TEST(KvDocument, AnOverwriteKeepsOwnerGroupModeAndHardLinks) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "files of other users are made as root";
    }
    constexpr uid_t owner = 4321, colleague = 4322;
    constexpr gid_t team = 4330;
    // A folder the team shares, in /tmp: the test's own temporary folder is root's alone.
    std::string pattern = "/tmp/fenmoor-shared-XXXXXX";
    ASSERT_TRUE(::mkdtemp(pattern.data()));
    const fs::path shared = pattern;
    ASSERT_EQ(::chown(shared.c_str(), 0, team), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 02770), 0);
    struct Case {
        const char* what;
        bool linked;
        bool byColleague;
        // The file before the save: shorter than what is saved, or far longer (a stamped copy
        // may be smaller than its original), which leaves no byte of its tail behind.
        std::string original = "original";
    };
    const std::string longer(200517, 'o');
    const std::vector<Case> cases = {
        {"the owner's file saved by root", false, false},
        {"a file with a second name", true, false},
        {"the owner's file saved by a colleague of the team", false, true},
        {"a file with a second name saved by a colleague", true, true},
        {"a longer file with a second name", true, false, longer},
        {"the owner's longer file saved by a colleague", false, true, longer},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = shared / "report.pdf";
        const fs::path other = shared / "other-name.pdf";
        writeFile(file, c.original);
        ASSERT_EQ(::chown(file.c_str(), owner, team), 0);
        ASSERT_EQ(::chmod(file.c_str(), 0664), 0);
        if (c.linked) {
            fs::create_hard_link(file, other);
        }
        struct stat before {};
        ASSERT_EQ(::stat(file.c_str(), &before), 0);

        KvDocument doc(Url::fileURL(file));
        doc.dataToSave = std::string("watermarked");
        std::error_code error;
        if (c.byColleague) {
            ActingAs acting(colleague, team);
            ASSERT_TRUE(acting.acting());
            error = doc.save();
        } else {
            error = doc.save();
        }
        EXPECT_FALSE(error) << error.message();
        EXPECT_EQ(readFile(file), "watermarked");
        struct stat after {};
        ASSERT_EQ(::stat(file.c_str(), &after), 0);
        EXPECT_EQ(after.st_uid, owner);
        EXPECT_EQ(after.st_gid, team);
        EXPECT_EQ(after.st_mode & 07777, 0664u);
        EXPECT_EQ(after.st_nlink, before.st_nlink);
        EXPECT_EQ(after.st_size, off_t(std::string("watermarked").size()));
        if (c.linked) {
            EXPECT_EQ(after.st_ino, before.st_ino);
            EXPECT_EQ(readFile(other), "watermarked");
        }
        // No temporary copy is left beside it.
        EXPECT_EQ(entries(shared), c.linked ? 2u : 1u);
        fs::remove(file);
        fs::remove(other);
    }
    fs::remove_all(shared);
}

} // namespace
} // namespace fen
