#include "platform/foundation/ProcessFolders.h"

#include "platform/foundation/Uuid.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace fen::processfolders {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view processPrefix = "run-";
// A folder being made: not yet locked, so no sweep looks at it.
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

void removeFolder(const fs::path& folder) {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
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
    int removed = 0;
    std::error_code ec;
    fs::directory_iterator entries(userFolder, ec);
    if (ec) {
        return 0;
    }
    const uid_t user = ::geteuid();
    for (const fs::directory_entry& entry : entries) {
        const fs::path& path = entry.path();
        if (!path.filename().string().starts_with(processPrefix)) {
            continue;
        }
        const int fd = openFolder(path);
        if (fd < 0) {
            continue;
        }
        struct stat status {};
        // The lock is free only when the process that held it has ended.
        if (::fstat(fd, &status) == 0 && status.st_uid == user &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && namesOpenFolder(path, fd)) {
            removeFolder(path);
            ++removed;
        }
        ::close(fd);
    }
    return removed;
}

} // namespace fen::processfolders
