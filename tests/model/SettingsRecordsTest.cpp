#include "model/ImageSettings.h"
#include "model/PageNumberSettings.h"
#include "model/StampSettings.h"
#include "model/TextSettings.h"

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

TextSettings sampleText() {
    return {Positions::diagonal, {"Helvetica Neue", "Bold", 48}, {{1, 0, 0, 1}, false}, 30, true};
}

const char* kStampText =
    R"({"stampTextColor":{"stampText":"PAID","stampColor":"FF0000"},"position":{"topright":{}},)"
    R"("angle":{"auto":{}},"sizeopacity":{"size":100,"opacity":80},)"
    R"("datename":{"isIncluded":true,"isNameActive":false,"nameValue":"",)"
    R"("isDateActive":true,"dateValue":731500200.5,"isDateCurrent":true}})";

} // namespace

TEST(TextSettings, ExactFormAndRoundTrip) {
    const std::string text =
        R"({"position":{"diagonal":{}},"font":{"familyname":"Helvetica Neue","style":"Bold",)"
        R"("size":48},"colorOutline":{"color":"FF0000","isOutlined":false},"opacity":30,)"
        R"("isWatermarkInBackground":true})";
    EXPECT_EQ(encodeJson(sampleText()), text);
    EXPECT_EQ(decodeJson<TextSettings>(text), sampleText());
    auto other = sampleText();
    other.opacity = 31;
    EXPECT_NE(other, sampleText());
}

TEST(TextSettings, NestedFailuresCarryTheirPath) {
    Json j = sampleText();
    j["position"] = Json::parse(R"({"topleft":{},"middle":{}})");
    auto keys = decodeFailure<TextSettings>(j.dump());
    EXPECT_EQ(keys.message(), "Invalid number of keys found, expected one.");
    EXPECT_EQ(keys.pathString(), "position");
    EXPECT_EQ(std::string(keys.what()), "position: Invalid number of keys found, expected one.");

    j = sampleText();
    j["font"].erase("size");
    auto missing = decodeFailure<TextSettings>(j.dump());
    EXPECT_EQ(missing.kind(), JsonError::Kind::keyNotFound);
    EXPECT_EQ(missing.codingPath(), (std::vector<std::string>{"font", "size"}));

    j = sampleText();
    j["colorOutline"]["isOutlined"] = "yes";
    EXPECT_EQ(decodeFailure<TextSettings>(j.dump()).pathString(), "colorOutline.isOutlined");
}

TEST(ImageSettings, UrlWrittenOnlyWhenPresent) {
    ImageSettings settings{std::nullopt, Positions::middle, WMAngles::dm30,
                           {50, 70},     {10, 20},          false};
    const std::string without =
        R"({"position":{"middle":{}},"angle":{"dm30":{}},"sizeopacity":{"size":50,"opacity":70},)"
        R"("distanceToEdge":{"vertical":10,"horizontal":20},"isWatermarkInBackground":false})";
    EXPECT_EQ(encodeJson(settings), without);
    EXPECT_EQ(decodeJson<ImageSettings>(without), settings);

    Json withNull = Json::parse(without);
    withNull["imageURL"] = nullptr;
    EXPECT_EQ(decodeJson<ImageSettings>(withNull.dump()), settings);

    settings.imageURL = Url::fileURL("/tmp/my logo.png");
    Json j = settings;
    EXPECT_EQ(j["imageURL"], "file:///tmp/my%20logo.png");
    EXPECT_EQ(j.begin().key(), "imageURL");
    EXPECT_EQ(decodeJson<ImageSettings>(j.dump()), settings);

    j["imageURL"] = "not an address";
    auto bad = decodeFailure<ImageSettings>(j.dump());
    EXPECT_EQ(bad.kind(), JsonError::Kind::dataCorrupted);
    EXPECT_EQ(bad.pathString(), "imageURL");
}

