#include "support/SmallFileSystem.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace fen::test {

SmallFileSystem::SmallFileSystem(std::size_t bytes, std::filesystem::path on, std::size_t inodes)
    : path_(std::move(on)) {
    if (path_.empty()) {
        path_ = own_.emplace().path();
    }
    std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
    if (inodes != 0) {
        options += ",nr_inodes=" + std::to_string(inodes);
    }
    mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    if (!mounted_) {
        refusal_ = std::string("a file system cannot be mounted here: ") + std::strerror(errno);
    }
}

SmallFileSystem::~SmallFileSystem() {
    if (mounted_) {
        ::umount2(path_.c_str(), MNT_DETACH);
    }
}

bool SmallFileSystem::fill(std::size_t room) const {
    const int fd =
        ::open((path() / "filler").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    // Down to the last page the file system hands out.
    const std::string block(4096, 'x');
    for (ssize_t written = 0; written >= 0 || errno == EINTR;) {
        written = ::write(fd, block.data(), block.size());
    }
    struct stat filled {};
    const bool full =
        errno == ENOSPC && ::fstat(fd, &filled) == 0 &&
        ::ftruncate(fd, filled.st_size -
                            std::min<off_t>(filled.st_size, static_cast<off_t>(room))) == 0;
    ::close(fd);
    return full;
}

bool SmallFileSystem::useUpFiles() const {
    const std::filesystem::path fillers = path() / "fillers";
    if (::mkdir(fillers.c_str(), 0700) != 0) {
        return errno == ENOSPC;
    }
    for (std::size_t i = 0;; ++i) {
        const int fd = ::open((fillers / std::to_string(i)).c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            return errno == ENOSPC;
        }
        ::close(fd);
    }
}

} // namespace fen::test
