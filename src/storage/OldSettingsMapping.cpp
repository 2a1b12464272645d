#include "storage/OldSettingsMapping.h"

#include "model/ColorHex.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace fen {
namespace {

// The platform's grey and red. The grey is made as an RGB colour, so it is stored as "808080"
// (a grey-scale colour would have been stored as black).
const gfx::Color kGray{0.5, 0.5, 0.5, 1};
const gfx::Color kRed{1, 0, 0, 1};

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

const std::vector<OldSettingsValue>*
OldSettingsMapping::dictionaries(const OldSettingsValue* value) {
    const std::vector<OldSettingsValue>* items = value ? value->array() : nullptr;
    if (!items) {
        return nullptr;
    }
    for (const OldSettingsValue& item : *items) {
        if (item.type() != OldSettingsValue::Type::dictionary) {
            return nullptr;
        }
    }
    return items;
}

TextPreset OldSettingsMapping::textPresetFromOld(const OldSettingsValue& entry,
                                                 const FontLookup& lookup) {
    TextPreset preset;
    preset.name = entry.text("Name").value_or("Unknown");
    const std::vector<OldSettingsValue>* texts = dictionaries(entry.member("theList"));
    if (texts) {
        for (const OldSettingsValue& item : *texts) {
            std::optional<std::string> text = item.text("WaterMarkText");
            if (!text) {
                preset.textList.clear();
                break;
            }
            preset.textList.push_back(*text);
        }
    }
    const OldSettingsValue* first = texts && !texts->empty() ? &texts->front() : nullptr;
    auto firstInteger = [&](const char* key) { return first ? first->integer(key) : std::nullopt; };
    TextSettings& settings = preset.preset;
    settings.position = textPositionFromOld(firstInteger("Orientation"));
    settings.font = fontSettingFromOld(first, lookup);
    std::optional<std::int64_t> colorType = firstInteger("ColorType");
    if (!colorType) {
        settings.colorOutline = ColorOutlineSetting{kGray, false};
    } else {
        switch (*colorType) {
        case 0:
        case 1:
            settings.colorOutline = ColorOutlineSetting{kGray, *colorType == 1};
            break;
        case 2:
        case 3:
            settings.colorOutline = ColorOutlineSetting{kRed, *colorType == 3};
            break;
        default:
            settings.colorOutline = ColorOutlineSetting{colorFromOld(first), *colorType == 5};
            break;
        }
    }
    settings.opacity = truncated(first ? first->real("textOpacity") : std::nullopt, 40);
    std::optional<bool> foreground = first ? first->truth("WaterMarkBackForeGround") : std::nullopt;
    settings.isWatermarkInBackground = foreground ? !*foreground : false;
    return preset;
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

namespace fen {

ImageList OldSettingsMapping::qrCodeEntryFromOld(const OldSettingsValue& entry, Date startOfToday) {
    ImageList item;
    QRCodeStructure& code = item.setting;
    code.id = item.id;
    item.name = entry.text("profile_name").value_or("Unknown");
    code.itemname = item.name;
    std::optional<std::int64_t> type = entry.integer("type");
    code.type =
        type && *type >= 0 && *type <= 4 ? static_cast<QRCodeTypes>(*type) : QRCodeTypes::people;
    code.contact_name = entry.text("contact_name").value_or("");
    code.contact_tel = entry.text("contact_tel").value_or("");
    code.contact_email = entry.text("contact_email").value_or("");
    code.contact_url = entry.text("contact_url").value_or("");
    code.url_url = entry.text("url").value_or("");
    code.text_text = entry.text("text").value_or("");
    code.email_email = entry.text("email_email").value_or("");
    code.email_subject = entry.text("email_subject").value_or("");
    code.email_body = entry.text("email_body").value_or("");
    code.calendar_fromDate = entry.date("event_startdate").value_or(startOfToday);
    code.calendar_toDate = entry.date("event_enddate").value_or(startOfToday);
    code.calendar_title = entry.text("event_title").value_or("");
    std::optional<std::string> background = entry.text("color_background");
    code.backgroundColor = background ? hexColorFromOldColorString(*background) : "#FFFFFF";
    std::optional<std::string> foreground = entry.text("color_pixel");
    code.foregroundColor = foreground ? hexColorFromOldColorString(*foreground) : "#000000";
    return item;
}

PageNumberPreset OldSettingsMapping::pageNumberPresetFromOld(const OldSettingsValue& entry,
                                                             const FontLookup& lookup) {
    PageNumberPreset preset;
    preset.name = entry.text("PresetName").value_or("Unknown");
    PageNumberSettings& settings = preset.preset;
    settings.numberTextColor = StampTextColor{
        pageNumberTagsFromOld(entry.text("OtherTitle").value_or("")), colorFromOld(&entry)};
    settings.position = pageNumberPositionFromOld(entry.integer("Position"));
    settings.font = fontSettingFromOld(&entry, lookup);
    settings.pagenumberConf.fromPage = entry.integer("fromPage").value_or(1);
    settings.pagenumberConf.toPage = entry.integer("toPage").value_or(1);
    settings.pagenumberConf.startAt = entry.integer("StartAt").value_or(1);
    settings.pagenumberConf.maxPage = settings.pagenumberConf.toPage;
    settings.style = pageNumberStyleFromOld(entry.integer("Style"));
    settings.distanceToEdge.vertical = truncated(entry.real("AdjustVertical"), 0);
    settings.distanceToEdge.horizontal = truncated(entry.real("AdjustHorizontal"), 0);
    return preset;
}

ImagePreset OldSettingsMapping::imagePresetFromOld(const OldSettingsValue& entry,
                                                   const Environment& environment) {
    ImagePreset preset;
    preset.name = entry.text("PresetName").value_or("Unknown");
    ImageSettings& settings = preset.preset;
    std::optional<std::string> file = entry.text("OriginalImage");
    bool plainName = file && !file->empty() && *file != "." && *file != ".." &&
                     file->find('/') == std::string::npos && file->find('\0') == std::string::npos;
    if (plainName && environment.imagesFolder) {
        settings.imageURL = environment.imagesFolder->appendingPathComponent(*file);
    }
    if (settings.imageURL && environment.saveImage) {
        preset.imageID = environment.saveImage(*settings.imageURL).value_or("");
    }
    settings.position = stampPositionFromOld(entry.integer("Orientation"));
    settings.angle = imageAngleFromOld(entry.integer("Angle"));
    settings.sizeopacity.size = truncated(entry.real("Size"), 100);
    settings.sizeopacity.opacity = truncated(entry.real("Opacity"), 40);
    settings.distanceToEdge.vertical = truncated(entry.real("AdjustVertical"), 0);
    settings.distanceToEdge.horizontal = truncated(entry.real("AdjustHorizontal"), 0);
    std::optional<bool> foreground = entry.truth("WaterMarkBackForeGround");
    settings.isWatermarkInBackground = foreground ? !*foreground : false;
    return preset;
}

} // namespace fen
