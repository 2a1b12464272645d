#include "export/FenExportCopies.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string>
#include <vector>

namespace fen {

namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

// Closes the descriptor it holds.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

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

// Copies what is left of `from` into `to`, from the offsets both are at, a piece at a time: an
// export of thousands of flattened pages is hundreds of megabytes, which are never held at once.
std::error_code copyThroughBuffer(int from, int to) {
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        if (n == 0) {
            return {};
        }
        if (std::error_code error = writeAll(to, buffer.data(), static_cast<size_t>(n))) {
            return error;
        }
    }
}

// Copies every byte of `from`, a regular file of `size` bytes, into the empty `to`. The kernel
// copies what it can without the bytes passing through this process (copy_file_range); where it
// cannot (another file system on an older kernel, a file system without it) or stops short, the
// rest goes through a buffer.
std::error_code copyContents(int from, int to, off_t size) {
    off_t copied = 0;
    while (copied < size) {
        const ssize_t n =
            ::copy_file_range(from, nullptr, to, nullptr, static_cast<size_t>(size - copied), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        copied += n;
    }
    return copyThroughBuffer(from, to);
}

} // namespace

std::error_code FenExportCopies::copyReplacing(const std::filesystem::path& source,
                                               const std::filesystem::path& destination) {
    // Only a regular file is copied: the source is opened without waiting (a pipe with no writer
    // opens at once) and judged as opened.
    const Descriptor input{::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (input.fd < 0) {
        return lastError();
    }
    struct stat sourceInfo {};
    if (::fstat(input.fd, &sourceInfo) != 0) {
        return lastError();
    }
    if (S_ISDIR(sourceInfo.st_mode)) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    if (!S_ISREG(sourceInfo.st_mode)) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    // A replaced file keeps its mode; a new one gets the usual mode of a document.
    mode_t mode = 0644;
    struct stat existing {};
    if (::stat(destination.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            return std::make_error_code(std::errc::is_a_directory);
        }
        mode = existing.st_mode & 07777;
    }
    const std::filesystem::path folder = destination.parent_path();
    // The temporary name is built from the destination's, cut so that it stays within a file
    // name's limit even when the destination's name is close to it.
    constexpr size_t kNameLimit = NAME_MAX - std::char_traits<char>::length("..XXXXXX");
    std::string stem = destination.filename().string();
    stem.resize(std::min(stem.size(), kNameLimit));
    std::string pattern = (folder / ("." + stem + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return lastError();
    }
    std::error_code error = copyContents(input.fd, fd, sourceInfo.st_size);
    if (!error && ::fchmod(fd, mode) != 0) {
        error = lastError();
    }
    if (!error && ::fsync(fd) != 0) {
        error = lastError();
    }
    if (::close(fd) != 0 && !error) {
        error = lastError();
    }
    if (!error && ::rename(pattern.c_str(), destination.c_str()) != 0) {
        error = lastError();
    }
    if (error) {
        ::unlink(pattern.c_str());
    }
    return error;
}

} // namespace fen
