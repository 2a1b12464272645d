#include "storage/OldSettingsMapping.h"

#include "model/ColorHex.h"
#include "platform/foundation/Uuid.h"
#include "storage/OldSettingsTestSupport.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

using namespace fen::test;
using Mapping = OldSettingsMapping;

const Date kToday{731289600}; // a midnight, as the converter passes it
const int32_t kOldDate = 600000000;

OldSettingsValue value(plist_t root) {
    auto parsed = OldSettingsValue::parse(xml(root));
    EXPECT_TRUE(parsed);
    return parsed.value_or(OldSettingsValue{});
}

Mapping::FontLookup noFonts() {
    return [](const std::string&) { return std::nullopt; };
}

TEST(OldSettingsMappingTest, PlacementAndAngleTables) {
    using P = Positions;
    EXPECT_EQ(Mapping::textPositionFromOld(-1), P::none);
    EXPECT_EQ(Mapping::textPositionFromOld(0), P::diagonal);
    EXPECT_EQ(Mapping::textPositionFromOld(1), P::topleft);
    EXPECT_EQ(Mapping::textPositionFromOld(4), P::middle);
    EXPECT_EQ(Mapping::textPositionFromOld(7), P::bottomright);
    EXPECT_EQ(Mapping::textPositionFromOld(8), P::triple);
    EXPECT_EQ(Mapping::textPositionFromOld(-2), P::topevenleft);
    EXPECT_EQ(Mapping::textPositionFromOld(9), P::topleft);
    EXPECT_EQ(Mapping::textPositionFromOld(std::nullopt), P::topleft);

    EXPECT_EQ(Mapping::stampPositionFromOld(0), P::topleft);
    EXPECT_EQ(Mapping::stampPositionFromOld(3), P::middle);
    EXPECT_EQ(Mapping::stampPositionFromOld(6), P::bottomright);
    EXPECT_EQ(Mapping::stampPositionFromOld(7), P::topleft);
    EXPECT_EQ(Mapping::stampPositionFromOld(-1), P::topleft);

    const P pageNumbers[] = {P::topleft,        P::topcenter,    P::topright,     P::topevenleft,
                             P::topoddleft,     P::bottomleft,   P::bottomcenter, P::bottomright,
                             P::bottomevenleft, P::bottomoddleft};
    for (int old = 0; old <= 9; ++old) {
        EXPECT_EQ(Mapping::pageNumberPositionFromOld(old), pageNumbers[old]) << old;
    }
    EXPECT_EQ(Mapping::pageNumberPositionFromOld(10), P::topleft);

    using A = WMAngles;
    const A stamp[] = {A::dm60,  A::dm50, A::dm40, A::dm30, A::dm20, A::dm10, A::d0,
                       A::auto_, A::dp10, A::dp20, A::dp30, A::dp40, A::dp50, A::dp60};
    const A image[] = {A::dm60, A::dm50, A::dm40, A::dm30, A::dm20, A::dm10, A::d0,
                       A::dp10, A::dp20, A::dp30, A::dp40, A::dp50, A::dp60, A::d0};
    for (int old = 0; old <= 13; ++old) {
        EXPECT_EQ(Mapping::stampAngleFromOld(old), stamp[old]) << old;
        EXPECT_EQ(Mapping::imageAngleFromOld(old), image[old]) << old;
    }
    EXPECT_EQ(Mapping::stampAngleFromOld(14), A::auto_);
    EXPECT_EQ(Mapping::imageAngleFromOld(std::nullopt), A::d0);

    EXPECT_EQ(Mapping::pageNumberStyleFromOld(5), OtherStyles::style6);
    EXPECT_EQ(Mapping::pageNumberStyleFromOld(6), OtherStyles::style1);
}

