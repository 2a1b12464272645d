#include "platform/text/Font.h"

#include "platform/text/TextSystem.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

namespace fen::text {

namespace {

// Sizes that cannot be drawn become the default text size; enormous ones are capped.
double usableSize(double size) {
    if (!std::isfinite(size) || size <= 0) {
        return 12;
    }
    return std::min(size, 100000.0);
}

} // namespace

struct Font::Impl {
    std::string family;
    std::string style;
    double size = 12;
    PangoFontDescription* description = nullptr;

    Impl(std::string family, std::string style, double size, PangoFontDescription* described)
        : family(std::move(family)), style(std::move(style)), size(size), description(described) {
        pango_font_description_set_absolute_size(description, size * PANGO_SCALE);
    }
    ~Impl() { pango_font_description_free(description); }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
};

Font::Font() = default;

Font::Font(std::shared_ptr<const Impl> impl) : d_(std::move(impl)) {}

const Font::Impl& Font::impl() const {
    if (d_) {
        return *d_;
    }
    // Never destroyed: a worker may still draw with it while the program ends.
    static const auto& standard = *new const Font(systemFont(12));
    return *standard.d_;
}

std::optional<Font> Font::make(std::string_view family, std::string_view style, double size) {
    auto canonical = TextSystem::canonicalFamily(family);
    if (!canonical) {
        return std::nullopt;
    }
    std::string face;
    PangoFontDescription* description = TextSystem::faceDescription(family, style, &face);
    if (!description) {
        return std::nullopt;
    }
    // Pango substitutes silently: make sure the face it loads belongs to the family asked for.
    std::string drawn = pango_font_description_get_family(description);
    PangoFontDescription* probe = pango_font_description_copy(description);
    pango_font_description_set_absolute_size(probe, 12 * PANGO_SCALE);
    PangoFont* loaded =
        pango_font_map_load_font(TextSystem::fontMap(), TextSystem::measuringContext(), probe);
    pango_font_description_free(probe);
    bool same = false;
    if (loaded) {
        PangoFontDescription* described = pango_font_describe(loaded);
        const char* loadedFamily = pango_font_description_get_family(described);
        same = loadedFamily && TextSystem::sameName(loadedFamily, drawn);
        pango_font_description_free(described);
        g_object_unref(loaded);
    }
    if (!same) {
        pango_font_description_free(description);
        return std::nullopt;
    }
    return Font(std::make_shared<const Impl>(*canonical, face, usableSize(size), description));
}

std::optional<Font> Font::named(std::string_view name, double size) {
    if (TextSystem::canonicalFamily(name)) {
        return make(name, "", size);
    }
    // The longest family name that starts the name, followed by a face name.
    std::optional<Font> best;
    std::size_t bestLength = 0;
    for (const std::string& family : TextSystem::familyNames()) {
        if (family.size() + 1 < name.size() && family.size() > bestLength &&
            name[family.size()] == ' ' &&
            TextSystem::sameName(name.substr(0, family.size()), family)) {
            if (auto font = make(family, name.substr(family.size() + 1), size)) {
                best = font;
                bestLength = family.size();
            }
        }
    }
    return best;
}

Font Font::systemFont(double size) {
    if (auto font = named("Helvetica Neue", size)) {
        return *font;
    }
    PangoFontDescription* description = pango_font_description_from_string("Sans");
    return Font(std::make_shared<const Impl>("Sans", "Regular", usableSize(size), description));
}

double Font::bodyTextSize() {
    return 17;
}

const std::string& Font::familyName() const {
    return impl().family;
}

const std::string& Font::styleName() const {
    return impl().style;
}

std::string Font::fontName() const {
    return familyName() + " " + styleName();
}

double Font::pointSize() const {
    return impl().size;
}

Font Font::withSize(double size) const {
    const Impl& me = impl();
    return Font(std::make_shared<const Impl>(me.family, me.style, usableSize(size),
                                             pango_font_description_copy(me.description)));
}

const PangoFontDescription* Font::pangoDescription() const {
    return impl().description;
}

bool Font::operator==(const Font& other) const {
    return familyName() == other.familyName() && styleName() == other.styleName() &&
           pointSize() == other.pointSize() &&
           pango_font_description_equal(pangoDescription(), other.pangoDescription());
}

} // namespace fen::text
