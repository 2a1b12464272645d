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

// The exact forms of these records are checked within the settings records that hold them.
TEST(ComponentSettings, ReadersIgnoreOrderAndUnknownMembersAndTakeWholeReals) {
    EXPECT_EQ(decodeJson<FontSetting>(
                  R"({"size":12.0,"x":0,"style":"Bold","familyname":"Helvetica Neue"})"),
              (FontSetting{"Helvetica Neue", "Bold", 12}));
    expectJsonForm(DistanceToEdgeSetting{0, -20}, R"({"vertical":0,"horizontal":-20})");
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
        {ab + R"("size":9223372036854775808})", K::dataCorrupted, "size"},
        {R"({"familyname":"A","size":1})", K::keyNotFound, "style"},
        {R"({"familyname":null,"style":"B","size":1})", K::valueNotFound, "familyname"},
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
