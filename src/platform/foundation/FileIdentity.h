#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace fen {

// Which file a path named at one moment and in which state: the file itself (device and inode)
// and what it held (size, modification time and change time, to the nanosecond). Two identities
// of one path taken at two moments tell whether another program wrote the file in between, put
// another file in its place (an editor's save, a sync), or removed it. The change time is the one
// no program can set back: a rewrite that keeps the size and puts the modification time back
// still moves it, and so does a change of the file's status alone (its mode, owner or names).
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t changedSeconds = 0;
    std::int64_t changedNanoseconds = 0;

    bool operator==(const FileIdentity&) const = default;

    // The identity of the file at `path` now, a symbolic link followed; nothing when no file is
    // there (or it cannot be looked at). Only the file's status is read, never its bytes, so a
    // pipe or a device named there does not block.
    static std::optional<FileIdentity> of(const std::filesystem::path& path);

    // How the file at a path differs from what it was.
    enum class Change {
        none,    // the same file, unchanged
        changed, // the same file, written (another size or modification time)
        // The same file with its size and modification time, but a later change time: its
        // status changed, or it was written and its modification time put back. Only its bytes
        // tell which.
        touched,
        replaced, // another file in its place
        gone,     // no file there any more
    };
    static Change compare(const FileIdentity& before, const std::optional<FileIdentity>& now);
};

} // namespace fen
