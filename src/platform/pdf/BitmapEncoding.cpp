#include "platform/pdf/BitmapEncoding.h"

#include "platform/graphics/Image.h"

#include <cairo.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

namespace fen::pdf {

namespace {

// zlib's level for pictures, and the size of its output steps.
constexpr int kPictureLevel = 1;
constexpr size_t kOutputChunk = 64 * 1024;

// libdeflate's level for every plane: drawn pages are mostly runs and repeats of few colours,
// which the fast levels already pack close to the slow ones.
constexpr int kCompressionLevel = 4;

// Planes up to this many bytes are packed with every filter to pick the smallest; larger ones
// choose from about kSampleBands bands of kSampleRows rows spread over the plane, and at least
// one band every kSampleEveryMost rows.
constexpr size_t kWholeTrial = 256 * 1024;
constexpr int kSampleRows = 4;
constexpr int kSampleBands = 8;
constexpr int kSampleEveryMost = 256;

// PNG filter types, as the byte that leads each row.
enum Filter : unsigned char { none = 0, up = 2, paeth = 4 };

std::atomic<std::uint64_t> encodings{0};

// Premultiplied components back to plain ones, rounded: [alpha][component].
const std::array<std::array<unsigned char, 256>, 256>& unpremultiplied() {
    static const auto table = [] {
        std::array<std::array<unsigned char, 256>, 256> t{};
        for (unsigned a = 1; a < 256; ++a) {
            for (unsigned c = 0; c < 256; ++c) {
                t[a][c] = static_cast<unsigned char>(std::min(255u, (c * 255 + a / 2) / a));
            }
        }
        return t;
    }();
    return table;
}

// The calling thread's compressor and working buffers, kept from plane to plane: a write's
// workers pack page after page of the same size.
struct Packer {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(kCompressionLevel);
    std::vector<unsigned char> sample, filtered;
    // Room for the worst case, left uninitialised: a page packs to a small part of it, and the
    // memory never written is never touched.
    std::unique_ptr<unsigned char[]> out;
    size_t outSize = 0;
    ~Packer() { libdeflate_free_compressor(compressor); }

