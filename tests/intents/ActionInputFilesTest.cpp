#include "intents/ActionInputFiles.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace fen {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::writeFile;

struct Collected {
    std::vector<fs::path> files;
    std::vector<SkippedInput> skipped;
};

Collected collect(const std::vector<fs::path>& inputs) {
    Collected c;
    c.files = collectPDFURLs(inputs, [&](const SkippedInput& s) { c.skipped.push_back(s); });
    return c;
}

TEST(ActionInputFiles, FolderGivesItsPdfFilesInNameOrderOnly) {
    TempDir dir;
    fs::path folder = dir / "in";
    fs::create_directories(folder / "sub");
    fs::create_directories(folder / "nested.pdf");
    // Written out of name order, so a listing in creation order would show.
    for (const char* name : {"c.pdf", "a.pdf", "B.PDF", "b.pdf", ".hidden.pdf", "picture.png",
                             "notes.txt", "sub/inner.pdf"}) {
        writeFile(folder / name, "x");
    }
    Collected c = collect({folder});
    std::vector<fs::path> expected = {folder / "B.PDF", folder / "a.pdf", folder / "b.pdf",
                                      folder / "c.pdf"};
    EXPECT_EQ(c.files, expected);
    ASSERT_EQ(c.skipped.size(), 1u);
    EXPECT_EQ(c.skipped[0].path, folder / "nested.pdf");
    EXPECT_EQ(c.skipped[0].reason, SkipReason::folderNamedLikePdf);
    EXPECT_NE(skipMessage(c.skipped[0]).find("nested.pdf: skipped, a folder"), std::string::npos);
    fs::create_directories(dir / "empty");
    Collected empty = collect({dir / "empty"});
    EXPECT_TRUE(empty.files.empty());
    EXPECT_EQ(empty.skipped, (std::vector<SkippedInput>{
                                 SkippedInput{dir / "empty", SkipReason::folderWithoutPdf, ""}}));
}

TEST(ActionInputFiles, FolderTakesOnlyRegularFilesAndLinksToThem) {
    TempDir dir{TempDir::Reach::sockets}; // a socket is made in it
    fs::path folder = dir / "in";
    fs::create_directories(folder);
    writeFile(folder / "a.pdf", "x");
    ASSERT_EQ(mkfifo((folder / "p.pdf").c_str(), 0600), 0);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (folder / "s.pdf").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    close(fd);
    // Links: to the file, to the pipe, to a device, and to nothing.
    fs::create_symlink("a.pdf", folder / "l.pdf");
    fs::create_symlink("p.pdf", folder / "lp.pdf");
    fs::create_symlink("/dev/null", folder / "null.pdf");
    fs::create_symlink("missing.pdf", folder / "nowhere.pdf");
    Collected c = collect({folder});
    EXPECT_EQ(c.files, (std::vector<fs::path>{folder / "a.pdf", folder / "l.pdf"}));
    EXPECT_TRUE(c.skipped.empty());
    // Given by name, a pipe stays an input: whether it can be read is found out by reading.
    EXPECT_EQ(collect({folder / "p.pdf"}).files, (std::vector<fs::path>{folder / "p.pdf"}));
}

TEST(ActionInputFiles, InputsKeepTheirOrderAndRepeatsAndMissingPathsAreTold) {
    TempDir dir;
    fs::create_directories(dir / "f");
    writeFile(dir / "f" / "x.pdf", "x");
    writeFile(dir / "Report.PDF", "x");
    writeFile(dir / "notes.txt", "x");
    // A missing file named like a PDF is taken; reading it will fail and say so.
    Collected c = collect({dir / "Report.PDF", dir / "notes.txt", dir / "f", dir / "f" / "x.pdf",
                           dir / "Report.PDF", dir / "missing.pdf", dir / "missing", ""});
    std::vector<fs::path> expected = {dir / "Report.PDF", dir / "f" / "x.pdf", dir / "f" / "x.pdf",
                                      dir / "Report.PDF", dir / "missing.pdf"};
    EXPECT_EQ(c.files, expected);
    ASSERT_EQ(c.skipped.size(), 3u);
    EXPECT_EQ(c.skipped[0], (SkippedInput{dir / "notes.txt", SkipReason::notPdf, ""}));
    EXPECT_EQ(c.skipped[1],
              (SkippedInput{dir / "missing", SkipReason::notPdf, "no such file or folder"}));
    EXPECT_EQ(c.skipped[2].reason, SkipReason::noPath);
    EXPECT_TRUE(collect({}).files.empty());
}

// A folder that cannot be opened, for root too: it is there, but every file descriptor the process
// may have is taken.
TEST(ActionInputFiles, UnlistableFolderContributesNothing) {
    TempDir dir;
    fs::create_directories(dir / "closed");
    writeFile(dir / "closed" / "a.pdf", "x");
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit few = old;
    few.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &few), 0);
    std::vector<int> taken;
    for (int fd; (fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) {
        taken.push_back(fd);
    }
    Collected c = collect({dir / "closed"});
    for (int fd : taken) {
        close(fd);
    }
    setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_TRUE(c.files.empty());
    ASSERT_EQ(c.skipped.size(), 1u);
    EXPECT_EQ(c.skipped[0].path, dir / "closed");
    EXPECT_EQ(c.skipped[0].reason, SkipReason::folderUnreadable);
    EXPECT_EQ(c.skipped[0].detail, std::strerror(EMFILE));
}

// The name exactly as it is: the command line escapes it on a terminal only.
TEST(ActionInputFiles, SkipMessagesKeepTheNameAsItIs) {
    std::string line = skipMessage(
        SkippedInput{"/tmp/odd\nname\r.pdf", SkipReason::unreadable, "Permission denied"});
    EXPECT_EQ(line, "/tmp/odd\nname\r.pdf: skipped, the file cannot be read: Permission denied");
    EXPECT_EQ(skipMessage(SkippedInput{"a.pdf", SkipReason::locked, ""}),
              "a.pdf: skipped, protected by a password");
}

} // namespace
} // namespace fen
