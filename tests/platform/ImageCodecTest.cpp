#include "platform/image/ImageCodec.h"
#include "platform/graphics/BitmapContext.h"
#include "support/TestSupport.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <zlib.h>

#include <cstdint>

using namespace fen::gfx;

namespace {

// A 3 × 2 picture: the upper row opaque red, the lower left half-transparent blue.
Image samplePicture() {
    auto ctx = BitmapContext::create(3, 2);
    EXPECT_TRUE(ctx);
    ctx->setFillColor({1, 0, 0, 1});
    ctx->fillRect({0, 1, 3, 1});
    ctx->setFillColor({0, 0, 1, 0.5});
    ctx->fillRect({0, 0, 1, 1});
    return ctx->makeImage();
}

// The bytes of a solid-colour picture in `format`, written by the image library itself.
std::string pixbufBytes(int width, int height, guint32 rgba, const char* format) {
    GdkPixbuf* pixbuf =
        gdk_pixbuf_new(GDK_COLORSPACE_RGB, format == std::string("png"), 8, width, height);
    gdk_pixbuf_fill(pixbuf, rgba);
    gchar* buffer = nullptr;
    gsize size = 0;
    EXPECT_TRUE(gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, format, nullptr, nullptr));
    std::string bytes(buffer, size);
    g_free(buffer);
    g_object_unref(pixbuf);
    return bytes;
}

void appendChunk(std::string& png, const char* type, const std::string& data) {
    const auto bigEndian = [&](std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            png.push_back(static_cast<char>(value >> shift & 0xff));
        }
    };
    bigEndian(static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    png += typed;
    bigEndian(static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
}

// A complete black greyscale PNG of `side` × `side` pixels: a file of a few hundred kilobytes
// whose pixels take 4 × side² bytes once decoded.
std::string blackSquarePNG(std::uint32_t side) {
    std::string header;
    for (int shift = 24; shift >= 0; shift -= 8) {
        header.push_back(static_cast<char>(side >> shift & 0xff));
    }
    header += header;
    header += std::string("\x08\x00\x00\x00\x00", 5); // 8-bit grey, no interlace
    z_stream stream{};
    EXPECT_EQ(deflateInit(&stream, 1), Z_OK);
    const std::string row(side + 1, '\0'); // filter byte, then the pixels
    std::string compressed;
    char out[1 << 16];
    for (std::uint32_t y = 0; y <= side; ++y) {
        const bool last = y == side;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.data()));
        stream.avail_in = last ? 0 : static_cast<uInt>(row.size());
        int status = Z_OK;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(out);
            stream.avail_out = sizeof out;
            status = deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            compressed.append(out, sizeof out - stream.avail_out);
        } while (stream.avail_out == 0 || (last && status != Z_STREAM_END));
    }
    deflateEnd(&stream);
    std::string png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", compressed);
    appendChunk(png, "IEND", "");
    return png;
}

} // namespace

TEST(ImageCodec, PngRoundTripKeepsPixelsAndAlphaInMemoryAndInFiles) {
    Image picture = samplePicture();
    auto png = ImageCodec::encodePNG(picture);
    ASSERT_TRUE(png);
    EXPECT_EQ(png->substr(1, 3), "PNG");
    auto back = ImageCodec::decode(*png);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->width(), 3);
    ASSERT_EQ(back->height(), 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(back->pixel(x, y), picture.pixel(x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(back->pixel(0, 1), 0x80000080u); // half-transparent blue, premultiplied

    fen::test::TempDir dir;
    ASSERT_TRUE(ImageCodec::writePNG(picture, dir / "p.png"));
    auto fromFile = ImageCodec::decodeFile(dir / "p.png");
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->pixel(1, 0), picture.pixel(1, 0));
    EXPECT_FALSE(ImageCodec::writePNG(picture, dir / "missing" / "p.png"));
    EXPECT_FALSE(ImageCodec::writePNG(Image(), dir / "null.png"));
    EXPECT_FALSE(ImageCodec::encodePNG(Image()));
    EXPECT_FALSE(ImageCodec::decodeFile(dir / "absent.png"));
    // Bytes that are no image, or an image cut short.
    for (const std::string& bytes :
         {std::string(), std::string("%PDF-1.7\n1 0 obj << >> endobj\n"), std::string(5000, '\0'),
          png->substr(0, png->size() / 2), png->substr(0, 8)}) {
        EXPECT_FALSE(ImageCodec::decode(bytes)) << bytes.size();
    }
}

TEST(ImageCodec, HugePicturesAreScaledToTheBitmapLimit) {
    auto huge = ImageCodec::decode(pixbufBytes(40000, 4, 0xff0000ff, "png"));
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->width(), 32767);
    EXPECT_EQ(huge->height(), 3);
    EXPECT_EQ(huge->pixel(100, 1), 0xffff0000u);
}

TEST(ImageCodec, PicturesOfMorePixelsThanTheLimitAreRefusedFromTheirHeader) {
    // 12000 × 12000 is within the side limit but above the pixel limit, and told as too large
    // with the size it declares; bytes that are no picture are told as none.
    const std::string bomb = blackSquarePNG(12000);
    ASSERT_LT(bomb.size(), 1u << 20);
    ImageCodec::DecodeFailure failure;
    EXPECT_FALSE(ImageCodec::decode(bomb, &failure));
    EXPECT_TRUE(failure.tooLarge);
    EXPECT_EQ(std::pair(failure.width, failure.height), std::pair(12000, 12000));
    EXPECT_FALSE(ImageCodec::decode("a note, not a picture", &failure));
    EXPECT_FALSE(failure.tooLarge);
    // The same kind of file within the limit still decodes.
    auto small = ImageCodec::decode(blackSquarePNG(600));
    ASSERT_TRUE(small);
    EXPECT_EQ(small->width(), 600);
    EXPECT_EQ(small->pixel(599, 599), 0xff000000u);
    // The SVG loader answers a refused size with a picture of one pixel: still none.
    auto svg = [](int side) {
        const std::string n = std::to_string(side);
        return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + n + "\" height=\"" + n +
               "\"><rect width=\"" + n + "\" height=\"" + n + "\" fill=\"#000\"/></svg>";
    };
    EXPECT_FALSE(ImageCodec::decode(svg(100000), &failure));
    EXPECT_EQ(std::pair(failure.width, failure.height), std::pair(100000, 100000));
    auto drawn = ImageCodec::decode(svg(20), &failure);
    ASSERT_TRUE(drawn) << "an SVG within the limit is a picture";
    EXPECT_EQ(drawn->width(), 20);
}
