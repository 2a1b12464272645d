#include "support/Unprivileged.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace fen::test {

namespace {

constexpr uid_t nobody = 65534;

bool dropRoot() {
    if (::geteuid() != 0) {
        return true;
    }
    return ::setgroups(0, nullptr) == 0 && ::setresgid(nobody, nobody, nobody) == 0 &&
           ::setresuid(nobody, nobody, nobody) == 0;
}

// What is read from `fd` until its end, or until it cannot be read; `fd` is then closed.
std::string readToEnd(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return text;
}

// Waits for `child` to end; whether it ended normally with status 0.
bool ended(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

std::optional<std::string> inUnprivilegedChild(const std::function<std::string()>& probe) {
    int ends[2];
    if (::pipe(ends) != 0) {
        return std::nullopt;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return std::nullopt;
    }
    if (child == 0) {
        ::close(ends[0]);
        if (!dropRoot()) {
            ::_exit(2);
        }
        const std::string answer = probe();
        size_t written = 0;
        while (written < answer.size()) {
            const ssize_t n = ::write(ends[1], answer.data() + written, answer.size() - written);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                ::_exit(3);
            }
            written += static_cast<size_t>(n);
        }
        ::_exit(0);
    }
    ::close(ends[1]);
    const std::string answer = readToEnd(ends[0]);
    if (!ended(child)) {
        return std::nullopt;
    }
    return answer;
}

LocksOfAnotherUser::LocksOfAnotherUser(const std::vector<std::filesystem::path>& paths,
                                       mode_t made) {
    if (::geteuid() != 0) {
        return;
    }
    // The child reports one byte a path ('1' locked, '0' not) and then waits for the end of
    // `release`, touching nothing the parent's other threads may hold (no allocation).
    std::vector<std::string> names;
    for (const std::filesystem::path& path : paths) {
        names.push_back(path.string());
    }
    int report[2];
    int release[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return;
    }
    if (::pipe2(release, O_CLOEXEC) != 0) {
        ::close(report[0]);
        ::close(report[1]);
        return;
    }
    child_ = ::fork();
    if (child_ == 0) {
        ::close(report[0]);
        ::close(release[1]);
        if (!dropRoot()) {
            ::_exit(2);
        }
        for (const std::string& name : names) {
            int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW);
            if (fd < 0 && errno == ENOENT) {
                fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, made);
                if (fd >= 0) {
                    ::fchmod(fd, made);
                }
            }
            const char locked = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? '1' : '0';
            if (::write(report[1], &locked, 1) != 1) {
                ::_exit(3);
            }
        }
        ::close(report[1]);
        char byte;
        while (::read(release[0], &byte, 1) != 0 && errno == EINTR) {
        }
        ::_exit(0);
    }
    ::close(report[1]);
    ::close(release[0]);
    if (child_ < 0) {
        ::close(report[0]);
        ::close(release[1]);
        return;
    }
    release_ = release[1];
    const std::string answer = readToEnd(report[0]);
    anotherUser_ = answer.size() == paths.size();
    for (size_t i = 0; anotherUser_ && i < paths.size(); ++i) {
        if (answer[i] == '1') {
            held_.push_back(paths[i]);
        }
    }
}

LocksOfAnotherUser::~LocksOfAnotherUser() {
    if (child_ > 0) {
        ::close(release_);
        ended(child_);
    }
}

} // namespace fen::test