    // `size` bytes at `data` compressed into `out`; 0 when compressing fails.
    size_t compress(const unsigned char* data, size_t size) {
        if (!compressor) {
            return 0;
        }
        const size_t bound = libdeflate_zlib_compress_bound(compressor, size);
        if (bound > outSize) {
            out.reset(new unsigned char[bound]);
            outSize = bound;
        }
        return libdeflate_zlib_compress(compressor, data, size, out.get(), outSize);
    }
};

Packer& packer() {
    thread_local Packer p;
    return p;
}

// One row filtered: its filter byte, then each byte less its prediction from the byte `bpp`
// to the left, the byte above and the one above that to the left (zero outside the image).
void filterRow(Filter filter, const unsigned char* row, const unsigned char* above, size_t bytes,
               size_t bpp, unsigned char* out) {
    *out++ = filter;
    if (filter == Filter::none) {
        std::memcpy(out, row, bytes);
    } else if (!above) {
        // The first row: "Up" predicts 0, "Paeth" the byte to the left.
        for (size_t i = 0; i < bytes; ++i) {
            const unsigned left = i >= bpp && filter == Filter::paeth ? row[i - bpp] : 0;
            out[i] = static_cast<unsigned char>(row[i] - left);
        }
    } else if (filter == Filter::up) {
        for (size_t i = 0; i < bytes; ++i) {
            out[i] = static_cast<unsigned char>(row[i] - above[i]);
        }
    } else {
        for (size_t i = 0; i < bpp; ++i) {
            out[i] = static_cast<unsigned char>(row[i] - above[i]);
        }
        for (size_t i = bpp; i < bytes; ++i) {
            const int a = row[i - bpp], b = above[i], c = above[i - bpp];
            const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
            const int predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            out[i] = static_cast<unsigned char>(row[i] - predicted);
        }
    }
}

// Rows [first, last) of a plane filtered into `out`, each led by its filter byte.
void filterRows(Filter filter, const unsigned char* rows, size_t rowBytes, size_t bpp, int first,
                int last, unsigned char* out) {
    for (int y = first; y < last; ++y) {
        const unsigned char* row = rows + static_cast<size_t>(y) * rowBytes;
        filterRow(filter, row, y > 0 ? row - rowBytes : nullptr, rowBytes, bpp, out);
        out += rowBytes + 1;
    }
}

// Whether every RGB pixel of `rows` is grey.
bool allGrey(const unsigned char* rgb, size_t pixels) {
    unsigned differs = 0;
    for (size_t i = 0; i < pixels; ++i, rgb += 3) {
        differs |= static_cast<unsigned>(rgb[0] ^ rgb[1]) | static_cast<unsigned>(rgb[1] ^ rgb[2]);
        // Checked a row's worth at a time, so a coloured picture is found out early.
        if ((i & 1023) == 1023 && differs) {
            return false;
        }
    }
    return differs == 0;
}

// The filter that packs a sample of the plane's rows smallest: whole in a small plane, else
// bands spread over it (each band filtered against the row above it, as in the whole plane).
// "Paeth" is tried only when "Up" beats plain rows: on drawn pages, whose runs of one colour
// pack best plain, it seldom wins.
Filter bestFilter(Packer& p, const unsigned char* rows, size_t rowBytes, size_t bpp, int height) {
    const bool whole = rowBytes * static_cast<size_t>(height) <= kWholeTrial;
    const int every =
        whole ? height : std::clamp(height / kSampleBands, kSampleRows, kSampleEveryMost);
    auto sampleSize = [&](Filter filter) {
        std::vector<unsigned char>& sample = p.sample;
        sample.clear();
        for (int y = 0; y < height; y += every) {
            const int last = std::min(height, y + (whole ? height : kSampleRows));
            const size_t at = sample.size();
            sample.resize(at + (rowBytes + 1) * static_cast<size_t>(last - y));
            filterRows(filter, rows, rowBytes, bpp, y, last, sample.data() + at);
        }
        const size_t size = p.compress(sample.data(), sample.size());
        return size > 0 ? size : SIZE_MAX;
    };
    const size_t plain = sampleSize(Filter::none);
    const size_t up = sampleSize(Filter::up);
    if (up >= plain) {
        return Filter::none;
    }
    return sampleSize(Filter::paeth) < up ? Filter::paeth : Filter::up;
}

// Rows of one plane of a picture drawn into a file (a stamp, a QR code, an image), each filtered
// with "Up" and deflated as they come with zlib's run-length strategy: one such picture is
// encoded for nearly every file a run writes, and on their runs of few colours this packs about
// as small as the flattened pages' packing at a fraction of its time.
class RowCompressor {
public:
    explicit RowCompressor(size_t rowBytes) : above_(rowBytes, 0), line_(rowBytes + 1) {
        ready_ = deflateInit2(&z_, kPictureLevel, Z_DEFLATED, 15, 8, Z_RLE) == Z_OK;
    }
    ~RowCompressor() {
        if (ready_) {
            deflateEnd(&z_);
        }
    }
    RowCompressor(const RowCompressor&) = delete;
    RowCompressor& operator=(const RowCompressor&) = delete;

    bool add(const unsigned char* row) {
        line_[0] = 2;
        unsigned char* line = line_.data() + 1;
        unsigned char* above = above_.data();
        for (size_t i = 0, n = above_.size(); i < n; ++i) {
            line[i] = static_cast<unsigned char>(row[i] - above[i]);
            above[i] = row[i];
        }
        return deflateSome(line_.data(), line_.size(), Z_NO_FLUSH);
    }

    // The compressed rows; none when compressing failed.
    std::optional<std::string> finish() {
        if (!deflateSome(nullptr, 0, Z_FINISH)) {
            return std::nullopt;
        }
        return std::move(out_);
    }

private:
    bool deflateSome(const unsigned char* data, size_t size, int flush) {
        if (!ready_) {
            return false;
        }
        z_.next_in = const_cast<unsigned char*>(data);
        z_.avail_in = static_cast<uInt>(size);
        unsigned char buffer[kOutputChunk];
        int rc = Z_OK;
        do {
            z_.next_out = buffer;
            z_.avail_out = sizeof buffer;
            rc = deflate(&z_, flush);
            out_.append(reinterpret_cast<const char*>(buffer), sizeof buffer - z_.avail_out);
        } while (rc == Z_OK && (z_.avail_out == 0 || (flush == Z_FINISH)));
        return flush == Z_FINISH ? rc == Z_STREAM_END : rc == Z_OK || rc == Z_BUF_ERROR;
    }

