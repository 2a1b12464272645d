#include "ui/SymbolIcon.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>

namespace {

using fen::ui::SymbolIcon;

TEST(SymbolIcon, EveryNamedSymbolDrawsInTheAskedColourAt22Points) {
    // Every symbol name the window's views show.
    const QString names = QStringLiteral(
        "123.rectangle bookmark calendar character.textbox checkmark.rectangle "
        "chevron.down chevron.up chevron.up.chevron.down doc ellipsis ellipsis.circle "
        "envelope icloud.fill link list.bullet.rectangle.portrait multiply.circle.fill "
        "paintbrush person photo qrcode rectangle.portrait.and.arrow.right "
        "square.2.layers.3d.bottom.filled square.2.layers.3d.top.filled "
        "square.and.arrow.down square.and.arrow.up square.and.pencil theatermasks.fill "
        "xmark");
    for (const QString& name : names.split(' ')) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(SymbolIcon::exists(name));
        for (const QColor& colour : {QColor(0xD0, 0x20, 0x30), QColor(0x10, 0x80, 0x40)}) {
            const QImage image = SymbolIcon::image(name, colour, 22);
            EXPECT_EQ(image.size(), QSize(22, 22));
            int inked = 0;
            QColor strongest(Qt::transparent);
            for (int y = 0; y < 22; ++y) {
                for (int x = 0; x < 22; ++x) {
                    const QColor c = image.pixelColor(x, y);
                    inked += c.alpha() > 0;
                    strongest = c.alpha() > strongest.alpha() ? c : strongest;
                }
            }
            EXPECT_GT(inked, 20);
            EXPECT_LT(inked, 22 * 22);
            EXPECT_EQ(strongest.rgb(), colour.rgb());
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

} // namespace
