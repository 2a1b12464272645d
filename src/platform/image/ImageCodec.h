#pragma once

#include "platform/graphics/Image.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace fen::gfx {

// Reading image files of any format the system's image loaders know (PNG, JPEG, GIF, TIFF, ...)
// and writing PNG.
class ImageCodec {
public:
    // The most pixels a decoded picture may have (2^27, a 512 MB bitmap; a 108-megapixel photo
    // fits).
    static constexpr double maxPixels = 134217728;

    // Why decode gave no picture.
    struct DecodeFailure {
        // The picture declares more than `maxPixels` pixels: it is one, but too large to draw.
        // Otherwise the bytes are no picture the loaders can read.
        bool tooLarge = false;
        // The size the picture declares, when too large.
        int width = 0;
        int height = 0;
    };

    // The first frame of the image in `bytes`, upright as stored (no orientation tag applied),
    // as premultiplied ARGB32; none for bytes that are not an image. A picture wider or taller
    // than a bitmap may be is scaled down to fit, keeping its proportions. A picture of more than
    // `maxPixels` pixels gives none: a small file can declare a size whose decoding would take
    // gigabytes and seconds. Without a picture, `failure` (when given) says why.
    static std::optional<Image> decode(std::string_view bytes, DecodeFailure* failure = nullptr);
    static std::optional<Image> decodeFile(const std::filesystem::path& path);

    // The image as PNG bytes (with its alpha); none for the null image.
    static std::optional<std::string> encodePNG(const Image& image);
    // Writes the PNG bytes to `path`; false when the image is null or the file cannot be written.
    static bool writePNG(const Image& image, const std::filesystem::path& path);
};

} // namespace fen::gfx
