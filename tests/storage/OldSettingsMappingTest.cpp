#include "storage/OldSettingsMapping.h"

#include "model/ColorHex.h"
#include "platform/foundation/Uuid.h"
#include "storage/OldSettingsTestSupport.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

using namespace fen::test;
using Mapping = OldSettingsMapping;
using P = Positions;
using A = WMAngles;

const Date kToday{731289600}; // a midnight, as the converter passes it
const int32_t kOldDate = 600000000;
const gfx::Color kGrey{0.5, 0.5, 0.5, 1};
const FontSetting kDefaultFont{"Helvetica Neue", "Regular", 30};

OldSettingsValue value(const char* json) {
    auto parsed = OldSettingsValue::parse(xml(pl(json)));
    EXPECT_TRUE(parsed);
    return parsed.value_or(OldSettingsValue{});
}

std::optional<Mapping::FontFace> noFont(const std::string&) {
    return std::nullopt;
}

TEST(OldSettingsMappingTest, ColoursAreRgbWithGreyForWhatIsMissing) {
    EXPECT_EQ(Mapping::colorFromOld(nullptr), kGrey);
    OldSettingsValue red = value(R"({"ColorR": 1.0, "ColorG": 0, "ColorB": 0.0})");
    EXPECT_EQ(Mapping::colorFromOld(&red), (gfx::Color{1, 0, 0, 1}));
    OldSettingsValue partial = value(R"({"ColorR": 1.0, "ColorG": 0.0})");
    EXPECT_EQ(Mapping::colorFromOld(&partial), kGrey);
    const std::pair<const char*, const char*> texts[] = {
        {"1 0 0 1", "FF0000"},     {"1 0 0", "000000"}, {"0.5 0.5 0.5 1 extra", "808080"},
        {"1  1 1 1", "FF00FF"},   // a doubled blank leaves an empty piece, which counts as 0
        {"1x 1e0 2 1", "00FFFF"}, // pieces not wholly a number count as 0; clamped
        {"+1 -1 0x1 1", "FF0000"}, {"", "000000"},
    };
    for (auto [text, hex] : texts) {
        EXPECT_EQ(Mapping::hexColorFromOldColorString(text), hex) << text;
    }
}

// A size beyond the whole numbers falls back instead of overflowing.
TEST(OldSettingsMappingTest, FontsAreLookedUpByNameAndUnknownOnesOrHugeSizesFallBack) {
    auto lookup = [](const std::string& name) -> std::optional<Mapping::FontFace> {
        return name == "Avenir-Heavy" ? std::optional(Mapping::FontFace{"Avenir", "Heavy"})
                                      : std::nullopt;
    };
    OldSettingsValue avenir = value(R"({"FontName": "Avenir-Heavy", "FontSize": 12.9})");
    EXPECT_EQ(Mapping::fontSettingFromOld(&avenir, lookup), (FontSetting{"Avenir", "Heavy", 12}));
    OldSettingsValue unknown = value(R"({"FontName": "Nowhere", "FontSize": -1e300})");
    EXPECT_EQ(Mapping::fontSettingFromOld(&unknown, lookup), kDefaultFont);
}

