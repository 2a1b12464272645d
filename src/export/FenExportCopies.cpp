#include "export/FenExportCopies.h"

#include "platform/foundation/OpenedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string>

namespace fen {

namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

} // namespace

std::error_code FenExportCopies::copyReplacing(const std::filesystem::path& source,
                                               const std::filesystem::path& destination) {
    // Only a regular file is copied, judged as opened.
    std::error_code opening;
    const std::shared_ptr<const OpenedFile> input = OpenedFile::open(source, opening);
    if (!input) {
        return opening;
    }
    // A replaced file keeps its mode; a new one gets the usual mode of a document.
    mode_t mode = 0644;
    struct stat existing {};
    if (::stat(destination.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            return std::make_error_code(std::errc::is_a_directory);
        }
        mode = existing.st_mode & 07777;
    }
    const std::filesystem::path folder = destination.parent_path();
    // The temporary name is built from the destination's, cut so that it stays within a file
    // name's limit even when the destination's name is close to it.
    constexpr size_t kNameLimit = NAME_MAX - std::char_traits<char>::length("..XXXXXX");
    std::string stem = destination.filename().string();
    stem.resize(std::min(stem.size(), kNameLimit));
    std::string pattern = (folder / ("." + stem + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return lastError();
    }
    std::error_code error = input->copyTo(fd);
    if (!error && ::fchmod(fd, mode) != 0) {
        error = lastError();
    }
    if (!error && ::fsync(fd) != 0) {
        error = lastError();
    }
    if (::close(fd) != 0 && !error) {
        error = lastError();
    }
    if (!error && ::rename(pattern.c_str(), destination.c_str()) != 0) {
        error = lastError();
    }
    if (error) {
        ::unlink(pattern.c_str());
    }
    return error;
}

} // namespace fen