TEST(StampSettings, TextColourAlwaysWrittenAndRequired) {
    auto stamp = decodeJson<StampSettings>(kStampText);
    ASSERT_TRUE(stamp.stampTextColor.has_value());
    EXPECT_EQ(stamp.stampTextColor->stampText, "PAID");
    EXPECT_EQ(stamp.angle, WMAngles::auto_);
    EXPECT_EQ(stamp.datename.dateValue, Date{731500200.5});
    EXPECT_EQ(encodeJson(stamp), kStampText);

    stamp.stampTextColor.reset();
    Json j = stamp;
    EXPECT_TRUE(j.contains("stampTextColor"));
    EXPECT_TRUE(j["stampTextColor"].is_null());
    EXPECT_EQ(decodeJson<StampSettings>(j.dump()), stamp);

    j.erase("stampTextColor");
    auto missing = decodeFailure<StampSettings>(j.dump());
    EXPECT_EQ(missing.kind(), JsonError::Kind::keyNotFound);
    EXPECT_EQ(missing.pathString(), "stampTextColor");
}

TEST(StampSettings, PictureIsNeverWrittenAndAbsentAfterReading) {
    auto stamp = decodeJson<StampSettings>(kStampText);
    // Stands in for a picture: only identity matters to the record.
    auto picture = std::shared_ptr<const gfx::Image>(
        reinterpret_cast<const gfx::Image*>(new int(1)),
        [](const gfx::Image* p) { delete reinterpret_cast<const int*>(p); });
    auto withPicture = stamp;
    withPicture.image = picture;
    EXPECT_NE(withPicture, stamp);
    EXPECT_EQ(encodeJson(withPicture), kStampText);

    Json j = Json::parse(kStampText);
    j["image"] = "ignored";
    auto back = decodeJson<StampSettings>(j.dump());
    EXPECT_EQ(back.image, nullptr);
    EXPECT_EQ(back, stamp);
    EXPECT_NE(back, withPicture);
}

TEST(StampTextColor, NullTextAndNullColour) {
    StampTextColor red{std::nullopt, {1, 0, 0, 1}};
    EXPECT_EQ(encodeJson(red), R"({"stampText":null,"stampColor":"FF0000"})");
    EXPECT_EQ(decodeJson<StampTextColor>(R"({"stampText":null,"stampColor":"FF0000"})"), red);
    auto black = decodeJson<StampTextColor>(R"({"stampText":"X","stampColor":null})");
    EXPECT_EQ(black.stampColor, (gfx::Color{0, 0, 0, 1}));
    EXPECT_EQ(decodeFailure<StampTextColor>(R"({"stampText":"X"})").pathString(), "stampColor");
    EXPECT_EQ(decodeFailure<StampTextColor>(R"({"stampColor":"FF0000"})").pathString(),
              "stampText");
}

TEST(PageNumberSettings, FormatWrittenOnlyWhenPresent) {
    PageNumberSettings settings{
        std::nullopt, Positions::bottomcenter, {"Helvetica Neue", "Regular", 18},
        {1, 2, 1, 2}, OtherStyles::style3,     {0, 0}};
    const std::string text =
        R"({"position":{"bottomcenter":{}},"font":{"familyname":"Helvetica Neue",)"
        R"("style":"Regular","size":18},"pagenumberConf":{"fromPage":1,"toPage":2,"startAt":1,)"
        R"("maxPage":2},"style":{"style3":{}},"distanceToEdge":{"vertical":0,"horizontal":0}})";
    EXPECT_EQ(encodeJson(settings), text);
    EXPECT_EQ(decodeJson<PageNumberSettings>(text), settings);
    Json withNull = Json::parse(text);
    withNull["numberTextColor"] = nullptr;
    EXPECT_EQ(decodeJson<PageNumberSettings>(withNull.dump()), settings);

    settings.numberTextColor = StampTextColor{"Page #currentPage of #totalPages", {0, 0, 1, 1}};
    Json j = settings;
    EXPECT_EQ(j["numberTextColor"].dump(),
              R"({"stampText":"Page #currentPage of #totalPages","stampColor":"0000FF"})");
    EXPECT_EQ(decodeJson<PageNumberSettings>(j.dump()), settings);

    j["style"] = Json::parse(R"({"style7":{}})");
    auto bad = decodeFailure<PageNumberSettings>(j.dump());
    EXPECT_EQ(bad.pathString(), "style");
    EXPECT_EQ(bad.message(), "Invalid number of keys found, expected one.");
}