TEST(OldSettingsMappingTest, ColoursAndColourTexts) {
    EXPECT_EQ(colorHexString(Mapping::colorFromOld(nullptr)), "808080");
    OldSettingsValue red =
        value(plDict({{"ColorR", plReal(1)}, {"ColorG", plInt(0)}, {"ColorB", plReal(0)}}));
    EXPECT_EQ(Mapping::colorFromOld(&red), (gfx::Color{1, 0, 0, 1}));
    OldSettingsValue partial = value(plDict({{"ColorR", plReal(1)}, {"ColorG", plReal(0)}}));
    EXPECT_EQ(colorHexString(Mapping::colorFromOld(&partial)), "808080");

    EXPECT_EQ(Mapping::hexColorFromOldColorString("1 0 0 1"), "FF0000");
    EXPECT_EQ(Mapping::hexColorFromOldColorString("1 0 0"), "000000");
    EXPECT_EQ(Mapping::hexColorFromOldColorString("0.5 0.5 0.5 1 extra"), "808080");
    // A doubled blank leaves an empty piece, which counts as 0.
    EXPECT_EQ(Mapping::hexColorFromOldColorString("1  1 1 1"), "FF00FF");
    // Pieces that are not wholly a number count as 0; components are clamped.
    EXPECT_EQ(Mapping::hexColorFromOldColorString("1x 1e0 2 1"), "00FFFF");
    EXPECT_EQ(Mapping::hexColorFromOldColorString("+1 -1 0x1 1"), "FF0000");
    EXPECT_EQ(Mapping::hexColorFromOldColorString(""), "000000");
}

TEST(OldSettingsMappingTest, FontsAreLookedUpByName) {
    std::vector<std::string> asked;
    auto lookup = [&](const std::string& name) -> std::optional<Mapping::FontFace> {
        asked.push_back(name);
        if (name == "Avenir-Heavy") {
            return Mapping::FontFace{"Avenir", "Heavy"};
        }
        return std::nullopt;
    };
    OldSettingsValue avenir =
        value(plDict({{"FontName", plText("Avenir-Heavy")}, {"FontSize", plReal(12.9)}}));
    FontSetting font = Mapping::fontSettingFromOld(&avenir, lookup);
    EXPECT_EQ(font, (FontSetting{"Avenir", "Heavy", 12}));
    font = Mapping::fontSettingFromOld(nullptr, lookup);
    EXPECT_EQ(font, (FontSetting{"Helvetica Neue", "Regular", 30}));
    OldSettingsValue unknown =
        value(plDict({{"FontName", plText("Nowhere")}, {"FontSize", plReal(-1e300)}}));
    font = Mapping::fontSettingFromOld(&unknown, lookup);
    EXPECT_EQ(font, (FontSetting{"Helvetica Neue", "Regular", 30}));
    EXPECT_EQ(asked, (std::vector<std::string>{"Avenir-Heavy", "Helvetica Neue", "Nowhere"}));
}

