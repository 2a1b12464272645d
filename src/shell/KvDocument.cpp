#include "shell/KvDocument.h"

#include "platform/foundation/WholeFileReader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fen {

namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

// Writes every byte to the descriptor from `offset` on, retrying short writes.
bool writeAll(int fd, const std::string& bytes, off_t offset = 0) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::pwrite(fd, p, left, offset);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        offset += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

// Makes a rename in `folder` durable.
std::error_code syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return lastError();
    }
    std::error_code failure;
    if (::fsync(fd) != 0) {
        failure = lastError();
    }
    ::close(fd);
    return failure;
}

// Writes the bytes of `source` over the file at `path` itself (its owner, group, mode and links
// stay), then cuts it to their length. `touched` tells whether a byte of the file may have changed.
std::error_code overwriteInPlace(const std::filesystem::path& path, const OpenedFile& source,
                                 bool& touched) {
    touched = false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return lastError();
    }
    std::error_code failure;
    // Room for the new bytes first where the file system can tell, so a full disk is found
    // before the first byte of the original changes.
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, source.size()) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS) {
        failure = lastError();
    } else {
        touched = true;
        failure = source.copyTo(fd);
        if (!failure && (::ftruncate(fd, source.size()) != 0 || ::fsync(fd) != 0)) {
            failure = lastError();
        }
    }
    if (::close(fd) != 0 && !failure) {
        failure = lastError();
    }
    return failure;
}

// The reader's message for a failed read, as it ends "could not be opened: ...".
std::string readFailure(const std::error_code& error) {
    if (error == std::errc::invalid_argument) {
        return "not a regular file";
    }
    std::string message = error.message();
    if (!message.empty()) {
        message[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(message[0])));
    }
    return message;
}

} // namespace

KvDocument::KvDocument(Url fileURL) : fileURL_(std::move(fileURL)) {
    info = KvDocumentInfo{fileURL_.lastPathComponent()};
}

KvDocumentContents KvDocument::read(const Url& fileURL) {
    if (!fileURL.isFileURL()) {
        return {nullptr, "not a file"};
    }
    WholeFile file = WholeFileReader::readRegular(fileURL.path());
    if (!file) {
        return {nullptr, readFailure(file.error)};
    }
    return {std::make_shared<const std::string>(std::move(*file.bytes)), {}};
}

void KvDocument::finishOpening(bool opened) {
    if (opening_ != Opening::reading) {
        return;
    }
    opening_ = opened ? Opening::opened : Opening::failed;
    if (opened && onOpened) {
        onOpened();
    }
}

std::error_code KvDocument::save() {
    if (!dataToSave && !fileToSave) {
        return {};
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target = fileURL_.path();
    // Through a symbolic link to the file it names, so the link itself is kept.
    fs::path resolved = fs::canonical(target, ec);
    if (ec) {
        resolved = target;
    }
    struct stat original {};
    const bool exists = ::stat(resolved.c_str(), &original) == 0;
    const mode_t mode = exists ? original.st_mode & 07777 : 0644;
    // A file with other names is written in place, or those names would keep the old bytes.
    bool inPlace = exists && original.st_nlink > 1;

    // The copy's name comes from the file's, cut to stay within a file name's limit.
    constexpr size_t kNameLimit = NAME_MAX - std::char_traits<char>::length("..XXXXXX");
    std::string stem = resolved.filename().string();
    stem.resize(std::min(stem.size(), kNameLimit));
    std::string pattern = (resolved.parent_path() / ("." + stem + ".XXXXXX")).string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return lastError();
    }
    std::error_code failure;
    if (dataToSave) {
        if (!writeAll(fd, *dataToSave)) {
            failure = lastError();
        }
    } else {
        failure = fileToSave->copyTo(fd);
    }
    // Another user's file in a shared group folder: only its owner (or root) may give the copy
    // that owner, so the copy cannot take its place.
    if (!failure && exists && !inPlace && ::fchown(fd, original.st_uid, original.st_gid) != 0) {
        inPlace = true;
    }
    // Written over the original, the copy is read back a piece at a time: opened before it takes
    // the original's mode, which may not let its owner read.
    std::shared_ptr<const OpenedFile> copy;
    if (!failure && inPlace) {
        copy = OpenedFile::open(pattern, failure);
    }
    // The mode after the owner: a change of owner clears the set-user and set-group bits.
    if (!failure && (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)) {
        failure = lastError();
    }
    if (::close(fd) != 0 && !failure) {
        failure = lastError();
    }
    if (failure) {
        ::unlink(pattern.c_str());
        return failure;
    }
    if (inPlace) {
        // The complete copy stays beside the original until the original holds the new bytes
        // whole; a write over it that fails midway leaves that copy, the only whole one, there.
        bool touched = false;
        failure = overwriteInPlace(resolved, *copy, touched);
        if (!failure || !touched) {
            ::unlink(pattern.c_str());
        }
    } else if (::rename(pattern.c_str(), resolved.c_str()) != 0) {
        failure = lastError();
        ::unlink(pattern.c_str());
    } else {
        failure = syncFolder(resolved.parent_path());
    }
    if (failure) {
        return failure;
    }
    dataToSave.reset();
    fileToSave.reset();
    return {};
}

} // namespace fen