TEST(OldSettingsMappingTest, TextPresetsTakeTheirSettingsFromTheFirstEntry) {
    auto convert = [](const char* json) { return Mapping::textPresetFromOld(value(json), noFont); };
    // An entry without a text: no texts at all.
    TextPreset preset = convert(R"({"theList": [{"WaterMarkText": "DRAFT", "Orientation": 0,
        "ColorType": 3, "textOpacity": 55.7, "WaterMarkBackForeGround": true, "FontSize": 48},
        {"WaterMarkText": "  spaced  "}, {}]})");
    EXPECT_TRUE(isUuidString(preset.id));
    EXPECT_EQ(preset.name, "Unknown");
    EXPECT_TRUE(preset.textList.empty());
    EXPECT_EQ(
        preset.preset,
        (TextSettings{
            P::diagonal, {"Helvetica Neue", "Regular", 48}, {{1, 0, 0, 1}, true}, 55, false}));
    // Texts are never trimmed.
    preset = convert(R"({"Name": "Drafts", "theList": [{"WaterMarkText": "A", "ColorType": 5,
        "ColorR": 0.0, "ColorG": 0.0, "ColorB": 1.0, "WaterMarkBackForeGround": false},
        {"WaterMarkText": "  spaced  "}]})");
    EXPECT_EQ(preset.name, "Drafts");
    EXPECT_EQ(preset.textList, (std::vector<std::string>{"A", "  spaced  "}));
    EXPECT_EQ(preset.preset,
              (TextSettings{P::topleft, kDefaultFont, {{0, 0, 1, 1}, true}, 40, true}));
    // No list, or one whose items are not all dictionaries: every default.
    const TextSettings defaults{P::topleft, kDefaultFont, {kGrey, false}, 40, false};
    EXPECT_EQ(convert("{}").preset, defaults);
    EXPECT_EQ(convert(R"({"theList": ["x"]})").preset, defaults);
    // The colour types without a colour of their own, and an unknown one.
    const std::pair<const char*, ColorOutlineSetting> colours[] = {
        {R"({"theList": [{"ColorType": 1}]})", {kGrey, true}},
        {R"({"theList": [{"ColorType": 2}]})", {{1, 0, 0, 1}, false}},
        {R"({"theList": [{"ColorType": 9, "ColorR": 0.0, "ColorG": 1.0, "ColorB": 0.0}]})",
         {{0, 1, 0, 1}, false}},
    };
    for (const auto& [json, colour] : colours) {
        EXPECT_EQ(convert(json).preset.colorOutline, colour) << json;
    }
}

TEST(OldSettingsMappingTest, StampsDateTodayOrTheStoredDateAndGreyWithoutAColour) {
    StampSettings empty = Mapping::stampSettingsFromOld(value("{}"), kToday);
    EXPECT_EQ(empty, (StampSettings{StampTextColor{"Unknown", kGrey},
                                    P::topleft,
                                    A::auto_,
                                    {100, 40},
                                    {false, false, "", false, kToday, false}}));
    StampSettings dated = Mapping::stampSettingsFromOld(
        value(R"({"StampTitle": "PAID", "Orientation": 6, "Angle": 7, "Size": 80.9,
            "Opacity": 90, "includeName": 1, "Name": "Ann", "Date": {"$date": 600000000}})"),
        kToday);
    EXPECT_EQ(dated, (StampSettings{StampTextColor{"PAID", kGrey},
                                    P::bottomright,
                                    A::auto_,
                                    {80, 90},
                                    {true, true, "Ann", false, Date{kOldDate}, false}}));
    StampSettings current = Mapping::stampSettingsFromOld(
        value(R"({"includeDate": true, "isDateCurrent": true, "Date": {"$date": 600000000}})"),
        kToday);
    EXPECT_EQ(current.datename, (DateAndName{true, false, "", true, kToday, true}));
}

TEST(OldSettingsMappingTest, QrCodesTakeEveryFieldAndTodayForMissingDates) {
    ImageList entry = Mapping::qrCodeEntryFromOld(
        value(R"({"profile_name": "Shop", "type": 3, "url": "example.com", "text": "hello",
            "contact_tel": "123", "event_title": "Fair", "event_startdate": {"$date": 600000000},
            "color_background": "1 0 0 1", "color_pixel": "0 0 1"})"),
        kToday);
    EXPECT_TRUE(isUuidString(entry.id));
    EXPECT_EQ(entry.name, "Shop");
    EXPECT_EQ(entry.setting, (QRCodeStructure{.id = entry.id,
                                              .itemname = "Shop",
                                              .type = QRCodeTypes::dates,
                                              .contact_tel = "123",
                                              .url_url = "example.com",
                                              .text_text = "hello",
                                              .calendar_fromDate = Date{kOldDate},
                                              .calendar_toDate = kToday,
                                              .calendar_title = "Fair",
                                              .backgroundColor = "FF0000",
                                              .foregroundColor = "000000"}));
    ImageList defaults = Mapping::qrCodeEntryFromOld(value(R"({"type": 5})"), kToday);
    EXPECT_EQ(defaults.name, "Unknown");
    EXPECT_EQ(defaults.setting, (QRCodeStructure{.id = defaults.id,
                                                 .itemname = "Unknown",
                                                 .calendar_fromDate = kToday,
                                                 .calendar_toDate = kToday}));
}

