#include "model/OtherStyles.h"
#include "model/Positions.h"
#include "model/WMAngles.h"

#include <gtest/gtest.h>
#include <set>

using namespace fen;

namespace {

// Expects decoding `text` as E to fail with `kind`, and returns the error for further checks.
template <typename E> JsonError decodeFailure(const std::string& text, JsonError::Kind kind) {
    try {
        decodeJson<E>(text);
    } catch (const JsonError& error) {
        EXPECT_EQ(error.kind(), kind) << text << ": " << error.what();
        return error;
    }
    ADD_FAILURE() << text << " decoded";
    return JsonError(JsonError::Kind::dataCorrupted, "none");
}

constexpr const char* kInvalidKeys = "Invalid number of keys found, expected one.";

} // namespace

TEST(Positions, KeyTextsAndCaseNames) {
    EXPECT_EQ(localizationKey(Positions::none), "Undefined");
    EXPECT_EQ(localizationKey(Positions::triple), "placement_tripple");
    EXPECT_EQ(localizationKey(Positions::topevenleft), "placement_oddTopRight");
    EXPECT_EQ(localizationKey(Positions::bottomevenleft), "placement_oddBottomRight");
    EXPECT_EQ(localizationKey(Positions::bottomoddleft), "placement_oddBottomLeft");
    EXPECT_EQ(localizationKey(Positions::bottomcenter), "placement_bottom_center");
    auto cases = allCases<Positions>();
    ASSERT_EQ(cases.size(), 14u);
    EXPECT_EQ(cases.front(), Positions::none);
    EXPECT_EQ(cases.back(), Positions::bottomoddleft);
    std::set<std::string_view> keys;
    for (auto p : cases) {
        keys.insert(localizationKey(p));
    }
    EXPECT_EQ(keys.size(), 14u) << "key texts must be distinct";
}

TEST(OneKeyEnum, WritesOneMemberWithEmptyObject) {
    EXPECT_EQ(encodeJson(Positions::none), R"({"none":{}})");
    EXPECT_EQ(encodeJson(Positions::topleft), R"({"topleft":{}})");
    EXPECT_EQ(encodeJson(WMAngles::dm60), R"({"dm60":{}})");
    EXPECT_EQ(encodeJson(WMAngles::auto_), R"({"auto":{}})");
    EXPECT_EQ(encodeJson(OtherStyles::style2), R"({"style2":{}})");
}

TEST(OneKeyEnum, EveryCaseRoundTrips) {
    for (auto p : allCases<Positions>()) {
        EXPECT_EQ(decodeJson<Positions>(encodeJson(p)), p) << caseName(p);
    }
    for (auto a : allCases<WMAngles>()) {
        EXPECT_EQ(decodeJson<WMAngles>(encodeJson(a)), a) << caseName(a);
    }
    for (auto s : allCases<OtherStyles>()) {
        EXPECT_EQ(decodeJson<OtherStyles>(encodeJson(s)), s) << caseName(s);
    }
}

TEST(OneKeyEnum, IgnoresUnknownMembersAndInnerContent) {
    EXPECT_EQ(decodeJson<Positions>(R"({"topleft":{"size":1}})"), Positions::topleft);
    EXPECT_EQ(decodeJson<Positions>(R"({"topleft":{},"size":5})"), Positions::topleft);
    EXPECT_EQ(decodeJson<OtherStyles>(R"({"x":1,"style6":{}})"), OtherStyles::style6);
}

TEST(OneKeyEnum, CountOtherThanOneFailsWithTheFixedText) {
    for (const char* text :
         {R"({})", R"({"size":{}})", R"({"topleft":{},"middle":{}})", R"({"Topleft":{}})"}) {
        auto error = decodeFailure<Positions>(text, JsonError::Kind::typeMismatch);
        EXPECT_EQ(error.message(), kInvalidKeys) << text;
        EXPECT_TRUE(error.codingPath().empty());
    }
    EXPECT_EQ(
        decodeFailure<OtherStyles>(R"({"style1":{},"style2":{}})", JsonError::Kind::typeMismatch)
            .message(),
        kInvalidKeys);
    EXPECT_EQ(decodeFailure<WMAngles>(R"({"d90":{}})", JsonError::Kind::typeMismatch).message(),
              kInvalidKeys);
}

TEST(OneKeyEnum, WrongShapesFailWithTypeErrors) {
    auto inner = decodeFailure<Positions>(R"({"topleft":1})", JsonError::Kind::typeMismatch);
    EXPECT_NE(inner.message(), kInvalidKeys);
    EXPECT_EQ(inner.pathString(), "topleft");
    decodeFailure<Positions>(R"({"topleft":[]})", JsonError::Kind::typeMismatch);
    decodeFailure<Positions>(R"("topleft")", JsonError::Kind::typeMismatch);
    decodeFailure<Positions>("null", JsonError::Kind::valueNotFound);
}

TEST(WMAngles, LabelsAndDegrees) {
    EXPECT_EQ(angleLabel(WMAngles::dm10), "-10\xC2\xBA");
    EXPECT_EQ(angleLabel(WMAngles::d0), "0\xC2\xBA");
    EXPECT_EQ(angleLabel(WMAngles::dp60), "60\xC2\xBA");
    EXPECT_EQ(angleLabel(WMAngles::auto_), "Auto");
    EXPECT_EQ(angleDegrees(WMAngles::dm50), -50);
    EXPECT_FALSE(angleDegrees(WMAngles::auto_).has_value());
    auto cases = allCases<WMAngles>();
    EXPECT_EQ(cases[1], WMAngles::dm60);
    EXPECT_EQ(cases[7], WMAngles::dp60);
    EXPECT_EQ(cases[13], WMAngles::auto_);
}

TEST(WMAngles, AutoAngleRangesByPlacement) {
    // Fixed draws cover the extremes of each formula, including the largest unsigned value.
    for (std::uint32_t r : {0u, 9u, 14u, 15u, 4294967295u}) {
        EXPECT_EQ(autoAngle(Positions::topleft, r), 10 + static_cast<int>(r % 15));
        EXPECT_EQ(autoAngle(Positions::bottomright, r), 10 + static_cast<int>(r % 15));
        EXPECT_EQ(autoAngle(Positions::topcenter, r), static_cast<int>(r % 10) - 10);
        EXPECT_EQ(autoAngle(Positions::topright, r), static_cast<int>(r % 15) - 10);
        EXPECT_EQ(autoAngle(Positions::middle, r), 10 + static_cast<int>(r % 10));
        EXPECT_EQ(autoAngle(Positions::bottomleft, r), -(10 + static_cast<int>(r % 15)));
        EXPECT_EQ(autoAngle(Positions::bottomcenter, r), 10 - static_cast<int>(r % 10));
    }
    EXPECT_EQ(autoAngle(Positions::topright, 4294967295u), -10); // 2^32-1 mod 15 = 0
    std::set<int> seen;
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(autoAngle(Positions::triple), 0);
        EXPECT_EQ(autoAngle(Positions::topoddleft), 0);
        int a = autoAngle(Positions::bottomleft);
        EXPECT_LE(a, -10);
        EXPECT_GE(a, -24);
        seen.insert(a);
    }
    EXPECT_GT(seen.size(), 1u) << "each call draws afresh";
}
