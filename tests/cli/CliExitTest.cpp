// What fenmoor-cli says and how it ends when an input or its surroundings give it nothing to
// write: every case runs the program as a user would and pins its standard output, each line of
// standard error, its exit status and what it leaves in the temporary folder.
#include "platform/store/Database.h"
#include "storage/CoreDataBase.h"
#include "storage/FenDatabaseManager.h"
#include "storage/StoreTestSupport.h"
#include "support/PdfFixtures.h"
#include "support/SmallFileSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <thread>

namespace fen {
namespace {

namespace fs = std::filesystem;
using test::splitLines;

// When a stop signal is sent: once the run has made a folder in its temporary folder (it
// writes), or once it waits to open an input that is a pipe no one writes to.
enum class StopAt { writing, pipe };

struct Outcome {
    int exitCode = -1; // -1 when ended by a signal
    int signal = 0;
    std::string out, err;
    // The stop signal was sent at the moment asked for.
    bool stoppedAsAsked = false;
    // From the stop signal to the end of the run.
    std::chrono::duration<double> stopToEnd{};
};

bool hasEnded(pid_t pid) {
    siginfo_t ended{};
    return waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOHANG | WNOWAIT) != 0 ||
           ended.si_pid != 0;
}

// True while the process waits in the kernel for a pipe's other end to be opened.
bool waitsAtPipe(pid_t pid) {
    std::string channel = test::readFile("/proc/" + std::to_string(pid) + "/wchan");
    return channel == "wait_for_partner";
}

// Waits until `ready` holds or the run ends, for a minute at most; whether `ready` held.
bool awaitRun(pid_t pid, const std::function<bool()>& ready) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline && !hasEnded(pid)) {
        if (ready()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// Runs fenmoor-cli with `arguments`, its environment changed by `environment` (a variable with no
// value is removed), with SIGINT and SIGTERM handled as a shell's foreground command has them.
// With `stopSignal`, the signal is sent at the moment `stopAt` names. A run that has not ended a
// minute later is killed.
Outcome runCli(std::vector<std::string> arguments,
               const std::map<std::string, std::optional<std::string>>& environment,
               const fs::path& scratch, const fs::path& tmpdir, int stopSignal = 0,
               StopAt stopAt = StopAt::writing) {
    const fs::path outPath = scratch / "stdout", errPath = scratch / "stderr";
    arguments.insert(arguments.begin(), test::cliPath());
    pid_t pid = fork();
    if (pid == 0) {
        dup2(open("/dev/null", O_RDONLY), 0);
        dup2(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        for (const auto& [name, value] : environment) {
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        }
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        std::vector<char*> args;
        for (auto& a : arguments) {
            args.push_back(a.data());
        }
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    Outcome outcome;
    auto stoppedAt = std::chrono::steady_clock::now();
    if (stopSignal) {
        outcome.stoppedAsAsked = awaitRun(pid, [&] {
            return stopAt == StopAt::writing ? !fs::is_empty(tmpdir) : waitsAtPipe(pid);
        });
        stoppedAt = std::chrono::steady_clock::now();
        kill(pid, stopSignal);
    }
    awaitRun(pid, [] { return false; });
    outcome.stopToEnd = std::chrono::steady_clock::now() - stoppedAt;
    kill(pid, SIGKILL); // a run that does not end; nothing for one that has
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    outcome.out = test::readFile(outPath);
    outcome.err = test::readFile(errPath);
    return outcome;
}

// Makes a socket file at `path`, as a program listening there would.
void makeSocket(const fs::path& path) {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.native().size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, path.c_str());
    EXPECT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    close(fd);
}

std::string fifo(const fs::path& path) {
    EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
    return path.string();
}

using Args = std::vector<std::string>;
using Written = std::vector<std::string>;

// One run: the arguments, with the files they name made in `work`, and what the run must give.
struct ExitCase {
    const char* name;
    std::function<Args(const fs::path& work)> arguments;
    std::map<std::string, std::optional<std::string>> environment;
    int exitCode;
    // Each line of standard error, as a pattern where "WORK" stands for the work folder.
    std::vector<std::string> errors;
    std::size_t written = 0;
    // Further checks of the written files.
    std::function<void(const fs::path& work, const Written& written)> check = {};
    int stopSignal = 0;
    StopAt stopAt = StopAt::writing;
    // Standard output as a pattern, for a run that prints something else than written files.
    std::optional<std::string> output = {};
    // The temporary folder is a file system of its own with no room left, or with room for bytes
    // but none for one more file or folder (root alone may mount one; elsewhere the case is
    // skipped).
    bool fullTemporaryFolder = false;
    bool noFileLeftInTemporaryFolder = false;
};

std::string page(const fs::path& work, const std::string& name, int pages = 1) {
    test::writeFile(work / name, test::wordPages(pages, 595, 842));
    return (work / name).string();
}

// `piece` repeated to `characters` characters (`piece` is ASCII).
std::string longText(const std::string& piece, std::size_t characters) {
    std::string text;
    while (text.size() < characters) {
        text += piece;
    }
    return text.substr(0, characters);
}

std::string stored(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    test::writeFile(file, bytes);
    return file.string();
}

TEST(CliExitTest, EachRunThatWritesNotEverythingSaysWhyOnceAndEndsAsItsHelpSays) {
    const std::string noFolder = "fenmoor-cli: WORK/a\\.pdf: skipped, no temporary folder could "
                                 "be created for the output: ";
    auto showEncryption = [](const fs::path& pdf) {
        return test::runCommand({"qpdf", "--show-encryption", pdf.string()}).out;
    };
    auto stampPreset = [](const fs::path& work) {
        return Args{"create-from-presets", "--type", "stamp", "--preset", "Approved",
                    page(work, "a.pdf")};
    };
    // The default store holding the stamp preset "Approved" and, with `killed`, the save of
    // another, "Never stored", that a program was killed in midway (its pages spilled into the
    // file, its journal left).
    auto storeWithAKilledSave = [](const fs::path& work, bool killed = true) {
        const fs::path file = work / "data/fenmoor/FenmoorData.sqlite";
        fs::create_directories(file.parent_path());
        CoreDataBase::setShared(
            std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{file})));
        EXPECT_TRUE(FenDatabaseManager::saveStampPreset("Approved", StampSettings{}));
        CoreDataBase::setShared(nullptr);
        if (killed) {
            Presets<StampPreset> presets;
            presets.presets.push_back(StampPreset{.name = "Never stored"});
            EXPECT_TRUE(test::killMidSave(file, "DBStampPresets", encodeJson(presets)));
        }
    };
    // Another program holding the default store exclusively (sqlite3 after BEGIN EXCLUSIVE) for
    // `held` from now on.
    auto holdStore = [](const fs::path& work, std::chrono::milliseconds held) {
        auto holder = std::make_shared<store::Database>(work / "data/fenmoor/FenmoorData.sqlite",
                                                        store::OpenMode::readWrite);
        holder->exec("BEGIN EXCLUSIVE");
        std::thread([holder, held] {
            std::this_thread::sleep_for(held);
            holder->exec("ROLLBACK");
        }).detach();
    };
    const std::vector<ExitCase> cases = {
        {.name = "empty folder",
         .arguments =
             [](const fs::path& work) {
                 fs::create_directories(work / "empty");
                 return Args{"page-number", (work / "empty").string()};
             },
         .exitCode = 1,
         .errors = {"fenmoor-cli: WORK/empty: no PDF files in it"}},
        {.name = "empty list",
         .arguments =
             [](const fs::path& work) {
                 return Args{"page-number", "--files-from", stored(work / "list", "\n")};
             },
         .exitCode = 1,
         .errors = {"fenmoor-cli: WORK/list: no file paths in it"}},
        // The folder of each output is made, but the file finds no room: the temporary folder
        // is named, not the input's or the output's disk.
        {.name = "full temporary folder",
         .arguments =
             [](const fs::path& work) {
                 return Args{"page-number", page(work, "a.pdf"), page(work, "b.pdf")};
             },
         .exitCode = 1,
         .errors = {"fenmoor-cli: WORK/a\\.pdf: skipped, no room for the output in the "
                    "temporary folder: WORK/tmp: No space left on device",
                    "fenmoor-cli: WORK/b\\.pdf: skipped, no room for the output in the "
                    "temporary folder: WORK/tmp: No space left on device"},
         .fullTemporaryFolder = true},
        // Bytes are free but no file can be made: the folder of the output is not made, and the
        // temporary folder is named.
        {.name = "temporary folder with no file left",
         .arguments =
             [](const fs::path& work) {
                 return Args{"page-number", page(work, "a.pdf")};
             },
         .exitCode = 1,
         .errors = {noFolder + "WORK/tmp: No space left on device"},
         .noFileLeftInTemporaryFolder = true},
        {"temporary folder below a regular file",
         [](const fs::path& work) {
             stored(work / "file", "x");
             return Args{"page-number", page(work, "a.pdf"), (work / "a.pdf").string()};
         },
         {{"TMPDIR", "WORK/file/tmp"}},
         1,
         {noFolder + "WORK/file/tmp: Not a directory",
          noFolder + "WORK/file/tmp: Not a directory"}},
        // No one, root included, makes a folder in /proc: the folder itself fails to be made.
        {"temporary folder where no folder can be made",
         [](const fs::path& work) {
             return Args{"add-a-stamp", "--text", "Paid", page(work, "a.pdf")};
         },
         {{"TMPDIR", "/proc"}},
         1,
         {noFolder + "/proc: .+"}},
        {"empty TMPDIR is the system's temporary folder",
         [](const fs::path& work) {
             return Args{"page-number", page(work, "a.pdf")};
         },
         {{"TMPDIR", ""}, {"TMP", std::nullopt}, {"TEMP", std::nullopt}, {"TEMPDIR", std::nullopt}},
         0,
         {},
         1,
         [](const fs::path&, const Written& written) {
             fs::path folder = fs::path(written[0]).parent_path();
             EXPECT_EQ(folder.parent_path(), "/tmp");
             std::error_code ec;
             fs::remove_all(folder, ec);
         }},
        {"stamp preset that is not stored",
         stampPreset,
         {{"XDG_DATA_HOME", "WORK/data"}},
         1,
         {"fenmoor-cli: warning: no stamp preset is named \"Approved\"; the files are written "
          "without it"},
         1,
         // What the help says of it.
         [](const fs::path&, const Written&) {
             EXPECT_NE(test::runCli({"create-from-presets", "--help"})
                           .out.find("1 when some input was skipped, gave no PDF file, or a "
                                     "preset named was not found or could not be read (a stamp, "
                                     "image or page-number preset that is not stored leaves its "
                                     "watermark out of files that are still written, and so "
                                     "does an image preset whose picture is missing, is not a "
                                     "picture or is too large to draw, and a stamp too long to "
                                     "draw)"),
                       std::string::npos);
         }},
        {"store that is not a database",
         [](const fs::path& work) {
             return Args{"list-presets", "stamp", "--store",
                         stored(work / "store", "not a database, a note")};
         },
         {},
         1,
         {"fenmoor-cli: the preset store WORK/store cannot be read: file is not a database"},
         0,
         [](const fs::path& work, const Written&) {
             EXPECT_EQ(test::readFile(work / "store"), "not a database, a note");
         }},
        {"default store that is not a database",
         [&](const fs::path& work) {
             stored(work / "data/fenmoor/FenmoorData.sqlite", "other bytes");
             return stampPreset(work);
         },
         {{"XDG_DATA_HOME", "WORK/data"}},
         1,
         {"fenmoor-cli: the preset store WORK/data/fenmoor/FenmoorData\\.sqlite cannot be read: "
          "file is not a database"},
         0,
         [](const fs::path& work, const Written&) {
             EXPECT_EQ(test::readFile(work / "data/fenmoor/FenmoorData.sqlite"), "other bytes");
         }},
        // A pipe at the store's own path is never opened (which would wait for a writer): it is
        // told as a store that cannot be read, for every command that reads presets.
        {"default store that is a pipe, listed",
         [](const fs::path& work) {
             fs::create_directories(work / "data/fenmoor");
             fifo(work / "data/fenmoor/FenmoorData.sqlite");
             return Args{"list-presets", "stamp"};
         },
         {{"XDG_DATA_HOME", "WORK/data"}},
         1,
         {"fenmoor-cli: the preset store WORK/data/fenmoor/FenmoorData\\.sqlite cannot be read: "
          "not a regular file"}},
        {"default store that is a pipe, applied",
         [&](const fs::path& work) {
             fs::create_directories(work / "data/fenmoor");
             fifo(work / "data/fenmoor/FenmoorData.sqlite");
             return stampPreset(work);
         },
         {{"XDG_DATA_HOME", "WORK/data"}},
         1,
         {"fenmoor-cli: the preset store WORK/data/fenmoor/FenmoorData\\.sqlite cannot be read: "
          "not a regular file"}},
        // A save another program was killed in, midway: it was never stored, so it is neither
        // listed nor applied; the run rolls it back before it reads.
        {.name = "default store with a save killed midway, listed",
         .arguments =
             [&](const fs::path& work) {
                 storeWithAKilledSave(work);
                 return Args{"list-presets", "stamp"};
             },
         .environment = {{"XDG_DATA_HOME", "WORK/data"}},
         .exitCode = 0,
         .check =
             [](const fs::path& work, const Written&) {
                 EXPECT_FALSE(fs::exists(work / "data/fenmoor/FenmoorData.sqlite-journal"));
             },
         .output = "Approved\n"},
        {"default store with a save killed midway, applied",
         [&](const fs::path& work) {
             storeWithAKilledSave(work);
             return Args{"create-from-presets", "--type",           "stamp", "--preset",
                         "Never stored",        page(work, "a.pdf")};
         },
         {{"XDG_DATA_HOME", "WORK/data"}},
         1,
         {"fenmoor-cli: warning: no stamp preset is named \"Never stored\"; the files are "
          "written without it"},
         1},
        // A journal's path that holds no regular file is never opened: the store is read as it is.
        {.name = "default store with a pipe at its journal's path, listed",
         .arguments =
             [&](const fs::path& work) {
                 storeWithAKilledSave(work, false);
                 fifo(work / "data/fenmoor/FenmoorData.sqlite-journal");
                 return Args{"list-presets", "stamp"};
             },
         .environment = {{"XDG_DATA_HOME", "WORK/data"}},
         .exitCode = 0,
         .errors = {"fenmoor-cli: warning: The preset store WORK/data/fenmoor/FenmoorData\\.sqlite "
                    "is read as it is: its journal "
                    "WORK/data/fenmoor/FenmoorData\\.sqlite-journal is a named pipe"},
         .output = "Approved\n"},
        // A store named through a symbolic link is the store the link names.
        {.name = "store named by a symbolic link to it",
         .arguments =
             [&](const fs::path& work) {
                 storeWithAKilledSave(work, false);
                 fs::create_symlink(work / "data/fenmoor/FenmoorData.sqlite", work / "link");
                 return Args{"list-presets", "stamp", "--store", (work / "link").string()};
             },
         .exitCode = 0,
         .output = "Approved\n"},
        // Held past the store's patience: told, never taken for a store without presets.
        {.name = "default store another program holds past the store's patience",
         .arguments =
             [&](const fs::path& work) {
                 storeWithAKilledSave(work, false);
                 holdStore(work, std::chrono::seconds(25));
                 return Args{"list-presets", "stamp"};
             },
         .environment = {{"XDG_DATA_HOME", "WORK/data"}},
         .exitCode = 1,
         .errors = {"fenmoor-cli: the stored stamp presets could not be read: database is locked"},
         .output = ""},
        // Another program writing the store holds readers out for a moment: the names are read
        // once it lets go.
        {.name = "default store another program holds for a moment",
         .arguments =
             [&](const fs::path& work) {
                 storeWithAKilledSave(work, false);
                 holdStore(work, std::chrono::milliseconds(500));
                 return Args{"list-presets", "stamp"};
             },
         .environment = {{"XDG_DATA_HOME", "WORK/data"}},
         .exitCode = 0,
         .output = "Approved\n"},
        // The author's restrictions stay, and the output opens without a password as before.
        {"input with an owner password only",
         [](const fs::path& work) {
             EXPECT_EQ(test::runCommand({"qpdf", "--encrypt", "", "owner", "256", "--print=none",
                                         "--", page(work, "plain.pdf"), (work / "a.pdf").string()})
                           .exitCode,
                       0);
             return Args{"page-number", (work / "a.pdf").string()};
         },
         {},
         0,
         {},
         1,
         [&](const fs::path& work, const Written& written) {
             std::string input = showEncryption(work / "a.pdf");
             EXPECT_NE(input.find("print high resolution: not allowed"), std::string::npos);
             EXPECT_EQ(showEncryption(written[0]), input);
         }},
        // The same with a 128-bit RC4 key (revision 3), which is kept as it is too.
        {"input with an owner password only and an RC4 key",
         [](const fs::path& work) {
             EXPECT_EQ(test::runCommand({"qpdf", "--allow-weak-crypto", "--encrypt", "", "owner",
                                         "128", "--use-aes=n", "--print=none", "--",
                                         page(work, "plain.pdf"), (work / "a.pdf").string()})
                           .exitCode,
                       0);
             return Args{"add-some-text", "--text", "Draft", (work / "a.pdf").string()};
         },
         {},
         0,
         {},
         1,
         [&](const fs::path& work, const Written& written) {
             std::string input = showEncryption(work / "a.pdf");
             EXPECT_NE(input.find("R = 3\n"), std::string::npos) << input;
             EXPECT_NE(input.find("print high resolution: not allowed"), std::string::npos);
             EXPECT_EQ(showEncryption(written[0]), input);
         }},
        // A folder's inputs are its regular files: a pipe or a socket named like a PDF file is
        // left out without a word (a pipe would hold up the run).
        {.name = "folder holding a pipe and a socket named like PDF files",
         .arguments =
             [](const fs::path& work) {
                 fs::create_directories(work / "in");
                 page(work, "in/a.pdf");
                 fifo(work / "in/p.pdf");
                 makeSocket(work / "in/s.pdf");
                 return Args{"page-number", (work / "in").string()};
             },
         .exitCode = 0,
         .written = 1},
        // A pipe given as an input is read like a file once someone writes to it.
        {.name = "pipe with a writer",
         .arguments =
             [](const fs::path& work) {
                 std::string pipe = fifo(work / "p.pdf");
                 std::thread([pipe, bytes = test::wordPages(1, 595, 842)] {
                     int fd = open(pipe.c_str(), O_WRONLY);
                     EXPECT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
                     close(fd);
                 }).detach();
                 return Args{"page-number", pipe};
             },
         .exitCode = 0,
         .written = 1},
        // What cannot be read is told, in the order the inputs are collected, and the rest written.
        {.name = "broken, locked and other inputs",
         .arguments =
             [](const fs::path& work) {
                 fs::create_directories(work / "folder.pdf");
                 return Args{"add-a-stamp",
                             "--text",
                             "Paid",
                             stored(work / "broken.pdf", "%PDF-1.7\nnothing else"),
                             page(work, "a.pdf"),
                             stored(work / "locked.pdf",
                                    test::encryptPdf(test::wordPages(1, 595, 842), "secret", "s")),
                             (work / "notes.txt").string(),
                             (work / "folder.pdf").string()};
             },
         .exitCode = 1,
         .errors = {"fenmoor-cli: WORK/notes\\.txt: skipped, not a PDF file.*",
                    "fenmoor-cli: WORK/folder\\.pdf: skipped, a folder.*",
                    "fenmoor-cli: WORK/broken\\.pdf: skipped, not a PDF document.*",
                    "fenmoor-cli: WORK/locked\\.pdf: skipped, protected by a password.*"},
         .written = 1},
        // A stamp of thousands of characters is drawn; one too long to draw even a pixel high is
        // a watermark left out; a text past the drawing bound is drawn cut. Each is told once
        // for the whole run, however many files it writes.
        {.name = "stamp of 5000 characters",
         .arguments =
             [](const fs::path& work) {
                 return Args{"add-a-stamp", "--text", longText("APPROVED BY THE BOARD ", 5000),
                             page(work, "a.pdf")};
             },
         .exitCode = 0,
         .written = 1,
         .check =
             [](const fs::path&, const Written& written) {
                 EXPECT_EQ(test::pdfImages(written[0]).size(), 2u);
             }},
        // Turned by the automatic angle, a stamp of the bound's length would need a bitmap of
        // hundreds of megabytes to be a pixel high.
        {.name = "stamp too long to draw, three files",
         .arguments =
             [](const fs::path& work) {
                 return Args{"add-a-stamp",
                             "--text",
                             longText("PAID ", 32768),
                             page(work, "a.pdf"),
                             page(work, "b.pdf"),
                             page(work, "c.pdf")};
             },
         .exitCode = 1,
         .errors = {"fenmoor-cli: warning: the stamp text is too long to draw; the files are "
                    "written without it"},
         .written = 3,
         .check =
             [](const fs::path&, const Written& written) {
                 for (const auto& file : written) {
                     EXPECT_TRUE(test::pdfImages(file).empty()) << file;
                 }
             }},
        {.name = "text past the bound, three files",
         .arguments =
             [](const fs::path& work) {
                 return Args{"add-some-text",           "--text",
                             longText("Draft ", 32768), page(work, "a.pdf"),
                             page(work, "b.pdf"),       page(work, "c.pdf")};
             },
         .exitCode = 0,
         .errors = {"fenmoor-cli: warning: The text watermark is longer than 32767 characters: "
                    "only its first 32767 are drawn\\."},
         .written = 3},
        {.name = "--version",
         .arguments = [](const fs::path&) { return Args{"--version"}; },
         .exitCode = 0,
         .output = "fenmoor-cli [0-9]+\\.[0-9]+\\.[0-9]+\n"},
        // A large input is stopped while it is written: nothing of it stays, nothing is printed.
        {.name = "interrupted run",
         .arguments =
             [](const fs::path& work) {
                 return Args{"add-some-text", "--text", "Draft", page(work, "a.pdf", 3000),
                             page(work, "b.pdf")};
             },
         .exitCode = -1,
         .stopSignal = SIGTERM},
        // Waiting to open a pipe no one writes to, the run ends at once by the signal and leaves
        // nothing.
        {.name = "SIGINT while waiting for a pipe",
         .arguments =
             [](const fs::path& work) {
                 return Args{"add-some-text", "--text", "Draft", fifo(work / "p.pdf")};
             },
         .exitCode = -1,
         .stopSignal = SIGINT,
         .stopAt = StopAt::pipe},
        {.name = "SIGTERM while waiting for a pipe",
         .arguments =
             [](const fs::path& work) {
                 return Args{"page-number", fifo(work / "p.pdf")};
             },
         .exitCode = -1,
         .stopSignal = SIGTERM,
         .stopAt = StopAt::pipe},
    };

    std::string skipped;
    for (const ExitCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir work{test::TempDir::Reach::sockets}; // one case makes a socket in it
        const fs::path tmp = work / "tmp";
        fs::create_directories(tmp);
        std::optional<test::SmallFileSystem> full;
        if (c.fullTemporaryFolder || c.noFileLeftInTemporaryFolder) {
            full.emplace(256 << 10, tmp, c.noFileLeftInTemporaryFolder ? 16 : 0);
            if (!full->mounted()) {
                skipped = full->refusal();
                continue;
            }
            ASSERT_TRUE(c.fullTemporaryFolder ? full->fill() : full->useUpFiles());
        }
        auto place = [&](std::string text) {
            for (auto at = text.find("WORK"); at != std::string::npos; at = text.find("WORK")) {
                text.replace(at, 4, work.path().string());
            }
            return text;
        };
        std::map<std::string, std::optional<std::string>> environment{{"TMPDIR", tmp.string()}};
        for (const auto& [name, value] : c.environment) {
            environment[name] = value ? std::optional(place(*value)) : std::nullopt;
        }
        Outcome r =
            runCli(c.arguments(work.path()), environment, work.path(), tmp, c.stopSignal, c.stopAt);

        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_EQ(r.signal, c.stopSignal);
        EXPECT_EQ(r.stoppedAsAsked, c.stopSignal != 0);
        if (c.stopAt == StopAt::pipe) {
            EXPECT_LT(r.stopToEnd.count(), 1.0);
        }
        std::vector<std::string> errors = splitLines(r.err);
        EXPECT_EQ(errors.size(), c.errors.size()) << r.err;
        for (std::size_t i = 0; i < std::min(errors.size(), c.errors.size()); ++i) {
            EXPECT_TRUE(std::regex_match(errors[i], std::regex(place(c.errors[i])))) << errors[i];
        }
        if (c.output) {
            EXPECT_TRUE(std::regex_match(r.out, std::regex(*c.output))) << r.out;
            continue;
        }
        Written written = splitLines(r.out);
        if (written.size() != c.written) {
            ADD_FAILURE() << "written: " << r.out;
            continue;
        }
        // Every written file is in a folder of its own that only its owner may enter; nothing
        // else is left in the temporary folder.
        std::size_t inTmp = 0;
        for (const auto& file : written) {
            EXPECT_TRUE(fs::is_regular_file(file)) << file;
            struct stat info {};
            EXPECT_EQ(stat(fs::path(file).parent_path().c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, 0700u) << file;
            inTmp += fs::path(file).parent_path().parent_path() == tmp;
        }
        EXPECT_EQ(static_cast<std::size_t>(
                      std::distance(fs::directory_iterator(tmp), fs::directory_iterator())),
                  inTmp + (full ? 1 : 0));
        if (c.check) {
            c.check(work.path(), written);
        }
    }
    if (!skipped.empty()) {
        GTEST_SKIP() << "the cases of a temporary folder that is a file system of its own: "
                     << skipped;
    }
}

} // namespace
} // namespace fen
