#pragma once

#include "support/Process.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fen::test {

// A fresh folder, removed with everything in it when the object goes out of scope.
class TempDir {
public:
    enum class Reach {
        // In the temporary directory as set (while tests run, TMPDIR names a folder of the build
        // tree), open to its owner only.
        owner,
        // In the system's own temporary directory (/tmp), which every user may pass through, and
        // open to all for reading and passing: a child that gave up root (inUnprivilegedChild)
        // reaches it wherever the checkout lies, a folder of mode 0700 included.
        everyone,
        // In the system's own temporary directory (/tmp), open to its owner only: a path short
        // enough for the sockets made in it (an address holds at most 107 bytes) wherever the
        // checkout lies.
        sockets,
    };

    explicit TempDir(Reach reach = Reach::owner);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// What a finished child process printed and how it ended.
using CommandResult = process::Result;

// Runs a program with arguments (no shell), optionally feeding `input` on standard input.
CommandResult runCommand(const std::vector<std::string>& argv, const std::string& input = {});

// Reads a whole file as bytes; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// Waits, a few seconds at most, until a file changed now beside `file` gets a later change time
// than `file` has: the clock that stamps changes moves in steps of some milliseconds, and a test
// that changes a file again at once would otherwise not be seen to have changed it. False when the
// clock did not move.
bool awaitLaterChangeTime(const std::filesystem::path& file);

// The path of the built fenmoor-cli: FENMOOR_CLI when set, else the one of this build tree.
std::string cliPath();

// fenmoor-cli as a user who cannot enter the build tree may run it: a second name of the built
// program (or, on another file system, a copy of it) in `folder`, made with
// TempDir::Reach::everyone.
std::filesystem::path cliReachableIn(const std::filesystem::path& folder);

// Runs fenmoor-cli with `arguments` in this process's environment.
CommandResult runCli(const std::vector<std::string>& arguments, const std::string& input = {});

// The pieces of `text` between separators (a last separator ends the last piece).
std::vector<std::string> splitLines(const std::string& text, char separator = '\n');

// How often `word` occurs in `text`.
std::size_t occurrences(const std::string& text, const std::string& word);

// Runs `work` in a child process that may hold at most `headroom` bytes of data more than it holds
// at its start (RLIMIT_DATA); whether `work` returned true there. For what must copy files larger
// than the memory it may take, a piece at a time.
bool succeedsWithLittleMemory(std::size_t headroom, const std::function<bool()>& work);

// A file of `megabytes` MiB whose bytes differ from piece to piece.
void writeLargeFile(const std::filesystem::path& path, int megabytes);

} // namespace fen::test
