#include "platform/foundation/ProcessFolders.h"

#include "platform/foundation/Uuid.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <string>

namespace fen::processfolders {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view processPrefix = "run-";
// A folder being made: not yet locked, so a sweep takes it only once its process has ended.
constexpr std::string_view stagingPrefix = ".new-";

std::error_code lastError() {
    return {errno, std::generic_category()};
}

// Opens a folder itself, never what a symbolic link in its place points to.
int openFolder(const fs::path& folder) {
    return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// True when `path` still names the folder open as `fd`.
bool namesOpenFolder(const fs::path& path, int fd) {
    struct stat named {};
    struct stat open {};
    return ::lstat(path.c_str(), &named) == 0 && ::fstat(fd, &open) == 0 &&
           named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

// Removes a folder with everything in it; true when nothing of it is left.
bool removeFolder(const fs::path& folder) {
    std::error_code error;
    fs::remove_all(folder, error);
    struct stat status {};
    return !error && ::lstat(folder.c_str(), &status) != 0 && errno == ENOENT;
}

// The prefix of the names of the folders claimAlone makes for this user.
std::string alonePrefix() {
    return "fenmoor-" + std::to_string(::geteuid()) + "-";
}

// True when `name` is `prefix`, a process id and "-" and more, and that process has ended.
bool processEnded(const std::string& name, std::string_view prefix) {
    if (!name.starts_with(prefix)) {
        return false;
    }
    const std::size_t end = name.find('-', prefix.size());
    if (end == std::string::npos || end == prefix.size() || end - prefix.size() > 9) {
        return false;
    }
    pid_t pid = 0;
    for (std::size_t i = prefix.size(); i < end; ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return false;
        }
        pid = pid * 10 + (name[i] - '0');
    }
    return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Removes the folder at `path` when it is a folder of this user's own (no symbolic link) whose
// lock is free; true when all of it went.
bool removeLeftover(const fs::path& path) {
    const int fd = openFolder(path);
    if (fd < 0) {
        return false;
    }
    struct stat status {};
    bool removed = false;
    // The lock is free only when the process that held it has ended (or never took it).
    if (::fstat(fd, &status) == 0 && status.st_uid == ::geteuid() &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && namesOpenFolder(path, fd)) {
        removed = removeFolder(path);
    }
    ::close(fd);
    return removed;
}

// Removes, as removeLeftover does, the entries of `folder` whose names `isLeftover` takes; gives
// the number that went whole.
int removeLeftoversIn(const fs::path& folder,
                      const std::function<bool(const std::string&)>& isLeftover) {
    std::error_code ec;
    fs::directory_iterator entries(folder, ec);
    if (ec) {
        return 0;
    }
    int removed = 0;
    for (const fs::directory_entry& entry : entries) {
        if (isLeftover(entry.path().filename().string()) && removeLeftover(entry.path())) {
            ++removed;
        }
    }
    return removed;
}

} // namespace

std::optional<fs::path> userFolder(const fs::path& temporaryDirectory, std::error_code& error,
                                   fs::path* unusable) {
    error.clear();
    const fs::path folder = temporaryDirectory / ("fenmoor-" + std::to_string(::geteuid()));
    const auto refuse = [&](std::error_code reason, const fs::path& where) {
        error = reason;
        if (unusable) {
            *unusable = where;
        }
        return std::nullopt;
    };
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        // The temporary directory is missing, is not a folder, or cannot be written.
        return refuse(lastError(), temporaryDirectory);
    }
    const int fd = openFolder(folder);
    if (fd < 0) {
        return refuse(lastError(), folder);
    }
    struct stat status {};
    std::error_code reason;
    if (::fstat(fd, &status) != 0) {
        reason = lastError();
    } else if (status.st_uid != ::geteuid()) {
        reason = std::make_error_code(std::errc::operation_not_permitted);
    } else if ((status.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0) {
        reason = lastError();
    }
    ::close(fd);
    if (reason) {
        return refuse(reason, folder);
    }
    return folder;
}

std::unique_ptr<ProcessFolder> ProcessFolder::claim(const fs::path& userFolder,
                                                    std::error_code& error) {
    error.clear();
    // The process id keeps the names of running processes apart even where their random
    // numbers are not (a forked child starts with its parent's).
    const std::string id = std::to_string(::getpid()) + "-" + newUuidString();
    const fs::path staging = userFolder / (std::string(stagingPrefix) + id);
    const fs::path folder = userFolder / (std::string(processPrefix) + id);
    if (::mkdir(staging.c_str(), 0700) != 0) {
        error = lastError();
        return nullptr;
    }
    const int fd = openFolder(staging);
    if (fd < 0) {
        error = lastError();
        ::rmdir(staging.c_str());
        return nullptr;
    }
    // Never in place of another folder: a plain rename would replace an empty one.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        ::renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, folder.c_str(), RENAME_NOREPLACE) != 0) {
        error = lastError();
        ::close(fd);
        ::rmdir(staging.c_str());
        return nullptr;
    }
    return std::unique_ptr<ProcessFolder>(new ProcessFolder(folder, fd));
}

std::unique_ptr<ProcessFolder> ProcessFolder::claimAlone(const fs::path& temporaryDirectory,
                                                         std::error_code& error) {
    error.clear();
    // Until it is locked, the process id in its name keeps a sweep away from it.
    std::string folder =
        (temporaryDirectory / (alonePrefix() + std::to_string(::getpid()) + "-XXXXXX")).string();
    if (::mkdtemp(folder.data()) == nullptr) {
        error = lastError();
        return nullptr;
    }
    const int fd = openFolder(folder);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = lastError();
        if (fd >= 0) {
            ::close(fd);
        }
        ::rmdir(folder.c_str());
        return nullptr;
    }
    return std::unique_ptr<ProcessFolder>(new ProcessFolder(folder, fd));
}

ProcessFolder::~ProcessFolder() {
    if (exists()) {
        removeFolder(path_);
    }
    ::close(lock_);
}

bool ProcessFolder::exists() const {
    return namesOpenFolder(path_, lock_);
}

int sweep(const fs::path& userFolder) {
    return removeLeftoversIn(userFolder, [](const std::string& name) {
        return name.starts_with(processPrefix) || processEnded(name, stagingPrefix);
    });
}

int sweepAlone(const fs::path& temporaryDirectory) {
    const std::string prefix = alonePrefix();
    return removeLeftoversIn(temporaryDirectory, [&prefix](const std::string& name) {
        return processEnded(name, prefix);
    });
}

} // namespace fen::processfolders
