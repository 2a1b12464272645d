#include "platform/store/RollbackJournal.h"

#include "platform/store/FileUri.h"

#include <sqlite3.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace fen::store {

namespace {

// The bytes that begin every journal header.
constexpr std::array<unsigned char, 8> kMagic{0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};
// The file offset of sqlite's lock bytes: the page that holds it is never journaled, and a record
// naming it ends a journal.
constexpr std::int64_t kPendingByte = 0x40000000;

std::uint32_t bigEndian(const unsigned char* bytes) {
    return (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) |
           (std::uint32_t(bytes[2]) << 8) | std::uint32_t(bytes[3]);
}

bool powerOfTwo(std::uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

// What stands at a path that is no regular file, fit to end "its journal PATH is ...".
std::string describeNonRegular(mode_t mode) {
    if (S_ISLNK(mode)) {
        return "a symbolic link";
    }
    if (S_ISFIFO(mode)) {
        return "a named pipe";
    }
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    return "not a regular file";
}

// The journal's pages as sqlite's rollback would read them.
struct Walk {
    // A header was written whole: a rollback would at least cut the file back to the size the
    // header names, and write the pages that follow.
    bool consequential = false;
    std::uint32_t pageSize = 0;
    // The file's size in pages when the write began, which the rollback cuts it back to.
    std::uint32_t originalPages = 0;
    // Page 1 as the journal keeps it, when the walk met it before the rollback would stop.
    std::optional<std::string> pageOne;
};

// Follows sqlite's playback: headers at sector boundaries, each followed by its count of
// records (page number, page, checksum); the walk ends where the playback would (a header that
// does not begin with the magic bytes, a record cut short, page number 0 or the lock page, a
// checksum that does not match).
Walk walkJournal(int fd, std::int64_t size) {
    Walk walk;
    std::uint32_t sectorSize = 0;
    std::int64_t offset = 0;
    bool first = true;
    for (;;) {
        const std::int64_t header =
            first ? 0 : ((offset - 1) / sectorSize + 1) * std::int64_t(sectorSize);
        unsigned char fields[28] = {};
        if ((!first && header + sectorSize > size) ||
            ::pread(fd, fields, sizeof fields, header) != ssize_t(sizeof fields) ||
            !std::equal(kMagic.begin(), kMagic.end(), fields)) {
            return walk;
        }
        std::uint32_t records = bigEndian(fields + 8);
        const std::uint32_t checksumStart = bigEndian(fields + 12);
        if (first) {
            sectorSize = bigEndian(fields + 20);
            walk.pageSize = bigEndian(fields + 24);
            if (!powerOfTwo(sectorSize) || sectorSize < 32 || sectorSize > 0x10000 ||
                !powerOfTwo(walk.pageSize) || walk.pageSize < 512 || walk.pageSize > 0x10000 ||
                header + sectorSize > size) {
                return walk;
            }
            walk.consequential = true;
            walk.originalPages = bigEndian(fields + 16);
        }
        offset = header + sectorSize;
        const std::int64_t recordSize = std::int64_t(walk.pageSize) + 8;
        if (records == 0xffffffffu) {
            records = first ? std::uint32_t((size - offset) / recordSize) : 0;
        }
        first = false;
        const std::uint32_t lockPage = std::uint32_t(kPendingByte / walk.pageSize) + 1;
        std::string page(walk.pageSize, '\0');
        for (std::uint32_t i = 0; i < records; ++i) {
            unsigned char number[4] = {};
            unsigned char stored[4] = {};
            if (offset + recordSize > size ||
                ::pread(fd, number, sizeof number, offset) != ssize_t(sizeof number) ||
                ::pread(fd, page.data(), page.size(), offset + 4) != ssize_t(page.size()) ||
                ::pread(fd, stored, sizeof stored, offset + 4 + walk.pageSize) !=
                    ssize_t(sizeof stored)) {
                return walk;
            }
            const std::uint32_t pageNumber = bigEndian(number);
            if (pageNumber == 0 || pageNumber == lockPage) {
                return walk;
            }
            // sqlite's checksum: the header's start value plus every 200th byte, from the end.
            std::uint32_t checksum = checksumStart;
            for (std::int64_t at = std::int64_t(walk.pageSize) - 200; at > 0; at -= 200) {
                checksum += static_cast<unsigned char>(page[static_cast<std::size_t>(at)]);
            }
            if (checksum != bigEndian(stored)) {
                return walk;
            }
            if (pageNumber == 1 && !walk.pageOne) {
                walk.pageOne = page;
            }
            offset += recordSize;
        }
    }
}

// The database file's first `count` bytes and whether a connection holds its write lock, both
// through an sqlite handle that takes no lock itself: a descriptor of our own, once closed, would
// drop the locks this process's connections hold on the file.
struct FileState {
    bool writeLockHeld = false;
    std::string head;
};

std::optional<FileState> readFileState(const std::filesystem::path& file, int count) {
    sqlite3* db = nullptr;
    const std::string uri = fileUri(file) + "?immutable=1";
    if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return std::nullopt;
    }
    sqlite3_file* handle = nullptr;
    std::optional<FileState> state;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &handle) == SQLITE_OK &&
        handle && handle->pMethods) {
        state.emplace();
        int reserved = 0;
        state->writeLockHeld =
            handle->pMethods->xCheckReservedLock(handle, &reserved) == SQLITE_OK && reserved != 0;
        state->head.assign(static_cast<std::size_t>(count), '\0');
        // A file shorter than that reads as zeros past its end.
        const int rc =
            count > 0 ? handle->pMethods->xRead(handle, state->head.data(), count, 0) : SQLITE_OK;
        if (rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ) {
            state.reset();
        }
    }
    sqlite3_close(db);
    return state;
}

} // namespace

