#pragma once

#include <filesystem>
#include <memory>
#include <system_error>

#include <sys/types.h>

namespace fen {

// A regular file held open for reading and copied a piece at a time. A watermarked copy of
// thousands of flattened pages is hundreds of megabytes, which are never held in memory at once;
// held open, the file stays readable when a cleaner of the temporary folder removes its name.
class OpenedFile {
public:
    // Opens `path` when it names a regular file (symbolic links followed), judged as opened and
    // without waiting for a pipe's writer; otherwise nothing, with the error: EISDIR for a folder,
    // EINVAL for a device, a pipe or a socket, or the open's own.
    static std::shared_ptr<const OpenedFile> open(const std::filesystem::path& path,
                                                  std::error_code& error);

    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;
    ~OpenedFile();

    // Its size when it was opened.
    off_t size() const { return size_; }

    // Writes every byte of the file, from its start, into `to` from `to`'s offset on. Safe to call
    // more than once: the file's own offset is never used. The kernel copies what it can without
    // the bytes passing through this process (copy_file_range); where it cannot (another file
    // system on an older kernel, one without it) or stops short, the rest goes through a buffer of
    // a megabyte.
    std::error_code copyTo(int to) const;

    // True when both files now hold the same bytes, read a megabyte at a time from their starts;
    // false on a read error or when either has grown or shrunk since it was opened.
    bool holdsSameBytesAs(const OpenedFile& other) const;

private:
    OpenedFile(int fd, off_t size) : fd_(fd), size_(size) {}

    int fd_;
    off_t size_;
};

} // namespace fen