TEST(OldSettingsMappingTest, TextPresets) {
    // Three texts and an entry without one: no texts at all, the settings from the first entry.
    OldSettingsValue entry = value(plDict({
        {"Name", plText("Drafts")},
        {"theList", plArray({plDict({{"WaterMarkText", plText("DRAFT")},
                                     {"Orientation", plInt(0)},
                                     {"ColorType", plInt(3)},
                                     {"textOpacity", plReal(55.7)},
                                     {"WaterMarkBackForeGround", plBool(true)},
                                     {"FontSize", plInt(48)}}),
                             plDict({{"WaterMarkText", plText("COPY")}, {"ColorType", plInt(0)}}),
                             plDict({{"WaterMarkText", plText("  spaced  ")}}), plDict({})})},
    }));
    TextPreset preset = Mapping::textPresetFromOld(entry, noFonts());
    EXPECT_TRUE(isUuidString(preset.id));
    EXPECT_EQ(preset.name, "Drafts");
    EXPECT_TRUE(preset.textList.empty());
    EXPECT_EQ(preset.preset.position, Positions::diagonal);
    EXPECT_EQ(preset.preset.colorOutline, (ColorOutlineSetting{{1, 0, 0, 1}, true}));
    EXPECT_EQ(preset.preset.opacity, 55);
    EXPECT_FALSE(preset.preset.isWatermarkInBackground);
    EXPECT_EQ(preset.preset.font, (FontSetting{"Helvetica Neue", "Regular", 48}));

    OldSettingsValue complete = value(plDict({
        {"theList", plArray({plDict({{"WaterMarkText", plText("A")},
                                     {"ColorType", plInt(5)},
                                     {"ColorR", plReal(0)},
                                     {"ColorG", plReal(0)},
                                     {"ColorB", plReal(1)},
                                     {"WaterMarkBackForeGround", plBool(false)}}),
                             plDict({{"WaterMarkText", plText("  spaced  ")}})})},
    }));
    preset = Mapping::textPresetFromOld(complete, noFonts());
    EXPECT_EQ(preset.name, "Unknown");
    EXPECT_EQ(preset.textList, (std::vector<std::string>{"A", "  spaced  "}));
    EXPECT_EQ(preset.preset.colorOutline, (ColorOutlineSetting{{0, 0, 1, 1}, true}));
    EXPECT_TRUE(preset.preset.isWatermarkInBackground);
    EXPECT_EQ(preset.preset.position, Positions::topleft);

    // No list at all, or one whose items are not all dictionaries: every default.
    for (plist_t root : {plDict({}), plDict({{"theList", plArray({plText("x")})}})}) {
        preset = Mapping::textPresetFromOld(value(root), noFonts());
        EXPECT_TRUE(preset.textList.empty());
        EXPECT_EQ(preset.preset.position, Positions::topleft);
        EXPECT_EQ(colorHexString(preset.preset.colorOutline.color), "808080");
        EXPECT_FALSE(preset.preset.colorOutline.isOutlined);
        EXPECT_EQ(preset.preset.opacity, 40);
        EXPECT_FALSE(preset.preset.isWatermarkInBackground);
    }

    // The colour types without a colour of their own, and an unknown one.
    auto colorOf = [](plist_t first) {
        plist_t root = plDict({{"theList", plArray({first})}});
        return Mapping::textPresetFromOld(value(root), noFonts()).preset.colorOutline;
    };
    EXPECT_EQ(colorOf(plDict({{"ColorType", plInt(1)}})),
              (ColorOutlineSetting{{0.5, 0.5, 0.5, 1}, true}));
    EXPECT_EQ(colorOf(plDict({{"ColorType", plInt(2)}})),
              (ColorOutlineSetting{{1, 0, 0, 1}, false}));
    EXPECT_EQ(colorOf(plDict({{"ColorType", plInt(9)},
                              {"ColorR", plReal(0)},
                              {"ColorG", plReal(1)},
                              {"ColorB", plReal(0)}})),
              (ColorOutlineSetting{{0, 1, 0, 1}, false}));
}

TEST(OldSettingsMappingTest, StampSettings) {
    StampSettings empty = Mapping::stampSettingsFromOld(value(plDict({})), kToday);
    ASSERT_TRUE(empty.stampTextColor);
    EXPECT_EQ(empty.stampTextColor->stampText, "Unknown");
    EXPECT_EQ(colorHexString(empty.stampTextColor->stampColor), "808080");
    EXPECT_EQ(empty.position, Positions::topleft);
    EXPECT_EQ(empty.angle, WMAngles::auto_);
    EXPECT_EQ(empty.sizeopacity, (SizeOpacitySetting{100, 40}));
    EXPECT_EQ(empty.datename, (DateAndName{false, false, "", false, kToday, false}));
    EXPECT_EQ(empty.image, nullptr);

    StampSettings dated =
        Mapping::stampSettingsFromOld(value(plDict({{"StampTitle", plText("PAID")},
                                                    {"Orientation", plInt(6)},
                                                    {"Angle", plInt(7)},
                                                    {"Size", plReal(80.9)},
                                                    {"Opacity", plInt(90)},
                                                    {"includeName", plInt(1)},
                                                    {"Name", plText("Ann")},
                                                    {"Date", plDate(kOldDate)}})),
                                      kToday);
    EXPECT_EQ(dated.stampTextColor->stampText, "PAID");
    EXPECT_EQ(dated.position, Positions::bottomright);
    EXPECT_EQ(dated.angle, WMAngles::auto_);
    EXPECT_EQ(dated.sizeopacity, (SizeOpacitySetting{80, 90}));
    EXPECT_EQ(dated.datename, (DateAndName{true, true, "Ann", false, Date{kOldDate}, false}));

    StampSettings current =
        Mapping::stampSettingsFromOld(value(plDict({{"includeDate", plBool(true)},
                                                    {"isDateCurrent", plBool(true)},
                                                    {"Date", plDate(kOldDate)}})),
                                      kToday);
    EXPECT_EQ(current.datename, (DateAndName{true, false, "", true, kToday, true}));
}

