#include "ui/Theme.h"

#include <QStyle>
#include <QStyleFactory>

#include <memory>

namespace fen::ui {

bool Theme::isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128;
}

QColor Theme::accent(const QPalette& palette) {
    return palette.color(QPalette::Highlight);
}

QColor Theme::primary(const QPalette& palette) {
    return palette.color(QPalette::WindowText);
}

QColor Theme::systemBackground(const QPalette& palette) {
    return palette.color(QPalette::Base);
}

QColor Theme::secondarySystemBackground(const QPalette& palette) {
    return palette.color(QPalette::AlternateBase);
}

QColor Theme::lightGray() {
    return QColor(0xAA, 0xAA, 0xAA);
}

QColor Theme::red() {
    return QColor(0xFF, 0x00, 0x00);
}

QColor Theme::gray() {
    return QColor(0x80, 0x80, 0x80);
}

QColor Theme::withOpacity(QColor colour, double opacity) {
    colour.setAlphaF(static_cast<float>(colour.alphaF() * opacity));
    return colour;
}

QColor Theme::sectionTint(const QPalette& palette) {
    return withOpacity(isDark(palette) ? QColor(Qt::white) : QColor(Qt::black), 0.02);
}

QPalette Theme::fixedPalette(bool dark) {
    std::unique_ptr<QStyle> fusion(QStyleFactory::create("Fusion"));
    QPalette palette = fusion ? fusion->standardPalette() : QPalette();
    if (!dark) {
        palette.setColor(QPalette::Highlight, QColor(0x00, 0x7A, 0xFF));
        return palette;
    }
    const struct {
        QPalette::ColorRole role;
        QColor colour;
    } roles[] = {
        {QPalette::Window, QColor(0x1E, 0x1E, 0x1E)},
        {QPalette::WindowText, QColor(0xF0, 0xF0, 0xF0)},
        {QPalette::Base, QColor(0x12, 0x12, 0x12)},
        {QPalette::AlternateBase, QColor(0x2C, 0x2C, 0x2E)},
        {QPalette::Text, QColor(0xF0, 0xF0, 0xF0)},
        {QPalette::Button, QColor(0x2C, 0x2C, 0x2E)},
        {QPalette::ButtonText, QColor(0xF0, 0xF0, 0xF0)},
        {QPalette::Highlight, QColor(0x0A, 0x84, 0xFF)},
        {QPalette::HighlightedText, QColor(Qt::white)},
        {QPalette::ToolTipBase, QColor(0x2C, 0x2C, 0x2E)},
        {QPalette::ToolTipText, QColor(0xF0, 0xF0, 0xF0)},
        {QPalette::PlaceholderText, QColor(0x8E, 0x8E, 0x93)},
    };
    for (const auto& [role, colour] : roles) {
        palette.setColor(QPalette::All, role, colour);
    }
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    return palette;
}

} // namespace fen::ui
