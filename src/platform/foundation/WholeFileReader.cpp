#include "platform/foundation/WholeFileReader.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fen {

namespace {

WholeFile failure(int code) {
    return WholeFile{std::nullopt, std::error_code(code, std::generic_category())};
}

// Closes the descriptor it holds.
struct Descriptor {
    int fd;
    ~Descriptor() { ::close(fd); }
};

// Reads every byte from `file`, whose status `info` is; fails with EFBIG past `limit` bytes.
WholeFile readAll(const Descriptor& file, const struct stat& info,
                  std::optional<std::uintmax_t> limit) {
    std::string bytes;
    if (S_ISREG(info.st_mode) && info.st_size > 0) {
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(file.fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return failure(errno);
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (limit && bytes.size() > *limit) {
            return failure(EFBIG);
        }
    }
    return WholeFile{std::move(bytes), {}};
}

// Opens `path` with `flags` and reads it whole, judging the opened file (never the path again):
// a folder is refused, and anything but a regular file too when `regularOnly`.
WholeFile openAndRead(const std::filesystem::path& path, int flags, bool regularOnly,
                      std::optional<std::uintmax_t> limit = std::nullopt) {
    Descriptor file{::open(path.c_str(), flags)};
    if (file.fd < 0) {
        return failure(errno);
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) {
        return failure(errno);
    }
    // A folder opens for reading on Linux; only reading it fails, and some readers take that
    // for the end of an empty file.
    if (S_ISDIR(info.st_mode)) {
        return failure(EISDIR);
    }
    if (regularOnly && !S_ISREG(info.st_mode)) {
        return failure(EINVAL);
    }
    if (limit && S_ISREG(info.st_mode) && static_cast<std::uintmax_t>(info.st_size) > *limit) {
        return failure(EFBIG);
    }
    return readAll(file, info, limit);
}

} // namespace

WholeFile WholeFileReader::read(const std::filesystem::path& path) {
    return openAndRead(path, O_RDONLY | O_CLOEXEC, false);
}

WholeFile WholeFileReader::read(const Url& url) {
    if (!url.isFileURL()) {
        return failure(ENOTSUP);
    }
    return read(url.path());
}

WholeFile WholeFileReader::readRegular(const std::filesystem::path& path,
                                       std::optional<std::uintmax_t> limit) {
    // Without O_NONBLOCK the open of a pipe waits for a writer; the status comes from the opened
    // file, so nothing can be put in its place between the check and the read.
    return openAndRead(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK, true, limit);
}

} // namespace fen
