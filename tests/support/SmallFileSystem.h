#pragma once

#include "support/TestSupport.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace fen::test {

// A file system of its own (tmpfs) of `bytes` bytes and, when `inodes` is not 0, that many files
// and folders (its root among them), mounted on the folder `on` (a fresh one when none is given)
// while the object lives, for a test that fills it up to see what a full disk does to a write.
// Mounting needs root (CI runs as root); where it is not allowed, mounted() is false with the
// system's reason in refusal(), and the test skips saying so.
class SmallFileSystem {
public:
    explicit SmallFileSystem(std::size_t bytes, std::filesystem::path on = {},
                             std::size_t inodes = 0);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& refusal() const { return refusal_; }
    const std::filesystem::path& path() const { return path_; }
    // Writes a file "filler" until not one byte more goes in, then gives `room` bytes back; true
    // when the file system was full.
    bool fill(std::size_t room = 0) const;
    // Makes empty files in a folder "fillers" until no file more can be made, while bytes stay
    // free; true when the file system had no file left to give.
    bool useUpFiles() const;

private:
    std::optional<TempDir> own_;
    std::filesystem::path path_;
    bool mounted_ = false;
    std::string refusal_;
};

} // namespace fen::test
