#include "intents/ActionEnumerations.h"
#include "intents/IntentPositions.h"

#include <gtest/gtest.h>

// The raw values and titles as the command line lists and takes them are checked in tests/cli.

namespace fen {
namespace {

// Every action placement is the model placement of its raw value's name; the model's placements
// that are no action values are refused.
TEST(ActionEnumerations, PositionsAreTheModelPlacementsOfTheSameName) {
    auto all = appEnumAllCases<IntentPositions>();
    ASSERT_EQ(all.size(), 11u);
    for (auto position : all) {
        EXPECT_EQ(appEnumFromRawValue<IntentPositions>(rawValue(position)), position);
        EXPECT_EQ(caseName(positionsValue(position)), rawValue(position));
    }
    EXPECT_EQ(appEnumFromRawValue<IntentPositions>("none"), std::nullopt);
    EXPECT_EQ(appEnumFromRawValue<IntentPositions>("diagonal"), std::nullopt);
}

} // namespace
} // namespace fen
