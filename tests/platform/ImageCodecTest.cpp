#include "platform/image/ImageCodec.h"
#include "platform/graphics/BitmapContext.h"
#include "support/TestSupport.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

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
