#include "model/OtherStyles.h"
#include "model/Positions.h"
#include "model/WMAngles.h"

#include "JsonTestSupport.h"

#include <gtest/gtest.h>
#include <set>
#include <tuple>

using namespace fen;
using namespace fen::test;
using K = JsonError::Kind;

TEST(Positions, KeyTextsAreDistinctAndSpeltAsStored) {
    const std::pair<Positions, const char*> keys[] = {
        {Positions::none, "Undefined"},
        {Positions::triple, "placement_tripple"},
        {Positions::topevenleft, "placement_oddTopRight"},
        {Positions::bottomcenter, "placement_bottom_center"},
    };
    for (auto [position, key] : keys) {
        EXPECT_EQ(localizationKey(position), key);
    }
    std::set<std::string_view> distinct;
    for (auto p : allCases<Positions>()) {
        distinct.insert(localizationKey(p));
    }
    EXPECT_EQ(distinct.size(), 14u);
}

TEST(OneKeyEnum, OneMemberWithAnEmptyObjectForEveryCase) {
    EXPECT_EQ(encodeJson(Positions::topleft), R"({"topleft":{}})");
    EXPECT_EQ(encodeJson(WMAngles::auto_), R"({"auto":{}})");
    EXPECT_EQ(encodeJson(OtherStyles::style2), R"({"style2":{}})");
    auto roundTrip = [](auto cases) {
        for (auto c : cases) {
            EXPECT_EQ(decodeJson<decltype(c)>(encodeJson(c)), c) << caseName(c);
        }
    };
    roundTrip(allCases<Positions>());
    roundTrip(allCases<WMAngles>());
    roundTrip(allCases<OtherStyles>());
    // Unknown members and inner content are ignored.
    EXPECT_EQ(decodeJson<Positions>(R"({"topleft":{"size":1}})"), Positions::topleft);
    EXPECT_EQ(decodeJson<OtherStyles>(R"({"x":1,"style6":{}})"), OtherStyles::style6);
}

TEST(OneKeyEnum, KeyCountsOtherThanOneAndWrongShapesFail) {
    for (const char* text :
         {R"({})", R"({"size":{}})", R"({"topleft":{},"middle":{}})", R"({"Topleft":{}})"}) {
        expectDecodeFailure<Positions>(text, K::typeMismatch, "");
        EXPECT_EQ(decodeFailure<Positions>(text).message(), kInvalidKeys) << text;
    }
    EXPECT_EQ(decodeFailure<OtherStyles>(R"({"style1":{},"style2":{}})").message(), kInvalidKeys);
    EXPECT_EQ(decodeFailure<WMAngles>(R"({"d90":{}})").message(), kInvalidKeys);

    expectDecodeFailure<Positions>(R"({"topleft":1})", K::typeMismatch, "topleft");
    EXPECT_NE(decodeFailure<Positions>(R"({"topleft":1})").message(), kInvalidKeys);
    expectDecodeFailure<Positions>(R"("topleft")", K::typeMismatch, "");
    expectDecodeFailure<Positions>("null", K::valueNotFound, "");
}

TEST(WMAngles, LabelsAndDegrees) {
    const std::pair<WMAngles, const char*> labels[] = {
        {WMAngles::dm10, "-10\xC2\xBA"}, {WMAngles::dp60, "60\xC2\xBA"}, {WMAngles::auto_, "Auto"}};
    for (auto [angle, label] : labels) {
        EXPECT_EQ(angleLabel(angle), label);
    }
    EXPECT_EQ(angleDegrees(WMAngles::dm50), -50);
    EXPECT_FALSE(angleDegrees(WMAngles::auto_).has_value());
}

// Each placement draws every angle of its own range (whatever the draw, the largest unsigned value
// included); the other placements stay level.
TEST(WMAngles, AutoAngleRangesByPlacement) {
    const std::tuple<Positions, int, int> ranges[] = {
        {Positions::topleft, 10, 24},     {Positions::bottomright, 10, 24},
        {Positions::topcenter, -10, -1},  {Positions::topright, -10, 4},
        {Positions::middle, 10, 19},      {Positions::bottomleft, -24, -10},
        {Positions::bottomcenter, 1, 10}, {Positions::triple, 0, 0},
        {Positions::topoddleft, 0, 0}};
    for (auto [position, low, high] : ranges) {
        std::set<int> seen{autoAngle(position, 4294967295u), autoAngle(position)};
        for (std::uint32_t r = 0; r < 30; ++r) {
            seen.insert(autoAngle(position, r));
        }
        std::set<int> range;
        for (int a = low; a <= high; ++a) {
            range.insert(a);
        }
        EXPECT_EQ(seen, range) << localizationKey(position);
    }
    std::set<int> drawn;
    for (int i = 0; i < 100; ++i) {
        drawn.insert(autoAngle(Positions::bottomleft));
    }
    EXPECT_GT(drawn.size(), 1u) << "each call draws afresh";
}
