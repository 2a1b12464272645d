#pragma once

#include "platform/foundation/Signal.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fen {

// What the font editor asks of the installed fonts. The program answers from the text layer
// (InstalledFontCatalog); tests answer from a table.
class FontSelectorCatalog {
public:
    virtual ~FontSelectorCatalog() = default;
    // The names of all installed families, each once.
    virtual std::vector<std::string> familyNames() const = 0;
    // The font names of a family's faces in the catalogue's order; empty for an unknown family.
    virtual std::vector<std::string> fontNames(std::string_view family) const = 0;
    // The sub-family name ("Bold", "Condensed Black") of the font of `name` opened at `size`
    // points, a family name opening its default face; none when the font does not open or has no
    // such name.
    virtual std::optional<std::string> subFamilyName(std::string_view name, double size) const = 0;
};

// The catalogue of the fonts the text layer draws with ("Helvetica Neue" among them).
class InstalledFontCatalog : public FontSelectorCatalog {
public:
    std::vector<std::string> familyNames() const override;
    std::vector<std::string> fontNames(std::string_view family) const override;
    // Answered once per name and size: reading a sub-family name opens the font, and the editor
    // asks for the same faces' names on every record it loads and every refresh of its style menu.
    std::optional<std::string> subFamilyName(std::string_view name, double size) const override;

private:
    mutable std::mutex mutex_;
    mutable std::map<std::pair<std::string, double>, std::optional<std::string>> subFamilyNames_;
};

// One face offered for a family. `id` is new each time an entry is made, so two lists built for
// the same family are never equal.
struct FontsInFamily {
    std::string id;
    std::string fontname;
    bool operator==(const FontsInFamily&) const = default;
};

// The style of a family's default face (or of a face named directly), exactly as the catalogue
// names it; "Regular" when the font does not open or has no sub-family name.
std::string faceStyleName(const FontSelectorCatalog& catalog, std::string_view name);

// The style a face is shown and stored as: its sub-family name (at 17 points, else at 1 point,
// else "Regular") with each word capitalised ("UltraLight" → "Ultralight", "BOLD ITALIC" →
// "Bold Italic"), the capitalisation the font resolution compares with.
std::string styleName(const FontSelectorCatalog& catalog, std::string_view fontName);

// The faces of a family, each with a new id, sorted by their shown style names in code-point
// order after canonical normalisation; faces of one shown name keep the catalogue's order.
std::vector<FontsInFamily> fontsInFamily(const FontSelectorCatalog& catalog,
                                         std::string_view family);

// The entries of the family menu: every family once, in plain code-point order (so upper-case
// initials come before lower-case ones, unlike the catalogue's own order).
std::vector<std::string> familyMenuNames(const FontSelectorCatalog& catalog);

// The working state of the font editor: family, style within it, the family's faces, and the
// size with its bounds. Setting the family reloads the faces and keeps the style valid for them.
// `changed` is announced once at the end of each setter.
class FontSelectorModel {
public:
    explicit FontSelectorModel(const FontSelectorCatalog& catalog);
    FontSelectorModel(const FontSelectorModel&) = delete;
    FontSelectorModel& operator=(const FontSelectorModel&) = delete;

    const std::string& selectedFont() const { return selectedFont_; }
    // Stores the family and runs updateFamilyStyles(), even for the family already held.
    void setSelectedFont(std::string family);
    const std::string& selectedStyle() const { return selectedStyle_; }
    // Stores the style as given: it need not be one the family offers.
    void setSelectedStyle(std::string style);
    const std::vector<FontsInFamily>& fontStylesToDisplay() const { return fontStylesToDisplay_; }
    std::int64_t minFontSize() const { return minFontSize_; }
    std::int64_t maxFontSize() const { return maxFontSize_; }
    std::int64_t fontSizeValue() const { return fontSizeValue_; }
    void setFontSizeValue(std::int64_t size);

    // `style` when the family offers a face of that shown name; else the default face's style
    // when the family offers that; else the first face's shown name. The face list must not be
    // empty.
    std::string validatedStyle(const std::string& style) const;
    // Reloads the faces of the family; when there are any, revalidates the style. A family the
    // catalogue does not know leaves no faces and the style as it was.
    void updateFamilyStyles();

    const FontSelectorCatalog& catalog() const { return catalog_; }

    Signal<> changed;

private:
    const FontSelectorCatalog& catalog_;
    std::string selectedFont_;
    std::string selectedStyle_;
    std::vector<FontsInFamily> fontStylesToDisplay_;
    std::int64_t minFontSize_ = 8;
    std::int64_t maxFontSize_ = 288;
    std::int64_t fontSizeValue_ = 0;
};

} // namespace fen
