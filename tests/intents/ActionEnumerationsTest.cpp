#include "intents/ActionEnumerations.h"
#include "intents/IntentFilenameTextAddedPosition.h"
#include "intents/IntentPositions.h"
#include "intents/IntentPresetType.h"

#include <gtest/gtest.h>

// The raw values and titles as the command line lists and takes them are checked in tests/cli;
// here how the values map onto the model's.

namespace fen {
namespace {

TEST(ActionEnumerations, ValuesMapOntoTheModelCasesOfTheSameName) {
    auto all = appEnumAllCases<IntentPositions>();
    ASSERT_EQ(all.size(), 11u);
    for (auto position : all) {
        EXPECT_EQ(appEnumFromRawValue<IntentPositions>(rawValue(position)), position);
        EXPECT_EQ(caseName(positionsValue(position)), rawValue(position));
    }
    // The model's cases that are no action values.
    EXPECT_EQ(appEnumFromRawValue<IntentPositions>("none"), std::nullopt);
    EXPECT_EQ(appEnumFromRawValue<IntentPositions>("diagonal"), std::nullopt);

    const std::tuple<IntentPresetType, PresetsList, PresetStoreKind> kinds[] = {
        {IntentPresetType::text, PresetsList::text, PresetStoreKind::text},
        {IntentPresetType::stamp, PresetsList::stamp, PresetStoreKind::stamp},
        {IntentPresetType::image, PresetsList::image, PresetStoreKind::image},
        {IntentPresetType::pagenumber, PresetsList::pagenumber, PresetStoreKind::pageNumber}};
    for (const auto& [type, list, kind] : kinds) {
        EXPECT_EQ(presetsListValue(type), list);
        EXPECT_EQ(presetStoreKindValue(type), kind);
    }

    EXPECT_TRUE(isTextAtStart(IntentFilenameTextAddedPosition::start));
    EXPECT_FALSE(isTextAtStart(IntentFilenameTextAddedPosition::end));
    EXPECT_FALSE(isTextAtStart(std::nullopt));
    EXPECT_EQ(findActionEnumeration("positions")->find("Middle"), nullptr);
    EXPECT_EQ(findActionEnumeration("Positions"), nullptr);
}

} // namespace
} // namespace fen
