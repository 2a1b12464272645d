#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace fen::test {

// Runs `probe` in a child process and gives what it returned. When the tests run as root, the
// child first becomes an unprivileged user (nobody, 65534): root writes into any folder, whatever
// its permissions, so a folder without write permission refuses only such a user. That user
// reaches only what every user may pass through: the folders it uses are made with
// TempDir::Reach::everyone, never in the build tree, which may lie in a folder closed to others.
// None when the child could not be started, could not give up root, or did not end normally.
std::optional<std::string> inUnprivilegedChild(const std::function<std::string()>& probe);

// Another user's locks, for as long as the object lives: a child process that became an
// unprivileged user (nobody) as inUnprivilegedChild's does opens each of `paths` it can, a file
// or a folder, making a missing file with mode `made`, and holds an exclusive lock (flock) on
// each it opened. Only when the tests run as root; otherwise, or when the child could not start,
// nothing is held and anotherUser() is false.
class LocksOfAnotherUser {
public:
    explicit LocksOfAnotherUser(const std::vector<std::filesystem::path>& paths,
                                mode_t made = 0666);
    ~LocksOfAnotherUser();
    LocksOfAnotherUser(const LocksOfAnotherUser&) = delete;
    LocksOfAnotherUser& operator=(const LocksOfAnotherUser&) = delete;

    bool anotherUser() const { return anotherUser_; }
    // Those of the paths whose lock the child holds.
    const std::vector<std::filesystem::path>& held() const { return held_; }

private:
    pid_t child_ = -1;
    // The child holds its locks until it reads the end of this pipe.
    int release_ = -1;
    bool anotherUser_ = false;
    std::vector<std::filesystem::path> held_;
};

} // namespace fen::test
