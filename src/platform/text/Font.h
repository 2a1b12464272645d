#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

typedef struct _PangoFontDescription PangoFontDescription;

namespace fen::text {

// A font: one face of a family at a point size. Fonts are made only for faces the system has
// (pango itself would silently substitute another family). "Helvetica Neue" is a family here,
// with the faces of its stand-in Nimbus Sans. Sizes are absolute points, unhinted.
class Font {
public:
    // The default font of text without one: the system font at 12 points.
    Font();

    // The font of a name as stored settings name fonts: a family name alone gives its
    // regular face ("Helvetica Neue"), a family name and a face name give that face ("Helvetica
    // Neue Bold"). None when no such face exists. Case does not matter.
    static std::optional<Font> named(std::string_view name, double size);
    // The face `style` (a face name such as "Bold") of `family`; none when either is unknown.
    static std::optional<Font> make(std::string_view family, std::string_view style, double size);
    // The system's interface font ("Helvetica Neue", else the generic sans-serif) at `size`.
    static Font systemFont(double size);
    // The point size of body text (17).
    static double bodyTextSize();

    // The family as asked for ("Helvetica Neue" stays so, though drawn with Nimbus Sans).
    const std::string& familyName() const;
    // The face's name within its family (its sub-family name), such as "Regular" or "Bold".
    const std::string& styleName() const;
    // The family and face name together, accepted by named(): "Helvetica Neue Bold".
    std::string fontName() const;
    double pointSize() const;
    Font withSize(double size) const;

    // The pango description with the absolute size, for the text layer.
    const PangoFontDescription* pangoDescription() const;

    bool operator==(const Font& other) const;

private:
    struct Impl;
    explicit Font(std::shared_ptr<const Impl> impl);
    const Impl& impl() const;
    std::shared_ptr<const Impl> d_;
};

} // namespace fen::text
