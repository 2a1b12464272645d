#include "shell/KvDocument.h"

#include "platform/foundation/WholeFileReader.h"

#include <cerrno>
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

// Writes every byte to the descriptor, retrying short writes.
bool writeAll(int fd, const std::string& bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

KvDocument::KvDocument(Url fileURL) : fileURL_(std::move(fileURL)) {
    WholeFile file = WholeFileReader::read(fileURL_);
    info = KvDocumentInfo{std::move(file.bytes), fileURL_.lastPathComponent()};
}

std::error_code KvDocument::save() {
    if (!dataToSave) {
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
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(resolved.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    }
    std::string pattern =
        (resolved.parent_path() / ("." + resolved.filename().string() + ".XXXXXX")).string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return lastError();
    }
    std::error_code failure;
    if (!writeAll(fd, *dataToSave) || ::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) {
        failure = lastError();
    }
    if (::close(fd) != 0 && !failure) {
        failure = lastError();
    }
    if (!failure && ::rename(pattern.c_str(), resolved.c_str()) != 0) {
        failure = lastError();
    }
    if (failure) {
        ::unlink(pattern.c_str());
        return failure;
    }
    dataToSave.reset();
    return {};
}

} // namespace fen