TEST(OldSettingsMappingTest, QrCodes) {
    ImageList entry =
        Mapping::qrCodeEntryFromOld(value(plDict({{"profile_name", plText("Shop")},
                                                  {"type", plInt(3)},
                                                  {"url", plText("example.com")},
                                                  {"text", plText("hello")},
                                                  {"contact_tel", plText("123")},
                                                  {"event_title", plText("Fair")},
                                                  {"event_startdate", plDate(kOldDate)},
                                                  {"color_background", plText("1 0 0 1")},
                                                  {"color_pixel", plText("0 0 1")}})),
                                    kToday);
    EXPECT_TRUE(isUuidString(entry.id));
    EXPECT_EQ(entry.setting.id, entry.id);
    EXPECT_EQ(entry.name, "Shop");
    EXPECT_EQ(entry.setting.itemname, "Shop");
    EXPECT_EQ(entry.setting.type, QRCodeTypes::dates);
    EXPECT_EQ(entry.setting.url_url, "example.com");
    EXPECT_EQ(entry.setting.text_text, "hello");
    EXPECT_EQ(entry.setting.contact_tel, "123");
    EXPECT_EQ(entry.setting.calendar_title, "Fair");
    EXPECT_EQ(entry.setting.calendar_fromDate, Date{kOldDate});
    EXPECT_EQ(entry.setting.calendar_toDate, kToday);
    EXPECT_EQ(entry.setting.backgroundColor, "FF0000");
    EXPECT_EQ(entry.setting.foregroundColor, "000000");

    ImageList defaults = Mapping::qrCodeEntryFromOld(value(plDict({{"type", plInt(5)}})), kToday);
    EXPECT_EQ(defaults.name, "Unknown");
    EXPECT_EQ(defaults.setting.type, QRCodeTypes::people);
    EXPECT_EQ(defaults.setting.contact_name, "");
    EXPECT_EQ(defaults.setting.calendar_fromDate, kToday);
    EXPECT_EQ(defaults.setting.calendar_toDate, kToday);
    EXPECT_EQ(defaults.setting.backgroundColor, "#FFFFFF");
    EXPECT_EQ(defaults.setting.foregroundColor, "#000000");
}

TEST(OldSettingsMappingTest, PageNumberPresetsAndTags) {
    EXPECT_EQ(Mapping::pageNumberTagsFromOld("[currentPage] of [totalPages]"),
              "#currentPage of #totalPages");
    EXPECT_EQ(Mapping::pageNumberTagsFromOld("[lastPage][lastPage] [shortFileName] [CurrentPage]"),
              "#lastPage#lastPage #shortFileName [CurrentPage]");

    PageNumberPreset preset = Mapping::pageNumberPresetFromOld(
        value(plDict({{"PresetName", plText("Footer")},
                      {"OtherTitle", plText("Page [currentPage] of [totalPages]")},
                      {"ColorR", plReal(0)},
                      {"ColorG", plReal(0)},
                      {"ColorB", plReal(0)},
                      {"Position", plInt(6)},
                      {"fromPage", plInt(2)},
                      {"toPage", plInt(9)},
                      {"StartAt", plInt(5)},
                      {"Style", plInt(2)},
                      {"AdjustVertical", plReal(-20.7)},
                      {"AdjustHorizontal", plReal(15.2)}})),
        noFonts());
    EXPECT_EQ(preset.name, "Footer");
    ASSERT_TRUE(preset.preset.numberTextColor);
    EXPECT_EQ(preset.preset.numberTextColor->stampText, "Page #currentPage of #totalPages");
    EXPECT_EQ(colorHexString(preset.preset.numberTextColor->stampColor), "000000");
    EXPECT_EQ(preset.preset.position, Positions::bottomcenter);
    EXPECT_EQ(preset.preset.pagenumberConf, (PageNumberConfiguration{2, 9, 5, 9}));
    EXPECT_EQ(preset.preset.style, OtherStyles::style3);
    EXPECT_EQ(preset.preset.distanceToEdge, (DistanceToEdgeSetting{-20, 15}));

    PageNumberPreset defaults = Mapping::pageNumberPresetFromOld(value(plDict({})), noFonts());
    EXPECT_EQ(defaults.name, "Unknown");
    EXPECT_EQ(defaults.preset.numberTextColor->stampText, "");
    EXPECT_EQ(defaults.preset.position, Positions::topleft);
    EXPECT_EQ(defaults.preset.pagenumberConf, (PageNumberConfiguration{1, 1, 1, 1}));
    EXPECT_EQ(defaults.preset.style, OtherStyles::style1);
    EXPECT_EQ(defaults.preset.font, (FontSetting{"Helvetica Neue", "Regular", 30}));
}

