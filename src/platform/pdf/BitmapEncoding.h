#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace fen::gfx {
class Image;
}

namespace fen::pdf {

// A bitmap image's pixels as a PDF image XObject takes them: 8-bit RGB rows with the
// premultiplied alpha taken out, and the alpha as 8-bit grey rows for a soft mask (none when
// every pixel is opaque), each row filtered with the PNG predictor "Up" (PDF predictor 12) and
// Flate-compressed at the fastest level. An image's encoding is kept with its pixels, and the
// last few dozen encodings by the pixels' content, so a picture written into many files (a stamp
// on every file of a run) is compressed once, not once per file, even when it is made anew with
// the same pixels.
class BitmapEncoding {
public:
    int width = 0;
    int height = 0;
    std::string color;
    // Empty when the image is opaque.
    std::string alpha;

    // The encoding of `image`: the one kept with it, or the one made lately for the same pixels
    // (same size, same 128-bit hash of the rows), else one made now. Uses on several threads
    // wait for one encoding. Null for the null image or when compressing fails.
    static std::shared_ptr<const BitmapEncoding> of(const gfx::Image& image);

    // Encodes premultiplied ARGB32 rows (native-endian words, row 0 at the top); null when
    // compressing fails.
    static std::shared_ptr<const BitmapEncoding>
    encode(const unsigned char* pixels, std::ptrdiff_t stride, int width, int height);

    // How many images this process has encoded: each once, however many files it went into.
    static std::uint64_t encodedCount();
};

} // namespace fen::pdf
