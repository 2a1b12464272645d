#include "rendering/FontResolution.h"

#include "platform/text/FontCatalog.h"

#include <unicode/ucasemap.h>
#include <unicode/ustring.h>
#include <unicode/utypes.h>

#include <memory>

namespace fen {

namespace {

constexpr std::string_view fallbackFamily = "Helvetica Neue";

} // namespace

std::string capitalizedStyleName(std::string_view style) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCaseMap, decltype(&ucasemap_close)> map(ucasemap_open("", 0, &status),
                                                             &ucasemap_close);
    if (U_FAILURE(status)) {
        return std::string(style);
    }
    std::string out(style.size() * 3 + 16, '\0');
    int32_t length =
        ucasemap_utf8ToTitle(map.get(), out.data(), static_cast<int32_t>(out.size()), style.data(),
                             static_cast<int32_t>(style.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        out.assign(static_cast<std::size_t>(length), '\0');
        length = ucasemap_utf8ToTitle(map.get(), out.data(), static_cast<int32_t>(out.size()),
                                      style.data(), static_cast<int32_t>(style.size()), &status);
    }
    if (U_FAILURE(status)) {
        return std::string(style);
    }
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::optional<text::Font> resolvedFont(std::string_view family, std::string_view style,
                                       double size) {
    if (auto named = text::Font::named(family, 1)) {
        for (const std::string& fontName : text::FontCatalog::fontNames(named->familyName())) {
            auto face = text::Font::named(fontName, 1);
            if (!face || face->styleName().empty()) {
                continue;
            }
            if (capitalizedStyleName(face->styleName()) == style) {
                return text::Font::named(fontName, size);
            }
        }
    }
    return text::Font::named(fallbackFamily, defaultFontSize());
}

const std::string& defaultFontStyle() {
    static const std::string style = [] {
        auto font = text::Font::named(fallbackFamily, 1);
        return font && !font->styleName().empty() ? font->styleName() : std::string("Regular");
    }();
    return style;
}

double defaultFontSize() {
    static const double size = text::Font::bodyTextSize();
    return size;
}

} // namespace fen
