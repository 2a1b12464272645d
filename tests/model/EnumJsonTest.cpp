#include "model/OtherStyles.h"
#include "model/Positions.h"
#include "model/WMAngles.h"

#include "JsonTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <tuple>

using namespace fen;
using namespace fen::test;
using K = JsonError::Kind;

TEST(OneKeyEnum, OneMemberWithAnEmptyObjectThatReadsBackAndIgnoresItsContent) {
    EXPECT_EQ(encodeJson(Positions::topleft), R"({"topleft":{}})");
    EXPECT_EQ(encodeJson(WMAngles::auto_), R"({"auto":{}})");
    auto roundTrip = [](auto cases) {
        for (auto c : cases) {
            EXPECT_EQ(decodeJson<decltype(c)>(encodeJson(c)), c) << caseName(c);
        }
    };
    roundTrip(allCases<Positions>());
    roundTrip(allCases<WMAngles>());
    roundTrip(allCases<OtherStyles>());
    EXPECT_EQ(decodeJson<Positions>(R"({"topleft":{"size":1}})"), Positions::topleft);
    EXPECT_EQ(decodeJson<OtherStyles>(R"({"x":1,"style6":{}})"), OtherStyles::style6);
}

TEST(OneKeyEnum, KeyCountsOtherThanOneAndWrongShapesFail) {
    for (const char* text : {R"({})", R"({"size":{}})", R"({"topleft":{},"middle":{}})",
                             R"({"Topleft":{}})", R"({"d90":{}})"}) {
        expectDecodeFailure<Positions>(text, K::typeMismatch, "");
        EXPECT_EQ(decodeFailure<Positions>(text).message(), kInvalidKeys) << text;
    }
    expectDecodeFailure<Positions>(R"({"topleft":1})", K::typeMismatch, "topleft");
    EXPECT_NE(decodeFailure<Positions>(R"({"topleft":1})").message(), kInvalidKeys);
    expectDecodeFailure<Positions>(R"("topleft")", K::typeMismatch, "");
    expectDecodeFailure<Positions>("null", K::valueNotFound, "");
}

// Each placement draws every angle of its own range (whatever the draw, the largest unsigned value
// included), the steepest of which it tells; the other placements stay level.
TEST(WMAngles, AutoAngleRangesByPlacement) {
    const std::tuple<Positions, int, int> ranges[] = {
        {Positions::topleft, 10, 24},     {Positions::bottomright, 10, 24},
        {Positions::topcenter, -10, -1},  {Positions::topright, -10, 4},
        {Positions::middle, 10, 19},      {Positions::bottomleft, -24, -10},
        {Positions::bottomcenter, 1, 10}, {Positions::triple, 0, 0},
        {Positions::topoddleft, 0, 0}};
    for (auto [position, low, high] : ranges) {
        std::set<int> seen{autoAngle(position, 4294967295u), autoAngle(position)};
        std::set<int> range;
        for (std::uint32_t r = 0; r < 30; ++r) {
            seen.insert(autoAngle(position, r));
        }
        for (int a = low; a <= high; ++a) {
            range.insert(a);
        }
        EXPECT_EQ(seen, range) << caseName(position);
        EXPECT_EQ(steepestAutoAngle(position), std::max(std::abs(low), std::abs(high)))
            << caseName(position);
    }
    std::set<int> drawn;
    for (int i = 0; i < 100; ++i) {
        drawn.insert(autoAngle(Positions::bottomleft));
    }
    EXPECT_GT(drawn.size(), 1u) << "each call draws afresh";
}
