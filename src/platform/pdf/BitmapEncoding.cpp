#include "platform/pdf/BitmapEncoding.h"

#include "platform/graphics/Image.h"

#include <cairo.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

namespace fen::pdf {

namespace {

// The fastest level: a drawn picture is mostly runs of a few colours, which it packs well.
constexpr int kCompressionLevel = 1;
constexpr size_t kOutputChunk = 64 * 1024;

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

// Rows of one plane, each filtered with "Up" and deflated as they come.
class RowCompressor {
public:
    explicit RowCompressor(size_t rowBytes) : above_(rowBytes, 0), line_(rowBytes + 1) {
        ready_ = deflateInit2(&z_, kCompressionLevel, Z_DEFLATED, 15, 8, Z_RLE) == Z_OK;
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
std::mutex rememberedMutex;
std::vector<Remembered> remembered;

// An image's encoding also rides on its cairo surface (user data), so that drawing the same
// image again costs no hashing; it goes with the pixels.
const cairo_user_data_key_t encodingKey{};

void dropEncoding(void* data) {
    delete static_cast<std::shared_ptr<const BitmapEncoding>*>(data);
}

} // namespace

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
    encoding->color = std::move(*colorBytes);
    if (!opaque) {
        encoding->alpha = std::move(*alphaBytes);
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
    std::lock_guard<std::mutex> lock(rememberedMutex);
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
            bytes += e.color.size() + e.alpha.size();
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