std::optional<std::string> RollbackJournal::fileHead(const std::filesystem::path& file, int count) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    std::optional<FileState> state = readFileState(file, count);
    if (!state) {
        return std::nullopt;
    }
    return std::move(state->head);
}

std::filesystem::path RollbackJournal::pathOf(const std::filesystem::path& file) {
    return file.string() + "-journal";
}

RollbackJournal RollbackJournal::inspect(const std::filesystem::path& file) {
    RollbackJournal found;
    found.path = pathOf(file);
    struct stat named {};
    if (::lstat(found.path.c_str(), &named) != 0) {
        return found;
    }
    if (!S_ISREG(named.st_mode)) {
        found.kind = Kind::unusable;
        found.what = describeNonRegular(named.st_mode);
        return found;
    }
    if (named.st_size == 0) {
        return found;
    }
    // A journal is judged only while no connection writes: a writer's journal is its file's, and
    // a journal left by a write cut short stays until an opening that may write rolls it back.
    // One looked at while a write began and ended is looked at again at the next opening.
    std::optional<FileState> before = readFileState(file, 0);
    if (before && before->writeLockHeld) {
        found.kind = Kind::inUse;
        return found;
    }
    const int fd =
        ::open(found.path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat opened {};
    if (fd < 0 || ::fstat(fd, &opened) != 0 || opened.st_dev != named.st_dev ||
        opened.st_ino != named.st_ino || !S_ISREG(opened.st_mode)) {
        if (fd >= 0) {
            ::close(fd);
        }
        found.kind = fd < 0 && errno == EACCES ? Kind::unreadable : Kind::inUse;
        return found;
    }
    const Walk walk = walkJournal(fd, opened.st_size);
    ::close(fd);
    if (!walk.consequential) {
        return found;
    }
    const std::optional<FileState> state = readFileState(file, int(walk.pageSize));
    struct stat after {};
    if ((state && state->writeLockHeld) || ::lstat(found.path.c_str(), &after) != 0 ||
        after.st_ino != opened.st_ino || after.st_size != opened.st_size ||
        after.st_mtim.tv_sec != opened.st_mtim.tv_sec ||
        after.st_mtim.tv_nsec != opened.st_mtim.tv_nsec) {
        found.kind = Kind::inUse;
        return found;
    }
    if (!state) {
        // The file itself cannot be read: nothing to judge by, and nothing to read either.
        found.kind = Kind::inUse;
        return found;
    }
    found.kind = Kind::another;
    const auto* head = reinterpret_cast<const unsigned char*>(state->head.data());
    // A write that made the file journals no page, page 1 included: its file was empty, and holds
    // at most what that first write gave it, under the counter it set (1).
    if (walk.originalPages == 0) {
        if (bigEndian(head + 24) <= 1) {
            found.kind = Kind::own;
        }
        return found;
    }
    const std::uint32_t headerPageSize = (std::uint32_t(head[16]) << 8) | head[17];
    const std::uint32_t filePageSize = headerPageSize == 1 ? 0x10000 : headerPageSize;
    if (!walk.pageOne) {
        // This program journals page 1 first in every write; a journal without it was left by
        // another program (sqlite3, an earlier version) killed mid-save, whose page 1 was not yet
        // changed. Nothing tells its file; sqlite would roll it back into the store beside it, as
        // the earlier versions did, and so does this program where the page sizes agree.
        found.kind = filePageSize == walk.pageSize ? Kind::own : Kind::another;
        return found;
    }
    const auto* pageOne = reinterpret_cast<const unsigned char*>(walk.pageOne->data());
    const std::uint32_t fileCounter = bigEndian(head + 24);
    const std::uint32_t journalCounter = bigEndian(pageOne + 24);
    const std::uint32_t journalNumber = bigEndian(pageOne + 60);
    if (journalNumber != 0 && bigEndian(head + 60) != journalNumber) {
        return found;
    }
    // Page 1 not yet written by the interrupted write: the file still holds it as the journal
    // does. Written: its counter was raised by one.
    const bool unwritten = fileCounter == journalCounter && state->head == *walk.pageOne;
    const bool written = fileCounter == journalCounter + 1;
    if (filePageSize == walk.pageSize && (unwritten || written)) {
        found.kind = Kind::own;
    }
    return found;
}

} // namespace fen::store