TEST(OldSettingsMappingTest, ImagePresetsStoreTheirPictures) {
    std::vector<Url> saved;
    Mapping::Environment environment;
    environment.startOfToday = kToday;
    environment.imagesFolder = Url::fileURL("/old/Images");
    environment.saveImage = [&](const Url& file) -> std::optional<std::string> {
        saved.push_back(file);
        if (file.lastPathComponent() == "logo.png") {
            return "STORED-ID";
        }
        return std::nullopt;
    };
    auto convert = [&](plist_t root) {
        return Mapping::imagePresetFromOld(value(root), environment);
    };

    ImagePreset logo = convert(plDict({{"PresetName", plText("Logo")},
                                       {"OriginalImage", plText("logo.png")},
                                       {"Orientation", plInt(6)},
                                       {"Angle", plInt(7)},
                                       {"Size", plReal(50.5)},
                                       {"Opacity", plReal(100)},
                                       {"AdjustVertical", plReal(3)},
                                       {"WaterMarkBackForeGround", plBool(false)}}));
    EXPECT_EQ(logo.name, "Logo");
    EXPECT_EQ(logo.imageID, "STORED-ID");
    EXPECT_EQ(logo.preset.imageURL, Url::fileURL("/old/Images/logo.png"));
    EXPECT_EQ(logo.preset.position, Positions::bottomright);
    EXPECT_EQ(logo.preset.angle, WMAngles::dp10);
    EXPECT_EQ(logo.preset.sizeopacity, (SizeOpacitySetting{50, 100}));
    EXPECT_EQ(logo.preset.distanceToEdge, (DistanceToEdgeSetting{3, 0}));
    EXPECT_TRUE(logo.preset.isWatermarkInBackground);

    // A picture that is gone keeps its settings and URL, with no identifier.
    ImagePreset gone = convert(plDict({{"OriginalImage", plText("gone.png")}}));
    EXPECT_EQ(gone.name, "Unknown");
    EXPECT_EQ(gone.imageID, "");
    EXPECT_EQ(gone.preset.imageURL, Url::fileURL("/old/Images/gone.png"));
    EXPECT_EQ(gone.preset.angle, WMAngles::d0);
    EXPECT_EQ(gone.preset.sizeopacity, (SizeOpacitySetting{100, 40}));
    EXPECT_FALSE(gone.preset.isWatermarkInBackground);
    ASSERT_EQ(saved.size(), 2u);

    // No picture named, or a name that leads out of the images folder: nothing is read.
    for (const char* name : {"", "..", "../../etc/passwd", "sub/x.png"}) {
        ImagePreset escaped = convert(plDict({{"OriginalImage", plText(name)}}));
        EXPECT_FALSE(escaped.preset.imageURL) << name;
        EXPECT_EQ(escaped.imageID, "");
    }
    EXPECT_FALSE(convert(plDict({})).preset.imageURL);
    environment.imagesFolder.reset();
    EXPECT_FALSE(convert(plDict({{"OriginalImage", plText("logo.png")}})).preset.imageURL);
    EXPECT_EQ(saved.size(), 2u);
}

} // namespace
} // namespace fen
