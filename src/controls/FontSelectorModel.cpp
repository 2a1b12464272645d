#include "controls/FontSelectorModel.h"

#include "model/FontSetting.h"
#include "platform/foundation/Uuid.h"
#include "platform/text/Font.h"
#include "platform/text/FontCatalog.h"
#include "rendering/FontResolution.h"

#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <algorithm>

namespace fen {

namespace {

// The text in normalisation form C, encoded as UTF-8 again, so that comparing the bytes compares
// code points; text that is not valid UTF-8 is compared as it is.
std::string canonicalText(const std::string& text) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, text.data(), static_cast<int32_t>(text.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
        return text;
    }
    std::u16string utf16(static_cast<std::size_t>(length), u'\0');
    status = U_ZERO_ERROR;
    u_strFromUTF8(utf16.data(), length, nullptr, text.data(), static_cast<int32_t>(text.size()),
                  &status);
    const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
    if (U_FAILURE(status)) {
        return text;
    }
    int32_t needed = unorm2_normalize(nfc, utf16.data(), length, nullptr, 0, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
        return text;
    }
    std::u16string normal(static_cast<std::size_t>(needed), u'\0');
    status = U_ZERO_ERROR;
    unorm2_normalize(nfc, utf16.data(), length, normal.data(), needed, &status);
    if (U_FAILURE(status)) {
        return text;
    }
    int32_t bytes = 0;
    u_strToUTF8(nullptr, 0, &bytes, normal.data(), needed, &status);
    std::string result(static_cast<std::size_t>(bytes), '\0');
    status = U_ZERO_ERROR;
    u_strToUTF8(result.data(), bytes, nullptr, normal.data(), needed, &status);
    return U_FAILURE(status) ? text : result;
}

} // namespace

std::vector<std::string> InstalledFontCatalog::familyNames() const {
    return text::FontCatalog::familyNames();
}

std::vector<std::string> InstalledFontCatalog::fontNames(std::string_view family) const {
    return text::FontCatalog::fontNames(family);
}

std::optional<std::string> InstalledFontCatalog::subFamilyName(std::string_view name,
                                                               double size) const {
    std::pair<std::string, double> key(name, size);
    {
        const std::lock_guard lock(mutex_);
        if (auto known = subFamilyNames_.find(key); known != subFamilyNames_.end()) {
            return known->second;
        }
    }
    std::optional<std::string> result;
    if (const auto font = text::Font::named(name, size); font && !font->styleName().empty()) {
        result = font->styleName();
    }
    const std::lock_guard lock(mutex_);
    subFamilyNames_.insert_or_assign(std::move(key), result);
    return result;
}

std::string faceStyleName(const FontSelectorCatalog& catalog, std::string_view name) {
    return catalog.subFamilyName(name, 1).value_or("Regular");
}

std::string styleName(const FontSelectorCatalog& catalog, std::string_view fontName) {
    auto name = catalog.subFamilyName(fontName, 17);
    if (!name) {
        name = catalog.subFamilyName(fontName, 1);
    }
    return capitalizedStyleName(name.value_or("Regular"));
}

std::vector<FontsInFamily> fontsInFamily(const FontSelectorCatalog& catalog,
                                         std::string_view family) {
    struct Keyed {
        std::string key;
        FontsInFamily entry;
    };
    std::vector<Keyed> keyed;
    for (std::string& name : catalog.fontNames(family)) {
        keyed.push_back({canonicalText(styleName(catalog, name)), {newUuidString(), name}});
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
    std::vector<FontsInFamily> result;
    for (Keyed& k : keyed) {
        result.push_back(std::move(k.entry));
    }
    return result;
}

std::vector<std::string> familyMenuNames(const FontSelectorCatalog& catalog) {
    std::vector<std::string> names = catalog.familyNames();
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

FontSelectorModel::FontSelectorModel(const FontSelectorCatalog& catalog)
    : catalog_(catalog), fontSizeValue_(static_cast<std::int64_t>(FontSetting::defaultSize())) {
    selectedFont_ = FontSetting::defaultFamilyName();
    selectedStyle_ = faceStyleName(catalog_, selectedFont_);
    fontStylesToDisplay_ = fontsInFamily(catalog_, selectedFont_);
    changed.emit();
}

void FontSelectorModel::setSelectedFont(std::string family) {
    selectedFont_ = std::move(family);
    updateFamilyStyles();
}

void FontSelectorModel::setSelectedStyle(std::string style) {
    selectedStyle_ = std::move(style);
    changed.emit();
}

void FontSelectorModel::setFontSizeValue(std::int64_t size) {
    fontSizeValue_ = size;
    changed.emit();
}

std::string FontSelectorModel::validatedStyle(const std::string& style) const {
    std::vector<std::string> names;
    for (const FontsInFamily& face : fontStylesToDisplay_) {
        names.push_back(styleName(catalog_, face.fontname));
    }
    const auto offered = [&names](const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    if (offered(style)) {
        return style;
    }
    std::string own = faceStyleName(catalog_, selectedFont_);
    if (offered(own)) {
        return own;
    }
    return names.front();
}

void FontSelectorModel::updateFamilyStyles() {
    fontStylesToDisplay_ = fontsInFamily(catalog_, selectedFont_);
    if (!fontStylesToDisplay_.empty()) {
        selectedStyle_ = validatedStyle(selectedStyle_);
    }
    changed.emit();
}

} // namespace fen
