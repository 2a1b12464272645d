#include "TestSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fen::test {

TempDir::TempDir(Reach reach) {
    const std::filesystem::path parent = reach == Reach::owner
                                             ? std::filesystem::temp_directory_path()
                                             : std::filesystem::path(P_tmpdir);
    std::string pattern = (parent / "fenmoor-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
    if (reach == Reach::everyone) {
        std::filesystem::permissions(
            path_, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                       std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                       std::filesystem::perms::others_exec);
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

CommandResult runCommand(const std::vector<std::string>& argv, const std::string& input) {
    return process::run(argv, {.input = input});
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool awaitLaterChangeTime(const std::filesystem::path& file) {
    const std::filesystem::path probe =
        file.parent_path() / (".change-time-" + file.filename().string());
    const auto changed = [](const std::filesystem::path& path) {
        struct stat status {};
        ::stat(path.c_str(), &status);
        return std::pair{status.st_ctim.tv_sec, status.st_ctim.tv_nsec};
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool later = false;
    while (!later && std::chrono::steady_clock::now() < deadline) {
        writeFile(probe, "");
        later = changed(probe) > changed(file);
        if (!later) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    std::error_code ignored;
    std::filesystem::remove(probe, ignored);
    return later;
}

std::string cliPath() {
    const char* p = std::getenv("FENMOOR_CLI");
    return p && *p ? p : FENMOOR_BINARY_DIR "/fenmoor-cli";
}

std::filesystem::path cliReachableIn(const std::filesystem::path& folder) {
    const std::filesystem::path reachable = folder / "fenmoor-cli";
    std::error_code linked;
    std::filesystem::create_hard_link(cliPath(), reachable, linked);
    if (linked) {
        std::filesystem::copy_file(cliPath(), reachable);
    }
    return reachable;
}

CommandResult runCli(const std::vector<std::string>& arguments, const std::string& input) {
    std::vector<std::string> argv{cliPath()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runCommand(argv, input);
}

std::vector<std::string> splitLines(const std::string& text, char separator) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = std::min(text.find(separator, start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::size_t occurrences(const std::string& text, const std::string& word) {
    std::size_t count = 0;
    for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        ++count;
    }
    return count;
}

namespace {

// The current size of the process's data, in bytes, as /proc/self/status tells it.
rlim_t dataBytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmData:", 0) == 0) {
            std::istringstream kilobytes(line.substr(7));
            rlim_t value = 0;
            kilobytes >> value;
            return value * 1024;
        }
    }
    return 0;
}

} // namespace

bool succeedsWithLittleMemory(std::size_t headroom, const std::function<bool()>& work) {
    const pid_t child = ::fork();
    if (child == 0) {
        const rlim_t limit = dataBytes() + headroom;
        const rlimit data{limit, limit};
        if (dataBytes() == 0 || ::setrlimit(RLIMIT_DATA, &data) != 0) {
            ::_exit(2);
        }
        ::_exit(work() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

void writeLargeFile(const std::filesystem::path& path, int megabytes) {
    std::ofstream out(path, std::ios::binary);
    std::string piece(1 << 20, '\0');
    for (int i = 0; i < megabytes; ++i) {
        for (size_t j = 0; j < piece.size(); ++j) {
            piece[j] = static_cast<char>((i * 131 + j) % 251);
        }
        out << piece;
    }
}

} // namespace fen::test
