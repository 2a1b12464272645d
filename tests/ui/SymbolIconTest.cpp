#include "ui/SymbolIcon.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace {

using fen::ui::SymbolIcon;

// Every symbol name the window's views show.
const char* const symbolNames[] = {
    "123.rectangle",
    "bookmark",
    "calendar",
    "character.textbox",
    "checkmark.rectangle",
    "chevron.down",
    "chevron.up",
    "chevron.up.chevron.down",
    "doc",
    "ellipsis",
    "ellipsis.circle",
    "envelope",
    "icloud.fill",
    "link",
    "list.bullet.rectangle.portrait",
    "multiply.circle.fill",
    "paintbrush",
    "person",
    "photo",
    "qrcode",
    "rectangle.portrait.and.arrow.right",
    "square.2.layers.3d.bottom.filled",
    "square.2.layers.3d.top.filled",
    "square.and.arrow.down",
    "square.and.arrow.up",
    "square.and.pencil",
    "theatermasks.fill",
    "xmark",
};

struct Ink {
    int pixels = 0;
    QColor strongest;
};

Ink inkOf(const QImage& image) {
    Ink ink;
    int strongestAlpha = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 0) {
                ++ink.pixels;
            }
            if (c.alpha() > strongestAlpha) {
                strongestAlpha = c.alpha();
                ink.strongest = c;
            }
        }
    }
    return ink;
}

TEST(SymbolIcon, EveryNamedSymbolDrawsInTheAskedColourAt22Points) {
    const QColor colours[] = {QColor(0xD0, 0x20, 0x30), QColor(0x10, 0x80, 0x40)};
    for (const char* name : symbolNames) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(SymbolIcon::exists(name));
        for (const QColor& colour : colours) {
            const QImage image = SymbolIcon::image(name, colour, 22);
            EXPECT_EQ(image.size(), QSize(22, 22));
            const Ink ink = inkOf(image);
            EXPECT_GT(ink.pixels, 20);
            EXPECT_LT(ink.pixels, 22 * 22);
            EXPECT_EQ(ink.strongest.rgb(), colour.rgb());
        }
    }
}

TEST(SymbolIcon, UnknownNameDrawsAnEmptySquareAndSaysSoOnce) {
    testing::internal::CaptureStderr();
    const QImage first = SymbolIcon::image("no.such.symbol", Qt::red, 22);
    const QImage second = SymbolIcon::image("no.such.symbol", Qt::red, 22);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("no.such.symbol"), std::string::npos);
    // An outline: the edge inked, the middle empty.
    EXPECT_GT(first.pixelColor(1, 11).alpha(), 0);
    EXPECT_EQ(first.pixelColor(11, 11).alpha(), 0);
    EXPECT_EQ(first, second);
}

TEST(SymbolIcon, MirroredSymbolIsTheDiagonalMirror) {
    QImage plain(22, 22, QImage::Format_ARGB32_Premultiplied);
    plain.fill(Qt::transparent);
    QImage mirrored = plain;
    {
        QPainter p(&plain);
        SymbolIcon::paint(p, QRectF(0, 0, 22, 22), "paintbrush", Qt::black);
        QPainter m(&mirrored);
        SymbolIcon::paint(m, QRectF(0, 0, 22, 22), "paintbrush", Qt::black,
                          SymbolIcon::Weight::Regular, true);
    }
    ASSERT_NE(plain, mirrored);
    // The rasteriser is not exactly symmetric: a few edge pixels may differ slightly.
    int differing = 0;
    for (int y = 0; y < 22; ++y) {
        for (int x = 0; x < 22; ++x) {
            differing +=
                std::abs(plain.pixelColor(x, y).alpha() - mirrored.pixelColor(y, x).alpha()) > 24;
        }
    }
    EXPECT_LE(differing, 8);
}

} // namespace
