#include "storage/StoreTemporaryFiles.h"

#include "platform/foundation/Uuid.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>

namespace fen {

std::optional<Url> StoreTemporaryFiles::writeImageData(const std::optional<std::string>& data,
                                                       bool isPDF) {
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (!ec) {
        folder /= newUuidString();
        std::filesystem::create_directories(folder, ec);
    }
    if (ec) {
        std::cerr << "The folder " << folder.string() << " could not be created: " << ec.message()
                  << '\n';
        return std::nullopt;
    }
    std::filesystem::path file = folder / (isPDF ? "image.pdf" : "image");
    if (data) {
        std::FILE* out = std::fopen(file.c_str(), "wb");
        bool ok = out != nullptr;
        int error = errno;
        if (ok && !data->empty()) {
            ok = std::fwrite(data->data(), 1, data->size(), out) == data->size();
            error = errno;
        }
        if (out && std::fclose(out) != 0 && ok) {
            ok = false;
            error = errno;
        }
        if (!ok) {
            std::cerr << "The file " << file.string()
                      << " could not be written: " << std::strerror(error) << '\n';
            std::filesystem::remove(file, ec);
            return std::nullopt;
        }
    }
    return Url::fileURL(file);
}

} // namespace fen