    z_stream z_{};
    bool ready_ = false;
    std::vector<unsigned char> above_, line_;
    std::string out_;
};

// MurmurHash3 (x64, 128 bits) of the image's pixel rows and size: the key under which an image
// made again with the same pixels (a stamp built anew for every file of a run) finds the
// encoding made for the first one.
struct ContentKey {
    std::uint64_t h1 = 0, h2 = 0;
    int width = 0, height = 0;
    bool operator==(const ContentKey&) const = default;
};

std::uint64_t rotl(std::uint64_t x, int r) {
    return (x << r) | (x >> (64 - r));
}

std::uint64_t fmix(std::uint64_t k) {
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdULL;
    k ^= k >> 33;
    k *= 0xc4ceb9fe1a85ec53ULL;
    k ^= k >> 33;
    return k;
}

ContentKey contentKey(cairo_surface_t* surface) {
    constexpr std::uint64_t c1 = 0x87c37b91114253d5ULL, c2 = 0x4cf5ad432745937fULL;
    ContentKey key;
    key.width = cairo_image_surface_get_width(surface);
    key.height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    // ARGB32 rows are whole 8-byte blocks when the width is even; an odd width leaves one pixel
    // per row, folded in as a tail block.
    const size_t rowBytes = static_cast<size_t>(key.width) * 4;
    std::uint64_t h1 = 0x6a09e667f3bcc908ULL, h2 = 0xbb67ae8584caa73bULL;
    size_t length = 0;
    for (int y = 0; y < key.height; ++y) {
        const unsigned char* row = data + static_cast<std::ptrdiff_t>(y) * stride;
        size_t i = 0;
        for (; i + 16 <= rowBytes; i += 16) {
            std::uint64_t k1, k2;
            std::memcpy(&k1, row + i, 8);
            std::memcpy(&k2, row + i + 8, 8);
            k1 *= c1;
            k1 = rotl(k1, 31);
            k1 *= c2;
            h1 ^= k1;
            h1 = rotl(h1, 27);
            h1 += h2;
            h1 = h1 * 5 + 0x52dce729;
            k2 *= c2;
            k2 = rotl(k2, 33);
            k2 *= c1;
            h2 ^= k2;
            h2 = rotl(h2, 31);
            h2 += h1;
            h2 = h2 * 5 + 0x38495ab5;
        }
        if (i < rowBytes) {
            std::uint64_t k1 = 0, k2 = 0;
            const size_t rest = rowBytes - i;
            std::memcpy(&k1, row + i, std::min<size_t>(rest, 8));
            if (rest > 8) {
                std::memcpy(&k2, row + i + 8, rest - 8);
            }
            k2 *= c2;
            k2 = rotl(k2, 33);
            k2 *= c1;
            h2 ^= k2;
            k1 *= c1;
            k1 = rotl(k1, 31);
            k1 *= c2;
            h1 ^= k1;
        }
        length += rowBytes;
    }
    h1 ^= length;
    h2 ^= length;
    h1 += h2;
    h2 += h1;
    h1 = fmix(h1);
    h2 = fmix(h2);
    h1 += h2;
    h2 += h1;
    key.h1 = h1;
    key.h2 = h2;
    return key;
}

// The encodings made lately, by content, the most recently used first: a few dozen compressed
// pictures, and no more bytes than a budget (the newest is kept whatever its size).
constexpr size_t kRemembered = 32;
constexpr size_t kRememberedBytes = 64 * 1024 * 1024;
struct Remembered {
    ContentKey key;
    std::shared_ptr<const BitmapEncoding> encoding;
};
// The remembered encodings and their lock. Never destroyed: a worker may still encode while the
// program ends.
struct Memory {
    std::mutex mutex;
    std::vector<Remembered> remembered;
};

Memory& memory() {
    static auto& held = *new Memory;
    return held;
}

// An image's encoding also rides on its cairo surface (user data), so that drawing the same
// image again costs no hashing; it goes with the pixels.
const cairo_user_data_key_t encodingKey{};

void dropEncoding(void* data) {
    delete static_cast<std::shared_ptr<const BitmapEncoding>*>(data);
}

} // namespace

std::string PackedPlane::decodeParms(int width) const {
    if (!predicted) {
        return {};
    }
    return "<< /Predictor 15 /Colors " + std::to_string(colors) + " /BitsPerComponent 8 /Columns " +
           std::to_string(width) + " >>";
}

std::optional<PackedPlane> PackedPlane::pack(std::vector<unsigned char>& rows, int width,
                                             int height, int colors, bool mayBeGrey) {
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (width <= 0 || height <= 0 || rows.size() < pixels * static_cast<size_t>(colors)) {
        return std::nullopt;
    }
    PackedPlane plane;
    plane.colors = colors;
    if (colors == 3 && mayBeGrey && allGrey(rows.data(), pixels)) {
        for (size_t i = 0; i < pixels; ++i) {
            rows[i] = rows[3 * i];
        }
        plane.colors = 1;
    }
    const size_t bpp = static_cast<size_t>(plane.colors);
    const size_t rowBytes = bpp * static_cast<size_t>(width);
    Packer& p = packer();
    const Filter filter = bestFilter(p, rows.data(), rowBytes, bpp, height);
    size_t size = 0;
    if (filter == Filter::none) {
        // Plain rows need no filter bytes, nor a predictor to undo.
        size = p.compress(rows.data(), rowBytes * static_cast<size_t>(height));
    } else {
        p.filtered.resize((rowBytes + 1) * static_cast<size_t>(height));
        filterRows(filter, rows.data(), rowBytes, bpp, 0, height, p.filtered.data());
        size = p.compress(p.filtered.data(), p.filtered.size());
        plane.predicted = true;
    }
    if (size == 0) {
        return std::nullopt;
    }
    plane.flate.assign(reinterpret_cast<const char*>(p.out.get()), size);
    return plane;
}

std::shared_ptr<const BitmapEncoding>
BitmapEncoding::encode(const unsigned char* pixels, std::ptrdiff_t stride, int width, int height) {
    if (!pixels || width <= 0 || height <= 0) {
        return nullptr;
    }
    const auto& table = unpremultiplied();
    const size_t w = static_cast<size_t>(width);
    RowCompressor color(3 * w), alpha(w);
    std::vector<unsigned char> rgb(3 * w), grey(w);
    bool opaque = true;
    const unsigned char* plainTable = table[0].data();
    unsigned char* colorRow = rgb.data();
    unsigned char* alphaRow = grey.data();
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(pixels + y * stride);
        for (size_t x = 0; x < w; ++x) {
            const std::uint32_t p = row[x];
            const unsigned a = p >> 24;
            const unsigned char* plain = plainTable + 256 * a;
            colorRow[3 * x] = plain[(p >> 16) & 0xFF];
            colorRow[3 * x + 1] = plain[(p >> 8) & 0xFF];
            colorRow[3 * x + 2] = plain[p & 0xFF];
            alphaRow[x] = static_cast<unsigned char>(a);
            opaque = opaque && a == 255;
        }
        if (!color.add(rgb.data()) || !alpha.add(grey.data())) {
            return nullptr;
        }
    }
    auto encoding = std::make_shared<BitmapEncoding>();
    encoding->width = width;
    encoding->height = height;
    auto colorBytes = color.finish();
    auto alphaBytes = alpha.finish();
    if (!colorBytes || !alphaBytes) {
        return nullptr;
    }
    encoding->color = PackedPlane{std::move(*colorBytes), 3, true};
    if (!opaque) {
        encoding->alpha = PackedPlane{std::move(*alphaBytes), 1, true};
    }
    encodings.fetch_add(1, std::memory_order_relaxed);
    return encoding;
}

