#include "platform/foundation/OpenedFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fen {

namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

std::error_code writeAll(int fd, const char* bytes, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t written = ::write(fd, bytes + done, size - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        done += static_cast<size_t>(written);
    }
    return {};
}

// Copies `from` from `offset` to its end into `to` at its offset: the kernel first, then a buffer.
std::error_code copyFrom(int from, off_t offset, int to) {
    constexpr size_t kPiece = size_t{1} << 30;
    for (;;) {
        const ssize_t n = ::copy_file_range(from, &offset, to, nullptr, kPiece, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break; // the end, or a copy the kernel cannot make: the buffer reads on from here
        }
    }
    std::vector<char> buffer(size_t{1} << 20);
    for (;;) {
        const ssize_t n = ::pread(from, buffer.data(), buffer.size(), offset);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        if (n == 0) {
            return {};
        }
        offset += n;
        if (std::error_code error = writeAll(to, buffer.data(), static_cast<size_t>(n))) {
            return error;
        }
    }
}

// Reads `size` bytes of `fd` from `offset` into `into`; false when fewer are there or a read fails.
bool readAt(int fd, char* into, size_t size, off_t offset) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, into + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

std::shared_ptr<const OpenedFile> OpenedFile::open(const std::filesystem::path& path,
                                                   std::error_code& error) {
    error.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = lastError();
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = lastError();
    } else if (S_ISDIR(info.st_mode)) {
        error = std::make_error_code(std::errc::is_a_directory);
    } else if (!S_ISREG(info.st_mode)) {
        error = std::make_error_code(std::errc::invalid_argument);
    }
    if (error) {
        ::close(fd);
        return nullptr;
    }
    return std::shared_ptr<const OpenedFile>(new OpenedFile(fd, info.st_size));
}

OpenedFile::~OpenedFile() {
    ::close(fd_);
}

std::error_code OpenedFile::copyTo(int to) const {
    return copyFrom(fd_, 0, to);
}

bool OpenedFile::holdsSameBytesAs(const OpenedFile& other) const {
    if (size_ != other.size_) {
        return false;
    }
    std::vector<char> one(size_t{1} << 20);
    std::vector<char> two(one.size());
    for (off_t offset = 0; offset < size_;) {
        const auto piece = static_cast<size_t>(std::min<off_t>(size_ - offset, off_t(one.size())));
        if (!readAt(fd_, one.data(), piece, offset) ||
            !readAt(other.fd_, two.data(), piece, offset) ||
            std::memcmp(one.data(), two.data(), piece) != 0) {
            return false;
        }
        offset += static_cast<off_t>(piece);
    }
    // Nothing more in either than when it was opened.
    char more = 0;
    return ::pread(fd_, &more, 1, size_) == 0 && ::pread(other.fd_, &more, 1, size_) == 0;
}

} // namespace fen
