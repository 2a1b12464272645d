#include "export/FenFilesStorage.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/ProcessFolders.h"
#include "platform/foundation/Uuid.h"
#include "platform/image/ImageCodec.h"
#include "platform/pdf/PdfMarker.h"
#include "support/PdfFixtures.h"
#include "support/TemporaryDirectoryScope.h"
#include "support/TestSupport.h"
#include "support/Unprivileged.h"
#include "support/WatermarkFixtures.h"
#include "support/WriteLog.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <optional>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fen {
namespace {

namespace fs = std::filesystem;

using test::TemporaryDirectoryScope;

void expectFreshFolder(const Url& url, const fs::path& temporary, const std::string& name) {
    ASSERT_TRUE(url.isFileURL());
    fs::path file = url.path();
    EXPECT_EQ(file.filename(), name);
    std::string folder = file.parent_path().filename().string();
    EXPECT_TRUE(isUuidString(folder)) << folder;
    EXPECT_EQ(folder.size(), 36u);
    EXPECT_EQ(folder.find_first_of("abcdef"), std::string::npos) << folder;
    EXPECT_EQ(file.parent_path().parent_path(), temporary);
}

TEST(FenFilesStorage, EveryWriterGivesItsFileAFreshUpperCaseUuidFolder) {
    TemporaryDirectoryScope tmp;
    auto first = FenFilesStorage::writeData(std::string("one\0two", 7), "tmp.pdf");
    auto second = FenFilesStorage::writeData(std::string("second"), "tmp.pdf");
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    expectFreshFolder(*first, tmp.path(), "tmp.pdf");
    expectFreshFolder(*second, tmp.path(), "tmp.pdf");
    EXPECT_NE(first->path().parent_path(), second->path().parent_path());
    EXPECT_EQ(test::readFile(first->path()), std::string("one\0two", 7));
    EXPECT_EQ(test::readFile(second->path()), "second");
    auto qr = FenFilesStorage::writeQRCodePNG(test::solidImage(21, 21, {0, 0, 0, 1}));
    ASSERT_TRUE(qr);
    expectFreshFolder(*qr, tmp.path(), "qrcode.png");
    auto decoded = gfx::ImageCodec::decodeFile(qr->path());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width(), 21);
    EXPECT_FALSE(FenFilesStorage::writeQRCodePNG(gfx::Image{}));
    EXPECT_EQ(tmp.entries().size(), 3u);
    // Absent data makes the folder and still gives the file's address.
    auto absent = FenFilesStorage::writeData(std::nullopt, "tmp.pdf");
    ASSERT_TRUE(absent);
    EXPECT_TRUE(fs::is_directory(absent->path().parent_path()));
    EXPECT_FALSE(fs::exists(absent->path()));
    auto image = FenFilesStorage::writeImageData(std::nullopt, false);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->path().filename(), "image");
}

TEST(FenFilesStorage, RefusedNamesAndFailedWritesLeaveNothingBehind) {
    TemporaryDirectoryScope tmp;
    for (const std::string& name :
         {std::string(), std::string("."), std::string(".."), std::string("a/b.pdf"),
          std::string("../escape.pdf"), std::string("nul\0.pdf", 8)}) {
        EXPECT_FALSE(FenFilesStorage::writeData(std::string("x"), name)) << name;
        EXPECT_FALSE(FenFilesStorage::isValidFileName(name)) << name;
    }
    EXPECT_FALSE(fs::exists(tmp.path().parent_path() / "escape.pdf"));
    // Too long for the file system: the folder is made, the write fails, the folder goes.
    EXPECT_FALSE(FenFilesStorage::writeData(std::string("x"), std::string(300, 'n')));
    EXPECT_TRUE(tmp.entries().empty());
}

// The write progress of one document.
test::WriteLog writesOf(const pdf::Document* document) {
    return test::WriteLog([document](const Notification& n) {
        auto* object = std::any_cast<pdf::Document*>(&n.object);
        return object && *object == document;
    });
}

