#include "storage/OldSettingsMapping.h"

#include "model/ColorHex.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace fen {
namespace {

const gfx::Color kGray{0.5, 0.5, 0.5, 1};

// Reads a whole text as a decimal floating-point number, as the earlier version did; 0 when it is
// empty, starts with white space or is not entirely a number.
double decimalOrZero(const std::string& piece) {
    std::string_view text = piece;
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
            return 0;
        }
    }
    if (text.empty()) {
        return 0;
    }
    double value = 0;
    auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (error != std::errc() || end != text.data() + text.size()) {
        return 0;
    }
    return value;
}

std::vector<std::string> splitAtBlanks(const std::string& text) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (true) {
        size_t blank = text.find(' ', start);
        if (blank == std::string::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, blank - start));
        start = blank + 1;
    }
}

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    size_t at = 0;
    while ((at = text.find(from, at)) != std::string::npos) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
}

} // namespace

std::int64_t OldSettingsMapping::truncated(std::optional<double> value, std::int64_t fallback) {
    if (!value || !std::isfinite(*value)) {
        return fallback;
    }
    double whole = std::trunc(*value);
    if (whole < -9223372036854775808.0 || whole >= 9223372036854775808.0) {
        return fallback;
    }
    return static_cast<std::int64_t>(whole);
}

gfx::Color OldSettingsMapping::colorFromOld(const OldSettingsValue* dictionary) {
    if (!dictionary) {
        return kGray;
    }
    auto red = dictionary->real("ColorR");
    auto green = dictionary->real("ColorG");
    auto blue = dictionary->real("ColorB");
    if (!red || !green || !blue) {
        return kGray;
    }
    return gfx::Color{*red, *green, *blue, 1};
}

FontSetting OldSettingsMapping::fontSettingFromOld(const OldSettingsValue* dictionary,
                                                   const FontLookup& lookup) {
    std::optional<double> size = dictionary ? dictionary->real("FontSize") : std::nullopt;
    std::string name =
        (dictionary ? dictionary->text("FontName") : std::nullopt).value_or("Helvetica Neue");
    FontSetting font;
    font.size = truncated(size, 30);
    std::optional<FontFace> face = lookup ? lookup(name) : std::nullopt;
    font.familyname = face && !face->family.empty() ? face->family : "Helvetica Neue";
    font.style = face && !face->style.empty() ? face->style : "Regular";
    return font;
}

std::string OldSettingsMapping::hexColorFromOldColorString(const std::string& text) {
    std::vector<std::string> pieces = splitAtBlanks(text);
    if (pieces.size() < 4) {
        return colorHexString(gfx::Color{0, 0, 0, 1});
    }
    return colorHexString(gfx::Color{decimalOrZero(pieces[0]), decimalOrZero(pieces[1]),
                                     decimalOrZero(pieces[2]), 1});
}

Positions OldSettingsMapping::textPositionFromOld(std::optional<std::int64_t> value) {
    if (!value) {
        return Positions::topleft;
    }
    switch (*value) {
    case -1:
        return Positions::none;
    case 0:
        return Positions::diagonal;
    case 1:
        return Positions::topleft;
    case 2:
        return Positions::topcenter;
    case 3:
        return Positions::topright;
    case 4:
        return Positions::middle;
    case 5:
        return Positions::bottomleft;
    case 6:
        return Positions::bottomcenter;
    case 7:
        return Positions::bottomright;
    case 8:
        return Positions::triple;
    case -2:
        return Positions::topevenleft;
    default:
        return Positions::topleft;
    }
}

Positions OldSettingsMapping::stampPositionFromOld(std::optional<std::int64_t> value) {
    static const Positions table[] = {
        Positions::topleft,    Positions::topcenter,    Positions::topright,   Positions::middle,
        Positions::bottomleft, Positions::bottomcenter, Positions::bottomright};
    if (value && *value >= 0 && *value < 7) {
        return table[*value];
    }
    return Positions::topleft;
}

Positions OldSettingsMapping::pageNumberPositionFromOld(std::optional<std::int64_t> value) {
    static const Positions table[] = {Positions::topleft,        Positions::topcenter,
                                      Positions::topright,       Positions::topevenleft,
                                      Positions::topoddleft,     Positions::bottomleft,
                                      Positions::bottomcenter,   Positions::bottomright,
                                      Positions::bottomevenleft, Positions::bottomoddleft};
    if (value && *value >= 1 && *value <= 9) {
        return table[*value];
    }
    return Positions::topleft;
}

WMAngles OldSettingsMapping::stampAngleFromOld(std::optional<std::int64_t> value) {
    static const WMAngles table[] = {
        WMAngles::dm60, WMAngles::dm50, WMAngles::dm40,  WMAngles::dm30, WMAngles::dm20,
        WMAngles::dm10, WMAngles::d0,   WMAngles::auto_, WMAngles::dp10, WMAngles::dp20,
        WMAngles::dp30, WMAngles::dp40, WMAngles::dp50,  WMAngles::dp60};
    if (value && *value >= 0 && *value <= 13) {
        return table[*value];
    }
    return WMAngles::auto_;
}

WMAngles OldSettingsMapping::imageAngleFromOld(std::optional<std::int64_t> value) {
    static const WMAngles table[] = {WMAngles::dm60, WMAngles::dm50, WMAngles::dm40, WMAngles::dm30,
                                     WMAngles::dm20, WMAngles::dm10, WMAngles::d0,   WMAngles::dp10,
                                     WMAngles::dp20, WMAngles::dp30, WMAngles::dp40, WMAngles::dp50,
                                     WMAngles::dp60, WMAngles::d0};
    if (value && *value >= 0 && *value <= 13) {
        return table[*value];
    }
    return WMAngles::d0;
}

OtherStyles OldSettingsMapping::pageNumberStyleFromOld(std::optional<std::int64_t> value) {
    if (value && *value >= 0 && *value <= 5) {
        return static_cast<OtherStyles>(*value);
    }
    return OtherStyles::style1;
}

std::string OldSettingsMapping::pageNumberTagsFromOld(std::string format) {
    replaceAll(format, "[currentPage]", "#currentPage");
    replaceAll(format, "[totalPages]", "#totalPages");
    replaceAll(format, "[lastPage]", "#lastPage");
    replaceAll(format, "[shortFileName]", "#shortFileName");
    return format;
}

StampSettings OldSettingsMapping::stampSettingsFromOld(const OldSettingsValue& entry,
                                                       Date startOfToday) {
    StampSettings settings;
    settings.stampTextColor =
        StampTextColor{entry.text("StampTitle").value_or("Unknown"), colorFromOld(&entry)};
    settings.position = stampPositionFromOld(entry.integer("Orientation"));
    settings.angle = stampAngleFromOld(entry.integer("Angle"));
    settings.sizeopacity.size = truncated(entry.real("Size"), 100);
    settings.sizeopacity.opacity = truncated(entry.real("Opacity"), 40);
    bool includeDate = entry.truth("includeDate").value_or(false);
    bool includeName = entry.truth("includeName").value_or(false);
    settings.datename.isIncluded = includeDate || includeName;
    settings.datename.isNameActive = includeName;
    settings.datename.nameValue = entry.text("Name").value_or("");
    settings.datename.isDateActive = includeDate;
    if (entry.truth("isDateCurrent").value_or(false)) {
        settings.datename.dateValue = startOfToday;
        settings.datename.isDateCurrent = true;
    } else {
        settings.datename.dateValue = entry.date("Date").value_or(startOfToday);
        settings.datename.isDateCurrent = false;
    }
    settings.image = nullptr;
    return settings;
}

} // namespace fen
