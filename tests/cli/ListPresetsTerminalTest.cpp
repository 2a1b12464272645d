// Names with control characters (of presets, of files read and written): escaped when
// fenmoor-cli writes to a terminal, exact when it writes to a pipe.
#include "storage/FenDatabaseManager.h"
#include "storage/StoreTestSupport.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

namespace fen {
namespace {

// Which of fenmoor-cli's standard output and standard error a test puts on the terminal; the
// other goes to a file.
enum class OnTerminal { out, err, both };

// What fenmoor-cli writes to the pseudo-terminal (in raw mode, so the line discipline changes no
// byte) and to the file; none when no terminal can be had.
struct Seen {
    std::string terminal, file;
};

std::optional<Seen> cliOnTerminal(const std::vector<std::string>& arguments,
                                  OnTerminal streams = OnTerminal::out) {
    int master = -1;
    int slave = -1;
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&master, &slave, nullptr, &raw, nullptr) != 0) {
        return std::nullopt;
    }
    test::TempDir folder;
    const std::filesystem::path file = folder / "redirected";
    std::vector<std::string> argv{test::cliPath()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> args;
    for (std::string& a : argv) {
        args.push_back(a.data());
    }
    args.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        setsid();
        int redirected = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(streams == OnTerminal::err ? redirected : slave, STDOUT_FILENO);
        dup2(streams == OnTerminal::out ? redirected : slave, STDERR_FILENO);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, STDIN_FILENO);
        close(master);
        close(slave);
        execv(args[0], args.data());
        _exit(127);
    }
    close(slave);
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    char buffer[512];
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{master, POLLIN, 0};
        if (poll(&p, 1, 200) <= 0) {
            if (waitpid(child, nullptr, WNOHANG) == child) {
                break;
            }
            continue;
        }
        ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0) {
            break; // EIO once the child has gone and the terminal has no writer
        }
        out.append(buffer, static_cast<size_t>(n));
    }
    close(master);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return Seen{out, test::readFile(file)};
}

TEST(ListPresets, ControlCharactersOfNamesAreEscapedOnATerminalAndExactInAPipe) {
    test::ScopedStore s;
    const std::string hostile = "Red\x1b[31m bell\x07 tab\t del\x7f csi\xc2\x9b";
    // A name that spells an escape, and one whose bidirectional controls (U+202E, U+2066,
    // U+2069, U+202A, U+202C) would reorder the line; U+202F and U+2065 are no such controls.
    const std::string spelt = "Spelt \\x1b[31m \\";
    const std::string bidi = "Bidi \u202Eevil\u2066 x\u2069\u202Ay\u202C \u202F\u2065";
    ASSERT_TRUE(FenDatabaseManager::saveTextPreset("Plain é", {"a"}, TextSettings{}));
    ASSERT_TRUE(FenDatabaseManager::saveTextPreset(hostile, {"b"}, TextSettings{}));
    ASSERT_TRUE(FenDatabaseManager::saveTextPreset(spelt, {"c"}, TextSettings{}));
    ASSERT_TRUE(FenDatabaseManager::saveTextPreset(bidi, {"d"}, TextSettings{}));
    const std::vector<std::string> arguments{"list-presets", "text", "--store", s.file().string()};

    const test::CommandResult piped = test::runCli(arguments);
    EXPECT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(piped.out, "Plain é\n" + hostile + "\n" + spelt + "\n" + bidi + "\n");

    const std::optional<Seen> shown = cliOnTerminal(arguments);
    if (!shown) {
        GTEST_SKIP() << "no pseudo-terminal here";
    }
    EXPECT_EQ(shown->terminal,
              "Plain é\n"
              "Red\\x1b[31m bell\\x07 tab\\x09 del\\x7f csi\\xc2\\x9b\n"
              "Spelt \\\\x1b[31m \\\\\n"
              "Bidi \\xe2\\x80\\xaeevil\\xe2\\x81\\xa6 x\\xe2\\x81\\xa9\\xe2\\x80\\xaay"
              "\\xe2\\x80\\xac \u202F\u2065\n");
}

TEST(CliOnATerminal, NamesOfFilesAreEscapedThereAndExactInAPipe) {
    // A name that would retitle, clear and recolour the terminal; the same escaped.
    const std::string evil = "evil\x1b]0;PWNED\x07\x1b[2J\x1b[31m";
    const std::string shown = "evil\\x1b]0;PWNED\\x07\\x1b[2J\\x1b[31m";
    // A name that would break its line and overwrite it, with a byte that is no UTF-8.
    const std::string broken = "two\r\nlines\x1b[2K\xc3(";
    const std::string brokenShown = "two\\x0d\\x0alines\\x1b[2K\\xc3(";
    test::TempDir folder, other;
    test::writeFile(folder / (evil + ".pdf"), test::wordPages(1, 300, 300));
    test::writeFile(folder / (evil + "-not.pdf"), "no PDF");
    test::writeFile(folder / (evil + ".list"), "");
    test::writeFile(other / (broken + ".pdf"), "no PDF");
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        // What names the file: on standard output, or on standard error.
        std::string out, err;
        // The name in them, and how a terminal shows it.
        std::string named = {}, shownNamed = {};
    } cases[] = {
        {"the output path and the skipped input",
         {"add-some-text", "--text", "T", folder.path().string()},
         evil + ".pdf",
         evil + "-not.pdf: skipped"},
        {"an empty list of paths",
         {"page-number", "--files-from", (folder / (evil + ".list")).string()},
         "",
         evil + ".list: no file paths in it"},
        {"a usage error",
         {"page-number", "--files-from", (folder / (evil + ".gone")).string()},
         "",
         evil + ".gone"},
        {"line ends in a skipped input",
         {"add-some-text", "--text", "T", (other / (broken + ".pdf")).string()},
         "",
         broken + ".pdf: skipped, not a PDF document",
         broken,
         brokenShown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string& named = c.named.empty() ? evil : c.named;
        const auto onTerminal = [&](const std::string& line) {
            return line.empty()
                       ? line
                       : (c.shownNamed.empty() ? shown : c.shownNamed) + line.substr(named.size());
        };
        const test::CommandResult piped = test::runCli(c.arguments);
        EXPECT_NE(piped.out.find(c.out), std::string::npos) << piped.out;
        EXPECT_NE(piped.err.find(c.err), std::string::npos) << piped.err;

        // Each stream judged on its own: on the terminal with the other, alone there while the
        // other goes to a file, and in a file while the other is on the terminal.
        for (const OnTerminal streams : {OnTerminal::both, OnTerminal::out, OnTerminal::err}) {
            SCOPED_TRACE(static_cast<int>(streams));
            const std::optional<Seen> seen = cliOnTerminal(c.arguments, streams);
            if (!seen) {
                GTEST_SKIP() << "no pseudo-terminal here";
            }
            EXPECT_EQ(seen->terminal.find_first_of("\x1b\x07"), std::string::npos)
                << seen->terminal;
            const bool outShown = streams != OnTerminal::err;
            const bool errShown = streams != OnTerminal::out;
            for (const auto& [line, onIt] :
                 {std::pair{c.out, outShown}, std::pair{c.err, errShown}}) {
                const std::string& where = onIt ? seen->terminal : seen->file;
                EXPECT_NE(where.find(onIt ? onTerminal(line) : line), std::string::npos) << where;
            }
        }
    }
}

} // namespace
} // namespace fen
