#include "rendering/FontResolution.h"

#include "platform/text/FontCatalog.h"

#include <unicode/ucasemap.h>
#include <unicode/ustring.h>
#include <unicode/utypes.h>

#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace fen {

namespace {

constexpr std::string_view fallbackFamily = "Helvetica Neue";

} // namespace

std::string capitalizedStyleName(std::string_view style) {
    // One case map per thread, kept: the map holds the word breaker that title casing needs, and
    // building that breaker costs far more than casing a style name.
    UErrorCode status = U_ZERO_ERROR;
    thread_local const std::unique_ptr<UCaseMap, decltype(&ucasemap_close)> map(
        ucasemap_open("", 0, &status), &ucasemap_close);
    if (!map) {
        return std::string(style);
    }
    status = U_ZERO_ERROR;
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
    // Walking a family's faces costs far more than drawing a page number, and a write asks for
    // the same font on every page: the faces found are kept (a few, whatever their size). What
    // is not found is looked for again, since a font may be installed meanwhile. Never destroyed:
    // an export's worker may still draw while the program ends (an exit the display forces).
    static auto& mutex = *new std::mutex;
    static auto& found = *new std::map<std::pair<std::string, std::string>, text::Font>;
    auto key = std::make_pair(std::string(family), std::string(style));
    {
        std::lock_guard lock(mutex);
        auto it = found.find(key);
        if (it != found.end()) {
            return it->second.withSize(size);
        }
    }
    if (auto named = text::Font::named(family, 1)) {
        for (const std::string& fontName : text::FontCatalog::fontNames(named->familyName())) {
            auto face = text::Font::named(fontName, 1);
            if (!face || face->styleName().empty()) {
                continue;
            }
            if (capitalizedStyleName(face->styleName()) == style) {
                std::lock_guard lock(mutex);
                if (found.size() >= 32) {
                    found.clear();
                }
                found.insert_or_assign(key, *face);
                return face->withSize(size);
            }
        }
    }
    return text::Font::named(fallbackFamily, defaultFontSize());
}

const std::string& defaultFontStyle() {
    // Never destroyed, as the faces found above.
    static const auto& style = *new const std::string([] {
        auto font = text::Font::named(fallbackFamily, 1);
        return font && !font->styleName().empty() ? font->styleName() : std::string("Regular");
    }());
    return style;
}

double defaultFontSize() {
    static const double size = text::Font::bodyTextSize();
    return size;
}

} // namespace fen