TEST(OldSettingsMappingTest, PageNumberPresetsGetTheNewTagsAndTheirRange) {
    EXPECT_EQ(Mapping::pageNumberTagsFromOld("[currentPage] of [totalPages]"),
              "#currentPage of #totalPages");
    EXPECT_EQ(Mapping::pageNumberTagsFromOld("[lastPage][lastPage] [shortFileName] [CurrentPage]"),
              "#lastPage#lastPage #shortFileName [CurrentPage]");
    PageNumberPreset preset = Mapping::pageNumberPresetFromOld(
        value(R"({"PresetName": "Footer", "OtherTitle": "Page [currentPage] of [totalPages]",
            "ColorR": 0.0, "ColorG": 0.0, "ColorB": 0.0, "Position": 6, "fromPage": 2,
            "toPage": 9, "StartAt": 5, "Style": 2, "AdjustVertical": -20.7,
            "AdjustHorizontal": 15.2})"),
        noFont);
    EXPECT_EQ(preset.name, "Footer");
    EXPECT_EQ(preset.preset,
              (PageNumberSettings{StampTextColor{"Page #currentPage of #totalPages", {0, 0, 0, 1}},
                                  P::bottomcenter,
                                  kDefaultFont,
                                  {2, 9, 5, 9},
                                  OtherStyles::style3,
                                  {-20, 15}}));
    PageNumberPreset defaults = Mapping::pageNumberPresetFromOld(value("{}"), noFont);
    EXPECT_EQ(defaults.name, "Unknown");
    EXPECT_EQ(defaults.preset, (PageNumberSettings{StampTextColor{"", kGrey},
                                                   P::topleft,
                                                   kDefaultFont,
                                                   {1, 1, 1, 1},
                                                   OtherStyles::style1,
                                                   {0, 0}}));
}

TEST(OldSettingsMappingTest, ImagePresetsStoreTheirPicturesFromTheImagesFolderOnly) {
    std::vector<Url> saved;
    Mapping::Environment environment;
    environment.startOfToday = kToday;
    environment.imagesFolder = Url::fileURL("/old/Images");
    environment.saveImage = [&](const Url& file) -> std::optional<std::string> {
        saved.push_back(file);
        return file.lastPathComponent() == "logo.png" ? std::optional<std::string>("STORED-ID")
                                                      : std::nullopt;
    };
    auto convert = [&](const std::string& json) {
        return Mapping::imagePresetFromOld(value(json.c_str()), environment);
    };
    ImagePreset logo = convert(R"({"PresetName": "Logo", "OriginalImage": "logo.png",
        "Orientation": 6, "Angle": 7, "Size": 50.5, "Opacity": 100.0, "AdjustVertical": 3.0,
        "WaterMarkBackForeGround": false})");
    EXPECT_EQ(logo.name, "Logo");
    EXPECT_EQ(logo.imageID, "STORED-ID");
    EXPECT_EQ(logo.preset, (ImageSettings{Url::fileURL("/old/Images/logo.png"),
                                          P::bottomright,
                                          A::dp10,
                                          {50, 100},
                                          {3, 0},
                                          true}));
    // No picture named, or a name that leads out of the images folder: nothing is read.
    for (const char* name : {"", "..", "../../etc/passwd", "sub/x.png"}) {
        ImagePreset escaped = convert(Json{{"OriginalImage", name}}.dump());
        EXPECT_FALSE(escaped.preset.imageURL) << name;
        EXPECT_EQ(escaped.imageID, "");
    }
    EXPECT_FALSE(convert("{}").preset.imageURL);
    environment.imagesFolder.reset();
    EXPECT_FALSE(convert(R"({"OriginalImage": "logo.png"})").preset.imageURL);
    EXPECT_EQ(saved.size(), 1u);
}

} // namespace
} // namespace fen
