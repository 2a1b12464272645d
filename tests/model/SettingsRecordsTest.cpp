#include "model/ImageSettings.h"
#include "model/PageNumberSettings.h"
#include "model/StampSettings.h"
#include "model/TextSettings.h"

#include "JsonTestSupport.h"

#include <gtest/gtest.h>

using namespace fen;
using namespace fen::test;
using K = JsonError::Kind;

namespace {

const char* kStampText =
    R"({"stampTextColor":{"stampText":"PAID","stampColor":"FF0000"},"position":{"topright":{}},)"
    R"("angle":{"auto":{}},"sizeopacity":{"size":100,"opacity":80},)"
    R"("datename":{"isIncluded":true,"isNameActive":false,"nameValue":"",)"
    R"("isDateActive":true,"dateValue":731500200.5,"isDateCurrent":true}})";

} // namespace

// The exact form is checked within the text preset's.
TEST(TextSettings, NestedFailuresCarryTheirPath) {
    const TextSettings settings{
        Positions::diagonal, {"Helvetica Neue", "Bold", 48}, {{1, 0, 0, 1}, false}, 30, true};
    Json j = settings;
    j["position"] = Json::parse(R"({"topleft":{},"middle":{}})");
    EXPECT_EQ(std::string(decodeFailure<TextSettings>(j.dump()).what()),
              "position: Invalid number of keys found, expected one.");
    j = settings;
    j["font"].erase("size");
    auto missing = decodeFailure<TextSettings>(j.dump());
    EXPECT_EQ(missing.kind(), K::keyNotFound);
    EXPECT_EQ(missing.codingPath(), (std::vector<std::string>{"font", "size"}));
    j = settings;
    j["colorOutline"]["isOutlined"] = "yes";
    expectDecodeFailure<TextSettings>(j.dump(), K::typeMismatch, "colorOutline.isOutlined");
}

TEST(ImageSettings, UrlWrittenFirstAndOnlyWhenPresent) {
    ImageSettings settings{std::nullopt, Positions::middle, WMAngles::dm30,
                           {50, 70},     {10, 20},          false};
    const std::string without =
        R"({"position":{"middle":{}},"angle":{"dm30":{}},"sizeopacity":{"size":50,"opacity":70},)"
        R"("distanceToEdge":{"vertical":10,"horizontal":20},"isWatermarkInBackground":false})";
    expectJsonForm(settings, without);
    Json withNull = Json::parse(without);
    withNull["imageURL"] = nullptr;
    EXPECT_EQ(decodeJson<ImageSettings>(withNull.dump()), settings);
    settings.imageURL = Url::fileURL("/tmp/my logo.png");
    Json j = settings;
    EXPECT_EQ(j["imageURL"], "file:///tmp/my%20logo.png");
    EXPECT_EQ(j.begin().key(), "imageURL");
    EXPECT_EQ(decodeJson<ImageSettings>(j.dump()), settings);
    j["imageURL"] = "not an address";
    expectDecodeFailure<ImageSettings>(j.dump(), K::dataCorrupted, "imageURL");
}

TEST(StampSettings, TextColourAlwaysWrittenAndRequiredPictureNever) {
    auto stamp = decodeJson<StampSettings>(kStampText);
    ASSERT_TRUE(stamp.stampTextColor.has_value());
    EXPECT_EQ(stamp.stampTextColor->stampText, "PAID");
    EXPECT_EQ(stamp.angle, WMAngles::auto_);
    EXPECT_EQ(stamp.datename.dateValue, Date{731500200.5});
    EXPECT_EQ(encodeJson(stamp), kStampText);
    // A picture (only its identity matters to the record) is neither written nor read.
    auto withPicture = stamp;
    withPicture.image = std::shared_ptr<const gfx::Image>(
        reinterpret_cast<const gfx::Image*>(new int(1)),
        [](const gfx::Image* p) { delete reinterpret_cast<const int*>(p); });
    EXPECT_NE(withPicture, stamp);
    EXPECT_EQ(encodeJson(withPicture), kStampText);
    Json j = Json::parse(kStampText);
    j["image"] = "ignored";
    EXPECT_EQ(decodeJson<StampSettings>(j.dump()), stamp);
    stamp.stampTextColor.reset();
    j = stamp;
    EXPECT_TRUE(j["stampTextColor"].is_null());
    EXPECT_EQ(decodeJson<StampSettings>(j.dump()), stamp);
    j.erase("stampTextColor");
    expectDecodeFailure<StampSettings>(j.dump(), K::keyNotFound, "stampTextColor");
}

TEST(StampTextColor, NullTextAndNullColour) {
    expectJsonForm(StampTextColor{std::nullopt, {1, 0, 0, 1}},
                   R"({"stampText":null,"stampColor":"FF0000"})");
    EXPECT_EQ(decodeJson<StampTextColor>(R"({"stampText":"X","stampColor":null})").stampColor,
              (gfx::Color{0, 0, 0, 1}));
    expectDecodeFailure<StampTextColor>(R"({"stampText":"X"})", K::keyNotFound, "stampColor");
    expectDecodeFailure<StampTextColor>(R"({"stampColor":"FF0000"})", K::keyNotFound, "stampText");
}

TEST(PageNumberSettings, FormatWrittenOnlyWhenPresent) {
    PageNumberSettings settings{
        std::nullopt, Positions::bottomcenter, {"Helvetica Neue", "Regular", 18},
        {1, 2, 1, 2}, OtherStyles::style3,     {0, 0}};
    const std::string text =
        R"({"position":{"bottomcenter":{}},"font":{"familyname":"Helvetica Neue",)"
        R"("style":"Regular","size":18},"pagenumberConf":{"fromPage":1,"toPage":2,"startAt":1,)"
        R"("maxPage":2},"style":{"style3":{}},"distanceToEdge":{"vertical":0,"horizontal":0}})";
    expectJsonForm(settings, text);
    Json withNull = Json::parse(text);
    withNull["numberTextColor"] = nullptr;
    EXPECT_EQ(decodeJson<PageNumberSettings>(withNull.dump()), settings);
    settings.numberTextColor = StampTextColor{"Page #currentPage of #totalPages", {0, 0, 1, 1}};
    Json j = settings;
    EXPECT_EQ(j["numberTextColor"].dump(),
              R"({"stampText":"Page #currentPage of #totalPages","stampColor":"0000FF"})");
    EXPECT_EQ(decodeJson<PageNumberSettings>(j.dump()), settings);
    j["style"] = Json::parse(R"({"style7":{}})");
    EXPECT_EQ(std::string(decodeFailure<PageNumberSettings>(j.dump()).what()),
              "style: Invalid number of keys found, expected one.");
}
