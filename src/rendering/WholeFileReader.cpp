#include "rendering/WholeFileReader.h"

#include <cerrno>
#include <fstream>
#include <iterator>

namespace fen {

namespace {

void setError(std::error_code* error, std::error_code code) {
    if (error) {
        *error = code;
    }
}

} // namespace

std::optional<std::string> WholeFileReader::read(const Url& url, std::error_code* error) {
    if (!url.isFileURL()) {
        setError(error, std::make_error_code(std::errc::operation_not_supported));
        return std::nullopt;
    }
    return read(url.path(), error);
}

std::optional<std::string> WholeFileReader::read(const std::filesystem::path& path,
                                                 std::error_code* error) {
    std::error_code ec;
    // A folder opens as a stream on Linux but reads nothing: refuse it as the platform does.
    if (std::filesystem::is_directory(path, ec)) {
        setError(error, std::make_error_code(std::errc::is_a_directory));
        return std::nullopt;
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        int code = errno != 0 ? errno : static_cast<int>(std::errc::no_such_file_or_directory);
        setError(error, std::error_code(code, std::generic_category()));
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        setError(error, std::make_error_code(std::errc::io_error));
        return std::nullopt;
    }
    setError(error, {});
    return bytes;
}

std::optional<std::string> WholeFileReader::readRegular(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return std::nullopt;
    }
    return read(path);
}

} // namespace fen
