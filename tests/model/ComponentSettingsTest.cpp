#include "model/ColorOutlineSetting.h"
#include "model/DateAndName.h"
#include "model/DistanceToEdgeSetting.h"
#include "model/FontSetting.h"
#include "model/PageNumberConfiguration.h"
#include "model/SizeOpacitySetting.h"

#include "JsonTestSupport.h"

#include <gtest/gtest.h>

using namespace fen;
using namespace fen::test;
using K = JsonError::Kind;

TEST(ComponentSettings, ExactJsonForms) {
    expectJsonForm(FontSetting{"Helvetica Neue", "Bold", 12},
                   R"({"familyname":"Helvetica Neue","style":"Bold","size":12})");
    expectJsonForm(DistanceToEdgeSetting{0, -20}, R"({"vertical":0,"horizontal":-20})");
    expectJsonForm(SizeOpacitySetting{250, 40}, R"({"size":250,"opacity":40})");
    expectJsonForm(PageNumberConfiguration{5, 2, 1, 9},
                   R"({"fromPage":5,"toPage":2,"startAt":1,"maxPage":9})");
    // The date is in seconds since 2001.
    expectJsonForm(DateAndName{true, true, "Ann", true, Date{731500200.25}, false},
                   R"({"isIncluded":true,"isNameActive":true,"nameValue":"Ann",)"
                   R"("isDateActive":true,"dateValue":731500200.25,"isDateCurrent":false})");

    // Member order carries no meaning, unknown members are ignored, and a whole number given as
    // a real or a date in whole seconds reads too.
    EXPECT_EQ(decodeJson<FontSetting>(
                  R"({"size":12.0,"x":0,"style":"Bold","familyname":"Helvetica Neue"})"),
              (FontSetting{"Helvetica Neue", "Bold", 12}));
    EXPECT_EQ(decodeJson<DateAndName>(R"({"isIncluded":false,"isNameActive":false,)"
                                      R"("nameValue":"","isDateActive":false,"dateValue":0,)"
                                      R"("isDateCurrent":true})")
                  .dateValue,
              Date{0});
}

TEST(ComponentSettings, StrictReadersNameTheBadMember) {
    struct Case {
        std::string text;
        K kind;
        const char* path;
    };
    const std::string ab = R"({"familyname":"A","style":"B",)";
    const Case fonts[] = {
        {ab + R"("size":12.5})", K::dataCorrupted, "size"},
        {ab + R"("size":"12"})", K::typeMismatch, "size"},
        {ab + R"("size":true})", K::typeMismatch, "size"},
        {ab + R"("size":9223372036854775808})", K::dataCorrupted, "size"},
        {ab + R"("size":1e300})", K::dataCorrupted, "size"},
        {R"({"familyname":"A","size":1})", K::keyNotFound, "style"},
        {R"({"familyname":null,"style":"B","size":1})", K::valueNotFound, "familyname"},
        {"[]", K::typeMismatch, ""},
    };
    for (const auto& [text, kind, path] : fonts) {
        expectDecodeFailure<FontSetting>(text, kind, path);
    }
    expectDecodeFailure<PageNumberConfiguration>(R"({"fromPage":5,"toPage":2,"startAt":1})",
                                                 K::keyNotFound, "maxPage");
    expectDecodeFailure<DateAndName>(R"({"isIncluded":true,"isNameActive":true,)"
                                     R"("nameValue":"Ann","isDateActive":true,)"
                                     R"("dateValue":"2024-03-05","isDateCurrent":false})",
                                     K::typeMismatch, "dateValue");
}

TEST(ColorOutlineSetting, ColourAsHexWithNullMeaningBlack) {
    EXPECT_EQ(encodeJson(ColorOutlineSetting{{1, 0, 0, 0.5}, true}),
              R"({"color":"FF0000","isOutlined":true})");
    // Alpha is not kept.
    EXPECT_EQ(decodeJson<ColorOutlineSetting>(R"({"color":"FF0000","isOutlined":true})"),
              (ColorOutlineSetting{{1, 0, 0, 1}, true}));
    EXPECT_EQ(decodeJson<ColorOutlineSetting>(R"({"color":null,"isOutlined":true})"),
              (ColorOutlineSetting{{0, 0, 0, 1}, true}));
    expectDecodeFailure<ColorOutlineSetting>(R"({"isOutlined":false})", K::keyNotFound, "color");
    expectDecodeFailure<ColorOutlineSetting>(R"({"color":16711680,"isOutlined":false})",
                                             K::typeMismatch, "color");
}