TEST(FenFilesStorage, ADocumentThatIsMissingOrNotWrittenGivesNoAddressAndNoFolder) {
    TemporaryDirectoryScope tmp;
    EXPECT_FALSE(FenFilesStorage::writeDocumentToTemporaryFile(nullptr, std::nullopt, "a.pdf"));
    auto document = FenDocument::fromData(test::blankPages(2));
    ASSERT_TRUE(document);
    test::WriteLog log = writesOf(document.get());
    std::atomic<bool> stop{true};
    EXPECT_FALSE(FenFilesStorage::writeDocumentToTemporaryFile(document.get(), std::nullopt,
                                                               "stopped.pdf", &stop));
    // The end of a write is reported whether it succeeded or not.
    ASSERT_FALSE(log.events().empty());
    EXPECT_EQ(log.events().front(), "begin");
    EXPECT_EQ(log.events().back(), "end");
    // A locked document cannot be written.
    auto locked = FenDocument::fromData(test::encryptPdf(test::blankPages(1), "u", "o"));
    ASSERT_TRUE(locked);
    EXPECT_FALSE(
        FenFilesStorage::writeDocumentToTemporaryFile(locked.get(), std::nullopt, "locked.pdf"));
    EXPECT_FALSE(FenFilesStorage::writeDocumentToTemporaryFile(document.get(), std::nullopt,
                                                               "../escape.pdf"));
    // A caller that tells the user itself learns that the name was refused.
    FenFilesStorage::WriteFailure failure;
    EXPECT_FALSE(FenFilesStorage::writeDocumentToTemporaryFile(document.get(), std::nullopt,
                                                               "a/b.pdf", nullptr, &failure));
    EXPECT_FALSE(failure.noFolder);
    EXPECT_EQ(failure.error, std::make_error_code(std::errc::invalid_argument));
    EXPECT_TRUE(tmp.entries().empty());
}