std::shared_ptr<const BitmapEncoding> BitmapEncoding::of(const gfx::Image& image) {
    cairo_surface_t* surface = image.cairoSurface();
    if (image.isNull() || !surface) {
        return nullptr;
    }
    // One lock for finding and making: writes that draw the same image at the same time wait for
    // its one encoding.
    Memory& kept = memory();
    std::lock_guard<std::mutex> lock(kept.mutex);
    std::vector<Remembered>& remembered = kept.remembered;
    if (auto* held = static_cast<std::shared_ptr<const BitmapEncoding>*>(
            cairo_surface_get_user_data(surface, &encodingKey))) {
        return *held;
    }
    const ContentKey key = contentKey(surface);
    std::shared_ptr<const BitmapEncoding> encoding;
    auto found = std::find_if(remembered.begin(), remembered.end(),
                              [&](const Remembered& r) { return r.key == key; });
    if (found != remembered.end()) {
        std::rotate(remembered.begin(), found, found + 1);
        encoding = remembered.front().encoding;
    } else {
        encoding = encode(image.data(), image.stride(), image.width(), image.height());
        if (!encoding) {
            return nullptr;
        }
        remembered.insert(remembered.begin(), {key, encoding});
        size_t bytes = 0;
        for (size_t i = 0; i < remembered.size(); ++i) {
            const BitmapEncoding& e = *remembered[i].encoding;
            bytes += e.color.flate.size() + e.alpha.flate.size();
            if (i > 0 && (i >= kRemembered || bytes > kRememberedBytes)) {
                remembered.resize(i);
                break;
            }
        }
    }
    auto* held = new std::shared_ptr<const BitmapEncoding>(encoding);
    if (cairo_surface_set_user_data(surface, &encodingKey, held, dropEncoding) !=
        CAIRO_STATUS_SUCCESS) {
        delete held;
    }
    return encoding;
}

std::uint64_t BitmapEncoding::encodedCount() {
    return encodings.load(std::memory_order_relaxed);
}

} // namespace fen::pdf
