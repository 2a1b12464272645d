#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fen::gfx {
class Image;
}

namespace fen::pdf {

// One plane of 8-bit pixels as a PDF image stream takes them: Flate-compressed, the rows either
// plain or each led by the PNG filter byte that was applied to it.
struct PackedPlane {
    // zlib-wrapped deflate data, for /FlateDecode.
    std::string flate;
    // Components a pixel: 1 (grey, /DeviceGray) or 3 (/DeviceRGB).
    int colors = 3;
    // Rows led by a PNG filter byte, which the stream's /DecodeParms must announce.
    bool predicted = false;

    // The stream's /DecodeParms for rows of `width` pixels; empty when the rows are plain.
    std::string decodeParms(int width) const;

    // Packs `height` rows of `width` pixels of `colors` components, one after another in `rows`
    // (which it may overwrite). RGB pixels that are all grey are packed as one grey component
    // when `mayBeGrey`. One filter serves the whole plane: none, "Up" or "Paeth", whichever packs
    // a sample of its rows smallest. Null when compressing fails.
    static std::optional<PackedPlane> pack(std::vector<unsigned char>& rows, int width, int height,
                                           int colors, bool mayBeGrey);
};

// A bitmap image's pixels as a PDF image XObject takes them: 8-bit RGB (or grey) rows with the
// premultiplied alpha taken out, and the alpha as 8-bit grey rows for a soft mask (none when
// every pixel is opaque), each plane's rows filtered with "Up" and deflated with zlib's fast
// run-length strategy (pictures are encoded for nearly every file a run writes, so their packing
// is the cheap one; flattened pages use PackedPlane::pack). An image's encoding is kept with
// its pixels, and the last few dozen encodings by the pixels' content, so a picture written into
// many files (a stamp on every file of a run) is compressed once, not once per file, even when it
// is made anew with the same pixels.
class BitmapEncoding {
public:
    int width = 0;
    int height = 0;
    PackedPlane color;
    // No bytes when the image is opaque.
    PackedPlane alpha;

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
