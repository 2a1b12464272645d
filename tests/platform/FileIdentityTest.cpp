#include "platform/foundation/FileIdentity.h"
#include "platform/foundation/OpenedFile.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace fen {
namespace {

namespace fs = std::filesystem;
using Change = FileIdentity::Change;

// Sets the file's modification time to `seconds` and `nanoseconds`.
void setModified(const fs::path& path, long seconds, long nanoseconds) {
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(FileIdentity, TellsAWrittenFileFromAnotherInItsPlaceAndFromNone) {
    const struct {
        const char* name;
        std::function<void(const fs::path&)> meanwhile;
        Change change;
    } cases[] = {
        {"untouched", [](const fs::path&) {}, Change::none},
        {"read", [](const fs::path& file) { (void)test::readFile(file); }, Change::none},
        // Written in place: the same inode with other bytes.
        {"grown", [](const fs::path& file) { test::writeFile(file, "opened, and more"); },
         Change::changed},
        // The same size, a modification time later only by a nanosecond.
        {"touched", [](const fs::path& file) { setModified(file, 1700000000, 2); },
         Change::changed},
        // Other bytes of the same size, the modification time put back as it was: only the
        // change time, which no program sets back, tells; and it tells no more than a change of
        // the status alone does.
        {"rewritten, its time put back",
         [](const fs::path& file) {
             test::writeFile(file, "edited");
             setModified(file, 1700000000, 1);
         },
         Change::touched},
        {"opened to others", [](const fs::path& file) { fs::permissions(file, fs::perms::all); },
         Change::touched},
        {"given a second name",
         [](const fs::path& file) { fs::create_hard_link(file, file.string() + ".link"); },
         Change::touched},
        // An editor's save: a new file renamed over the opened one, the same bytes.
        {"replaced",
         [](const fs::path& file) {
             test::writeFile(file.string() + ".new", "opened");
             fs::rename(file.string() + ".new", file);
             setModified(file, 1700000000, 1);
         },
         Change::replaced},
        {"removed", [](const fs::path& file) { fs::remove(file); }, Change::gone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const fs::path file = dir / "document.pdf";
        test::writeFile(file, "opened");
        setModified(file, 1700000000, 1);
        const std::optional<FileIdentity> opened = FileIdentity::of(file);
        ASSERT_TRUE(opened);
        EXPECT_EQ(opened->size, 6);
        // As between a window's opening and a change by hand, the clock moves on.
        ASSERT_TRUE(test::awaitLaterChangeTime(file));
        c.meanwhile(file);
        EXPECT_EQ(FileIdentity::compare(*opened, FileIdentity::of(file)), c.change);
    }
}

TEST(FileIdentity, FollowsASymbolicLinkAndLooksAtAPipeWithoutOpeningIt) {
    test::TempDir dir;
    test::writeFile(dir / "target.pdf", "x");
    fs::create_symlink(dir / "target.pdf", dir / "link.pdf");
    EXPECT_EQ(FileIdentity::of(dir / "link.pdf"), FileIdentity::of(dir / "target.pdf"));
    // Pointing the link elsewhere is another file in its place.
    const FileIdentity before = *FileIdentity::of(dir / "link.pdf");
    test::writeFile(dir / "other.pdf", "x");
    fs::remove(dir / "link.pdf");
    fs::create_symlink(dir / "other.pdf", dir / "link.pdf");
    EXPECT_EQ(FileIdentity::compare(before, FileIdentity::of(dir / "link.pdf")), Change::replaced);
    // A pipe with no writer is looked at, never opened (an open would wait for a writer).
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_TRUE(FileIdentity::of(dir / "pipe"));
    EXPECT_FALSE(FileIdentity::of(dir / "missing.pdf"));
}

// Two files compared through their opened descriptors, over more than one megabyte-long piece.
TEST(OpenedFile, HoldsTheSameBytesOnlyWhenEveryByteAndTheLengthAgree) {
    test::TempDir dir;
    std::string bytes((size_t{1} << 21) + 7, 'a');
    for (size_t i = 0; i < bytes.size(); i += 4093) {
        bytes[i] = static_cast<char>(i % 251);
    }
    const struct {
        const char* name;
        std::function<void(std::string&)> edit;
        bool same;
    } cases[] = {
        {"the same bytes", [](std::string&) {}, true},
        {"the last byte differs", [](std::string& b) { b.back() ^= 1; }, false},
        {"a byte of the second piece differs", [](std::string& b) { b[(1 << 20) + 3] ^= 1; },
         false},
        {"one byte shorter", [](std::string& b) { b.pop_back(); }, false},
    };
    test::writeFile(dir / "a.pdf", bytes);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string other = bytes;
        c.edit(other);
        test::writeFile(dir / "b.pdf", other);
        std::error_code error;
        const auto a = OpenedFile::open(dir / "a.pdf", error);
        const auto b = OpenedFile::open(dir / "b.pdf", error);
        ASSERT_TRUE(a && b);
        EXPECT_EQ(a->holdsSameBytesAs(*b), c.same);
        EXPECT_EQ(b->holdsSameBytesAs(*a), c.same);
    }
    // Grown after it was opened: no longer what was opened.
    std::error_code error;
    test::writeFile(dir / "b.pdf", bytes);
    const auto a = OpenedFile::open(dir / "a.pdf", error);
    const auto b = OpenedFile::open(dir / "b.pdf", error);
    ASSERT_TRUE(a && b);
    std::ofstream(dir / "b.pdf", std::ios::binary | std::ios::app) << "more";
    EXPECT_FALSE(a->holdsSameBytesAs(*b));
}

} // namespace
} // namespace fen
