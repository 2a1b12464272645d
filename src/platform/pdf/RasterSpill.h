#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

class Pipeline;

namespace fen::pdf {

// Counts the compressed bytes of a write's deferred pictures (flattened pages) that the write
// holds in memory: now, the most at once, and all it made. A caller that wants to know how much a
// write keeps (a test, a benchmark) hands one to the write in its options.
class PictureMemoryGauge {
public:
    void add(std::size_t bytes);
    void remove(std::size_t bytes);

    std::size_t now() const { return now_.load(); }
    std::size_t peak() const { return peak_.load(); }
    std::size_t total() const { return total_.load(); }

private:
    std::atomic<std::size_t> now_{0};
    std::atomic<std::size_t> peak_{0};
    std::atomic<std::size_t> total_{0};
};

// Where a write puts its deferred pictures once they are compressed: a file without a name in the
// folder of the written file, read back by qpdf page by page as it writes the output. So a write
// keeps in memory only the pictures its workers are making, however many pages it has, and
// nothing of it stays on disk once it ends, even when the process is killed (the file is made
// unnamed, or its name is removed at once). The file is made on the first append, so a write
// without such pictures makes none. Appends come from the workers, reads from the writing thread.
class RasterSpill {
public:
    // Bytes of the spill.
    struct Extent {
        std::uint64_t offset = 0;
        std::uint64_t size = 0;
    };

    // A spill in `folder` (the current folder when empty). With `unnamed` false, the file is
    // made as on a file system that refuses unnamed files, the road a test cannot otherwise take.
    explicit RasterSpill(std::filesystem::path folder, bool unnamed = true)
        : folder_(std::move(folder)), unnamed_(unnamed) {}
    ~RasterSpill();
    RasterSpill(const RasterSpill&) = delete;
    RasterSpill& operator=(const RasterSpill&) = delete;

    // Stores `bytes`; none when they could not all be written (no file could be made in the
    // folder, a full disk): the caller then keeps them.
    std::optional<Extent> append(std::string_view bytes);
    // Writes the bytes of `extent` to `pipeline`; throws when they cannot be read back whole.
    void pipe(const Extent& extent, Pipeline& pipeline) const;

private:
    std::filesystem::path folder_;
    bool unnamed_;
    int fd_ = -1;
    bool failed_ = false;
    std::mutex mutex_;
    std::uint64_t end_ = 0;
};

} // namespace fen::pdf
