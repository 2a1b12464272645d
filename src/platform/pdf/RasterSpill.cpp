#include "platform/pdf/RasterSpill.h"

#include <qpdf/Pipeline.hh>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <string>
#include <vector>

namespace fen::pdf {

void PictureMemoryGauge::add(std::size_t bytes) {
    total_ += bytes;
    const std::size_t held = now_ += bytes;
    std::size_t most = peak_.load();
    while (held > most && !peak_.compare_exchange_weak(most, held)) {
    }
}

void PictureMemoryGauge::remove(std::size_t bytes) {
    now_ -= bytes;
}

namespace {

// An unnamed file in `folder` (unless `unnamed` is false), or, on a file system without such
// files, a named one whose name is removed at once; -1 when neither can be made.
int unnamedFile(const std::filesystem::path& folder, bool unnamed) {
    const std::filesystem::path dir = folder.empty() ? std::filesystem::path(".") : folder;
    if (unnamed) {
        if (int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600); fd >= 0) {
            return fd;
        }
    }
    std::string name = (dir / ".fenmoor-spill-XXXXXX").string();
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) {
        ::unlink(name.c_str());
    }
    return fd;
}

} // namespace

RasterSpill::~RasterSpill() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::optional<RasterSpill::Extent> RasterSpill::append(std::string_view bytes) {
    Extent extent{0, bytes.size()};
    int fd = -1;
    {
        // Each append gets its own place; the writes themselves run side by side.
        std::lock_guard<std::mutex> lock(mutex_);
        if (fd_ < 0 && !failed_) {
            fd_ = unnamedFile(folder_, unnamed_);
            failed_ = fd_ < 0;
        }
        if (fd_ < 0) {
            return std::nullopt;
        }
        fd = fd_;
        extent.offset = end_;
        end_ += bytes.size();
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(extent.offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return std::nullopt;
        }
        done += static_cast<std::size_t>(n);
    }
    return extent;
}

void RasterSpill::pipe(const Extent& extent, Pipeline& pipeline) const {
    std::vector<unsigned char> buffer(std::min<std::uint64_t>(extent.size, 1 << 18));
    std::uint64_t done = 0;
    while (done < extent.size) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), extent.size - done));
        const ssize_t n =
            ::pread(fd_, buffer.data(), want, static_cast<off_t>(extent.offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            throw std::runtime_error("A flattened page could not be read back.");
        }
        pipeline.write(buffer.data(), static_cast<std::size_t>(n));
        done += static_cast<std::uint64_t>(n);
    }
}

} // namespace fen::pdf
