#include "model/ColorOutlineSetting.h"
#include "model/DateAndName.h"
#include "model/DistanceToEdgeSetting.h"
#include "model/FontSetting.h"
#include "model/PageNumberConfiguration.h"
#include "model/SizeOpacitySetting.h"

#include <gtest/gtest.h>

using namespace fen;

namespace {

template <typename T> JsonError decodeFailure(const std::string& text) {
    try {
        decodeJson<T>(text);
    } catch (const JsonError& error) {
        return error;
    }
    ADD_FAILURE() << text << " decoded";
    return JsonError(JsonError::Kind::dataCorrupted, "none");
}

} // namespace

TEST(FontSetting, DefaultsAndExactForm) {
    EXPECT_EQ(FontSetting::defaultFamilyName(), "Helvetica Neue");
    EXPECT_EQ(FontSetting::defaultStyle(), "Regular");
    EXPECT_EQ(FontSetting::defaultSize(), 17.0);
    const std::string text = R"({"familyname":"Helvetica Neue","style":"Bold","size":12})";
    FontSetting font{"Helvetica Neue", "Bold", 12};
    EXPECT_EQ(encodeJson(font), text);
    EXPECT_EQ(decodeJson<FontSetting>(text), font);
    // Member order carries no meaning; unknown members are ignored.
    EXPECT_EQ(decodeJson<FontSetting>(
                  R"({"size":12,"x":0,"style":"Bold","familyname":"Helvetica Neue"})"),
              font);
}

TEST(FontSetting, SizeMustBeAWholeNumber) {
    auto fractional = decodeFailure<FontSetting>(R"({"familyname":"A","style":"B","size":12.5})");
    EXPECT_EQ(fractional.kind(), JsonError::Kind::dataCorrupted);
    EXPECT_EQ(fractional.pathString(), "size");
    EXPECT_EQ(decodeJson<FontSetting>(R"({"familyname":"A","style":"B","size":12.0})").size, 12);
    EXPECT_EQ(decodeFailure<FontSetting>(R"({"familyname":"A","style":"B","size":"12"})").kind(),
              JsonError::Kind::typeMismatch);
    EXPECT_EQ(decodeFailure<FontSetting>(R"({"familyname":"A","style":"B","size":true})").kind(),
              JsonError::Kind::typeMismatch);
    EXPECT_EQ(
        decodeFailure<FontSetting>(R"({"familyname":"A","style":"B","size":9223372036854775808})")
            .kind(),
        JsonError::Kind::dataCorrupted);
    EXPECT_EQ(decodeFailure<FontSetting>(R"({"familyname":"A","style":"B","size":1e300})").kind(),
              JsonError::Kind::dataCorrupted);
    auto missing = decodeFailure<FontSetting>(R"({"familyname":"A","size":1})");
    EXPECT_EQ(missing.kind(), JsonError::Kind::keyNotFound);
    EXPECT_EQ(missing.pathString(), "style");
    auto null = decodeFailure<FontSetting>(R"({"familyname":null,"style":"B","size":1})");
    EXPECT_EQ(null.kind(), JsonError::Kind::valueNotFound);
    EXPECT_EQ(decodeFailure<FontSetting>("[]").kind(), JsonError::Kind::typeMismatch);
}

TEST(ComponentSettings, IntegerRecordsKeepValuesAsGiven) {
    DistanceToEdgeSetting distance{0, -20};
    EXPECT_EQ(encodeJson(distance), R"({"vertical":0,"horizontal":-20})");
    EXPECT_EQ(decodeJson<DistanceToEdgeSetting>(encodeJson(distance)), distance);

    SizeOpacitySetting sizeOpacity{250, 40};
    EXPECT_EQ(encodeJson(sizeOpacity), R"({"size":250,"opacity":40})");
    EXPECT_EQ(decodeJson<SizeOpacitySetting>(encodeJson(sizeOpacity)), sizeOpacity);

    PageNumberConfiguration range{5, 2, 1, 9};
    const std::string text = R"({"fromPage":5,"toPage":2,"startAt":1,"maxPage":9})";
    EXPECT_EQ(encodeJson(range), text);
    EXPECT_EQ(decodeJson<PageNumberConfiguration>(text), range);
    EXPECT_EQ(decodeFailure<PageNumberConfiguration>(R"({"fromPage":5,"toPage":2,"startAt":1})")
                  .pathString(),
              "maxPage");
}

TEST(ColorOutlineSetting, ColourAsHexWithNullMeaningBlack) {
    ColorOutlineSetting red{{1, 0, 0, 0.5}, true};
    EXPECT_EQ(encodeJson(red), R"({"color":"FF0000","isOutlined":true})");
    auto back = decodeJson<ColorOutlineSetting>(encodeJson(red));
    EXPECT_EQ(back.color, (gfx::Color{1, 0, 0, 1})); // alpha is not kept
    EXPECT_TRUE(back.isOutlined);
    EXPECT_NE(back, red);

    auto null = decodeJson<ColorOutlineSetting>(R"({"color":null,"isOutlined":true})");
    EXPECT_EQ(null.color, (gfx::Color{0, 0, 0, 1}));
    EXPECT_TRUE(null.isOutlined);

    auto missing = decodeFailure<ColorOutlineSetting>(R"({"isOutlined":false})");
    EXPECT_EQ(missing.kind(), JsonError::Kind::keyNotFound);
    EXPECT_EQ(missing.pathString(), "color");
    EXPECT_EQ(decodeFailure<ColorOutlineSetting>(R"({"color":16711680,"isOutlined":false})").kind(),
              JsonError::Kind::typeMismatch);
}

TEST(DateAndName, DateIsSecondsSince2001) {
    DateAndName line{true, true, "Ann", true, Date{731500200.25}, false};
    const std::string text =
        R"({"isIncluded":true,"isNameActive":true,"nameValue":"Ann",)"
        R"("isDateActive":true,"dateValue":731500200.25,"isDateCurrent":false})";
    EXPECT_EQ(encodeJson(line), text);
    EXPECT_EQ(decodeJson<DateAndName>(text), line);
    // A whole number of seconds reads too.
    auto whole = decodeJson<DateAndName>(R"({"isIncluded":false,"isNameActive":false,)"
                                         R"("nameValue":"","isDateActive":false,"dateValue":0,)"
                                         R"("isDateCurrent":true})");
    EXPECT_EQ(whole.dateValue, Date{0});
    EXPECT_EQ(decodeFailure<DateAndName>(R"({"isIncluded":true,"isNameActive":true,)"
                                         R"("nameValue":"Ann","isDateActive":true,)"
                                         R"("dateValue":"2024-03-05","isDateCurrent":false})")
                  .pathString(),
              "dateValue");
}