TEST(FenFilesStorage, OwnFoldersGoWithTheirLastHolderOrAtTheEndAndExportsStay) {
    TemporaryDirectoryScope tmp;
    const std::optional<Url> copy = FenFilesStorage::writeData(std::string("bytes"), "tmp.pdf");
    const std::optional<Url> picture = FenFilesStorage::writeImageData(std::string("png"), false);
    auto document = FenDocument::fromData(test::blankPages(1));
    const std::optional<Url> exported =
        FenFilesStorage::writeDocumentToTemporaryFile(document.get(), std::nullopt, "out.pdf");
    ASSERT_TRUE(copy && picture && exported);

    // One holder per folder, shared by every caller; none for a file handed to the user or one
    // the program did not make.
    std::shared_ptr<TemporaryFolder> window = FenFilesStorage::keep(*copy);
    std::shared_ptr<TemporaryFolder> exporting = FenFilesStorage::keep(*copy);
    ASSERT_TRUE(window);
    EXPECT_EQ(window, exporting);
    EXPECT_EQ(window->path(), copy->path().parent_path());
    EXPECT_FALSE(FenFilesStorage::keep(*exported));
    EXPECT_FALSE(FenFilesStorage::keep(Url::fileURL(tmp.path() / "mine.pdf")));

    window.reset();
    EXPECT_TRUE(fs::exists(copy->path()));
    exporting.reset();
    EXPECT_FALSE(fs::exists(copy->path().parent_path()));
    EXPECT_FALSE(FenFilesStorage::keep(*copy));

    // What nobody held, or is still held, goes at the end of the program.
    std::shared_ptr<TemporaryFolder> held = FenFilesStorage::keep(*picture);
    FenFilesStorage::removeOwnFolders();
    EXPECT_FALSE(fs::exists(picture->path().parent_path()));
    held.reset();
    EXPECT_TRUE(fs::exists(exported->path()));
    EXPECT_EQ(tmp.entries().size(), 1u);

    // A program that ends on its own removes them too.
    const pid_t child = ::fork();
    if (child == 0) {
        const bool written = FenFilesStorage::writeData(std::string("bytes"), "tmp.pdf") &&
                             FenFilesStorage::writeImageData(std::string("png"), true);
        std::exit(written ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(tmp.entries().size(), 1u);
}

TEST(FenFilesStorage, AnAdoptedDocumentFolderGoesWithItsLastHolderOrAtTheEndOthersStay) {
    TemporaryDirectoryScope tmp;
    auto document = FenDocument::fromData(test::blankPages(1));
    const auto write = [&](const std::string& name) {
        return FenFilesStorage::writeDocumentToTemporaryFile(document.get(), std::nullopt, name);
    };
    const std::optional<Url> render = write("render.pdf");
    const std::optional<Url> left = write("left.pdf");
    const std::optional<Url> kept = write("kept.pdf");
    ASSERT_TRUE(render && left && kept);
    test::writeFile(tmp.path() / "mine.pdf", "mine");

    std::shared_ptr<TemporaryFolder> held = FenFilesStorage::adopt(*render);
    ASSERT_TRUE(held);
    EXPECT_EQ(held->path(), render->path().parent_path());
    EXPECT_EQ(FenFilesStorage::adopt(*render), held);
    // Only documents written here: not the user's own file.
    EXPECT_FALSE(FenFilesStorage::adopt(Url::fileURL(tmp.path() / "mine.pdf")));
    held.reset();
    EXPECT_FALSE(fs::exists(render->path().parent_path()));
    EXPECT_FALSE(FenFilesStorage::adopt(*render));

    // Adopted but never held: gone at the end; a document nobody adopted stays.
    ASSERT_TRUE(FenFilesStorage::adopt(*left));
    FenFilesStorage::removeOwnFolders();
    EXPECT_FALSE(fs::exists(left->path().parent_path()));
    EXPECT_TRUE(fs::exists(kept->path()));
    EXPECT_TRUE(fs::exists(tmp.path() / "mine.pdf"));
}

// A run of the window in a child process: it holds a ProcessFolderScope, writes a working copy,
// and lives until it is killed or `release` is closed, when it ends as the window does.
struct WindowRun {
    pid_t pid = -1;
    int release = -1;
    fs::path workingCopy;

    // The run's own folder in the per-user folder.
    fs::path folder() const { return workingCopy.parent_path().parent_path(); }

    static WindowRun start() {
        int told[2];
        int release[2];
        if (::pipe(told) != 0 || ::pipe(release) != 0) {
            return {};
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(told[0]);
            ::close(release[1]);
            {
                FenFilesStorage::ProcessFolderScope scope;
                const std::optional<Url> copy =
                    FenFilesStorage::writeData(std::string("%PDF-1.4"), "tmp.pdf");
                const std::string path = copy ? copy->path().string() : std::string();
                if (::write(told[1], path.data(), path.size()) < 0) {
                    ::_exit(1);
                }
                ::close(told[1]);
                char byte = 0;
                while (::read(release[0], &byte, 1) > 0) {
                }
            }
            ::_exit(0);
        }
        ::close(told[1]);
        ::close(release[0]);
        WindowRun run;
        run.pid = pid;
        run.release = release[1];
        std::string path;
        char buffer[512];
        for (ssize_t n; (n = ::read(told[0], buffer, sizeof buffer)) > 0;) {
            path.append(buffer, static_cast<size_t>(n));
        }
        ::close(told[0]);
        run.workingCopy = path;
        return run;
    }
};

bool reaped(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid;
}

TEST(FenFilesStorage, AStartSweepsTheFoldersOfEndedRunsOnlyAndLeavesOutputsAlone) {
    TemporaryDirectoryScope tmp;
    // What the command line writes and prints as its result: no run's folder, never swept.
    auto document = FenDocument::fromData(test::blankPages(1));
    const std::optional<Url> output =
        FenFilesStorage::writeDocumentToTemporaryFile(document.get(), std::nullopt, "out.pdf");
    ASSERT_TRUE(output);
    EXPECT_EQ(output->path().parent_path().parent_path(), tmp.path());

    const WindowRun killed = WindowRun::start();
    const WindowRun running = WindowRun::start();
    ASSERT_FALSE(killed.workingCopy.empty());
    ASSERT_FALSE(running.workingCopy.empty());
    const fs::path user = tmp.path() / ("fenmoor-" + std::to_string(::geteuid()));
    EXPECT_EQ(killed.folder().parent_path(), user);
    EXPECT_EQ(running.folder().parent_path(), user);
    EXPECT_NE(killed.folder(), running.folder());
    EXPECT_EQ(fs::status(user).permissions(), fs::perms::owner_all);
    ASSERT_EQ(::kill(killed.pid, SIGKILL), 0);
    ASSERT_TRUE(reaped(killed.pid));
    // A killed run cleans nothing up.
    EXPECT_TRUE(fs::exists(killed.workingCopy));
    // What is no run's folder stays, a link named like one (and what it points to) included.
    test::writeFile(user / "notes", "x");
    fs::create_directory(tmp.path() / "elsewhere");
    test::writeFile(tmp.path() / "elsewhere" / "kept", "x");
    fs::create_directory_symlink(tmp.path() / "elsewhere", user / "run-link");

    std::optional<Url> mine;
    {
        FenFilesStorage::ProcessFolderScope scope;
        EXPECT_FALSE(fs::exists(killed.folder()));
        EXPECT_TRUE(fs::exists(running.workingCopy));
        mine = FenFilesStorage::writeData(std::string("bytes"), "tmp.pdf");
        ASSERT_TRUE(mine);
        const fs::path folder = mine->path().parent_path().parent_path();
        EXPECT_EQ(folder.parent_path(), user);
        EXPECT_NE(folder, running.folder());
        // Another start meanwhile takes neither running folder for a leftover.
        EXPECT_EQ(processfolders::sweep(user), 0);
        EXPECT_TRUE(fs::exists(mine->path()));
        EXPECT_TRUE(fs::exists(running.workingCopy));
        // A run that ends as the window does takes its folder with it.
        ::close(running.release);
        ASSERT_TRUE(reaped(running.pid));
        EXPECT_FALSE(fs::exists(running.folder()));
    }
    EXPECT_FALSE(fs::exists(mine->path().parent_path().parent_path()));
    EXPECT_TRUE(fs::exists(output->path()));
    EXPECT_TRUE(fs::exists(user / "notes"));
    EXPECT_TRUE(fs::is_symlink(user / "run-link"));
    EXPECT_TRUE(fs::exists(tmp.path() / "elsewhere" / "kept"));
}

TEST(FenFilesStorage, ARunWhosePerUserFolderIsNotItsOwnWritesInAFolderNobodyCouldMakeFirst) {
    // The runs are made by a child that is no longer root, so that root can make a folder that is
    // another user's.
    const uid_t runner = ::geteuid() == 0 ? 65534 : ::geteuid();
    struct Case {
        std::string name;
        // Puts something in the per-user folder's place.
        std::function<void(const fs::path& user, const fs::path& tmp)> arrange;
    };
    const std::vector<Case> cases = {
        {"a link to a folder",
         [](const fs::path& user, const fs::path& tmp) {
             fs::create_directories(tmp / "target");
             fs::create_directory_symlink(tmp / "target", user);
         }},
        {"a plain file", [](const fs::path& user, const fs::path&) { test::writeFile(user, "x"); }},
        {"another user's folder, open to all",
         [](const fs::path& user, const fs::path&) {
             fs::create_directory(user);
             fs::permissions(user, fs::perms::all);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.name.starts_with("another") && ::geteuid() != 0) {
            continue;
        }
        TemporaryDirectoryScope tmp(test::TempDir::Reach::everyone);
        // Shared by every user, as /tmp is.
        fs::permissions(tmp.path(), fs::perms::all | fs::perms::sticky_bit);
        const fs::path user = tmp.path() / ("fenmoor-" + std::to_string(runner));
        c.arrange(user, tmp.path());
        const std::optional<std::string> answer = test::inUnprivilegedChild([] {
            // A run before this one, killed: its working copy stays until the next start.
            const WindowRun killed = WindowRun::start();
            if (killed.workingCopy.empty() || ::kill(killed.pid, SIGKILL) != 0 ||
                !reaped(killed.pid) || !fs::exists(killed.workingCopy)) {
                return std::string("no killed run");
            }
            FenFilesStorage::ProcessFolderScope scope;
            auto document = FenDocument::fromData(test::blankPages(1));
            const std::optional<Url> written = FenFilesStorage::writeDocumentToTemporaryFile(
                document.get(), std::nullopt, "out.pdf");
            if (!written || !fs::is_regular_file(written->path())) {
                return std::string("not written");
            }
            const fs::path run = written->path().parent_path().parent_path();
            struct stat status {};
            ::lstat(run.c_str(), &status);
            return std::string(fs::exists(killed.folder()) ? "kept " : "swept ") +
                   killed.folder().parent_path().string() + " " + run.parent_path().string() + " " +
                   std::to_string(status.st_uid) + " " + std::to_string(status.st_mode & 07777);
        });
        ASSERT_TRUE(answer);
        EXPECT_EQ(*answer, "swept " + tmp.path().string() + " " + tmp.path().string() + " " +
                               std::to_string(runner) + " " + std::to_string(0700));
        // Nothing went into what is in the per-user folder's place, and the run's folder went
        // with the run.
        EXPECT_FALSE(fs::exists(tmp.path() / "target") && !fs::is_empty(tmp.path() / "target"));
        EXPECT_TRUE(fs::exists(fs::symlink_status(user)));
        EXPECT_FALSE(fs::is_directory(fs::symlink_status(user)) && !fs::is_empty(user));
        EXPECT_EQ(tmp.entries().size(), fs::exists(tmp.path() / "target") ? 2u : 1u);
    }
    // The user's own folder that others may enter is closed to them, and used.
    TemporaryDirectoryScope tmp;
    const fs::path user = tmp.path() / ("fenmoor-" + std::to_string(::geteuid()));
    fs::create_directory(user);
    fs::permissions(user, fs::perms::all);
    FenFilesStorage::ProcessFolderScope scope;
    const std::optional<Url> written = FenFilesStorage::writeImageData(std::string("png"), false);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->path().parent_path().parent_path().parent_path(), user);
    EXPECT_EQ(fs::status(user).permissions(), fs::perms::owner_all);
}

// Gives `path` and everything below it to `owner`.
void giveTo(const fs::path& path, uid_t owner) {
    ASSERT_EQ(::lchown(path.c_str(), owner, static_cast<gid_t>(-1)), 0) << path;
    for (const auto& entry : fs::recursive_directory_iterator(path)) {
        ASSERT_EQ(::lchown(entry.path().c_str(), owner, static_cast<gid_t>(-1)), 0) << entry;
    }
}

TEST(FenFilesStorage, TheSweepTakesWhatEndedRunsLeftAndCountsOnlyWhatWent) {
    // A process that has ended, whose id the leftovers carry, and one that runs (this one).
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ASSERT_TRUE(reaped(ended));
    const std::string dead = std::to_string(ended);
    const std::string running = std::to_string(::getpid());
    const bool root = ::geteuid() == 0;
    struct Sweeper {
        const char* name;
        uid_t uid;
        // The owner of the folders that are another user's, when such a folder can be made.
        std::optional<uid_t> other;
    };
    std::vector<Sweeper> sweepers = {{"a user who cannot empty a folder closed to writing",
                                      root ? 65534 : ::geteuid(),
                                      root ? std::optional<uid_t>(0) : std::nullopt}};
    if (root) {
        // Root could remove any folder: only the owner check keeps it from another user's.
        sweepers.push_back({"root", 0, 65534});
    }
    for (const Sweeper& sweeper : sweepers) {
        SCOPED_TRACE(sweeper.name);
        TemporaryDirectoryScope tmp(test::TempDir::Reach::everyone);
        fs::permissions(tmp.path(), fs::perms::all | fs::perms::sticky_bit);
        const std::string uid = std::to_string(sweeper.uid);
        // Another user's id of the same length, so that their names line up with the sweeper's.
        std::string otherUid = uid;
        otherUid.back() = otherUid.back() == '9' ? '0' : static_cast<char>(otherUid.back() + 1);
        const fs::path user = tmp.path() / ("fenmoor-" + uid);
        const fs::path alone = tmp.path() / ("fenmoor-" + uid + "-");
        enum class Kind { mine, closed, theirs };
        struct Leftover {
            fs::path folder;
            Kind kind;
            bool stays;
        };
        std::vector<Leftover> leftovers = {
            {user / ("run-" + dead + "-done"), Kind::mine, false},
            {user / (".new-" + dead + "-killed"), Kind::mine, false},
            {user / (".new-" + running + "-making"), Kind::mine, true},
            {alone.string() + dead + "-killed", Kind::mine, false},
            {alone.string() + running + "-making", Kind::mine, true},
            {tmp.path() / ("fenmoor-" + otherUid + "-" + dead + "-killed"), Kind::mine, true},
        };
        if (sweeper.uid != 0) {
            leftovers.push_back({user / ("run-" + dead + "-partly"), Kind::closed, true});
        }
        if (sweeper.other) {
            leftovers.push_back({user / ("run-" + dead + "-theirs"), Kind::theirs, true});
            leftovers.push_back({alone.string() + dead + "-theirs", Kind::theirs, true});
        }
        fs::create_directory(user);
        fs::permissions(user, fs::perms::owner_all);
        for (const Leftover& leftover : leftovers) {
            fs::create_directories(leftover.folder / "folder");
            test::writeFile(leftover.folder / "folder" / "file", "x");
            giveTo(leftover.folder, leftover.kind == Kind::theirs ? *sweeper.other : sweeper.uid);
            if (leftover.kind == Kind::closed) {
                fs::permissions(leftover.folder / "folder",
                                fs::perms::owner_read | fs::perms::owner_exec);
            }
        }
        ASSERT_EQ(::lchown(user.c_str(), sweeper.uid, static_cast<gid_t>(-1)), 0);
        const auto sweep = [&] {
            return std::to_string(processfolders::sweep(user)) + " " +
                   std::to_string(processfolders::sweepAlone(tmp.path()));
        };
        const std::optional<std::string> counts =
            sweeper.uid == 0 ? sweep() : test::inUnprivilegedChild(sweep);
        ASSERT_TRUE(counts);
        EXPECT_EQ(*counts, "2 1");
        for (const Leftover& leftover : leftovers) {
            EXPECT_EQ(fs::exists(leftover.folder), leftover.stays) << leftover.folder;
            if (leftover.kind == Kind::closed) {
                fs::permissions(leftover.folder / "folder", fs::perms::owner_all);
            }
        }
    }
}

TEST(FenFilesStorage, AnUnusableTemporaryDirectoryIsNamedWithTheSystemsReason) {
    struct Case {
        std::string name;
        // Gives the temporary directory to use, made unusable.
        std::function<fs::path(const fs::path& work)> arrange;
        std::errc reason;
        bool unprivileged = false;
    };
    const std::vector<Case> cases = {
        {"missing", [](const fs::path& work) { return work / "missing"; },
         std::errc::no_such_file_or_directory},
        {"a plain file",
         [](const fs::path& work) {
             test::writeFile(work / "plain", "x");
             return work / "plain";
         },
         std::errc::not_a_directory},
        // Entered but not written: the child that tries gives up root, which writes anywhere.
        {"not writable",
         [](const fs::path& work) {
             fs::create_directory(work / "read-only");
             fs::permissions(work / "read-only", fs::perms::all & ~fs::perms::owner_write &
                                                     ~fs::perms::group_write &
                                                     ~fs::perms::others_write);
             return work / "read-only";
         },
         std::errc::permission_denied, true},
    };
    for (bool scoped : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name + (scoped ? " in a run's folder" : ""));
            TemporaryDirectoryScope tmp(test::TempDir::Reach::everyone);
            // Others may pass through to the folder of the case.
            fs::permissions(tmp.path(),
                            fs::perms::all & ~fs::perms::group_write & ~fs::perms::others_write);
            const fs::path directory = c.arrange(tmp.path());
            ::setenv("TMPDIR", directory.c_str(), 1);
            const auto probe = [scoped] {
                std::optional<FenFilesStorage::ProcessFolderScope> scope;
                if (scoped) {
                    scope.emplace();
                }
                FenFilesStorage::WriteFailure failure;
                const bool written =
                    FenFilesStorage::writeImageData(std::string("png"), false, failure).has_value();
                return std::to_string(written) + std::to_string(failure.noFolder) + " " +
                       std::to_string(failure.error.value()) + " " + failure.folder.string();
            };
            const std::optional<std::string> answer =
                c.unprivileged ? test::inUnprivilegedChild(probe) : probe();
            ::setenv("TMPDIR", tmp.path().c_str(), 1);
            ASSERT_TRUE(answer);
            EXPECT_EQ(*answer, "01 " + std::to_string(static_cast<int>(c.reason)) + " " +
                                   directory.string());
        }
    }
}

} // namespace
} // namespace fen
