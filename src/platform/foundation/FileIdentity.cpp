#include "platform/foundation/FileIdentity.h"

#include <sys/stat.h>

namespace fen {

std::optional<FileIdentity> FileIdentity::of(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                        static_cast<std::uint64_t>(status.st_ino),
                        static_cast<std::int64_t>(status.st_size),
                        static_cast<std::int64_t>(status.st_mtim.tv_sec),
                        static_cast<std::int64_t>(status.st_mtim.tv_nsec),
                        static_cast<std::int64_t>(status.st_ctim.tv_sec),
                        static_cast<std::int64_t>(status.st_ctim.tv_nsec)};
}

FileIdentity::Change FileIdentity::compare(const FileIdentity& before,
                                           const std::optional<FileIdentity>& now) {
    if (!now) {
        return Change::gone;
    }
    if (now->device != before.device || now->inode != before.inode) {
        return Change::replaced;
    }
    if (now->size != before.size || now->modifiedSeconds != before.modifiedSeconds ||
        now->modifiedNanoseconds != before.modifiedNanoseconds) {
        return Change::changed;
    }
    return *now == before ? Change::none : Change::touched;
}

} // namespace fen
