#include "intents/ActionEnumerations.h"
#include "intents/IntentFilenameTextAddedPosition.h"
#include "intents/IntentPositions.h"
#include "intents/IntentPresetType.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

TEST(ActionEnumerations, PositionsRawValuesAreExactAndCaseSensitive) {
    EXPECT_EQ(appEnumFromRawValue<IntentPositions>("topleft"), IntentPositions::topleft);
    EXPECT_EQ(appEnumFromRawValue<IntentPositions>("topLeft"), std::nullopt);
    EXPECT_EQ(appEnumFromRawValue<IntentPositions>(" topleft"), std::nullopt);
    EXPECT_EQ(appEnumFromRawValue<IntentPositions>("none"), std::nullopt);
    EXPECT_EQ(appEnumFromRawValue<IntentPositions>("diagonal"), std::nullopt);
    for (auto position : appEnumAllCases<IntentPositions>()) {
        EXPECT_EQ(appEnumFromRawValue<IntentPositions>(rawValue(position)), position);
    }
}

TEST(ActionEnumerations, PositionsMapOntoTheModelCaseOfTheSameName) {
    auto all = appEnumAllCases<IntentPositions>();
    ASSERT_EQ(all.size(), 11u);
    EXPECT_EQ(all.front(), IntentPositions::topleft);
    EXPECT_EQ(all.back(), IntentPositions::bottomoddleft);
    for (auto position : all) {
        EXPECT_EQ(caseName(positionsValue(position)), rawValue(position));
    }
    EXPECT_EQ(positionsValue(IntentPositions::topoddleft), Positions::topoddleft);
    EXPECT_EQ(caseTitle(IntentPositions::topoddleft), "Even Number Top Right");
    EXPECT_EQ(caseTitle(IntentPositions::topcenter), "Top Middle");
    EXPECT_EQ(caseTitle(IntentPositions::bottomcenter), "Bottom Center");
    EXPECT_EQ(caseTitle(IntentPositions::bottomoddleft), "Even Number Bottom Right");
    EXPECT_EQ(AppEnumCases<IntentPositions>::typeTitle, "Positions");
}

TEST(ActionEnumerations, PresetTypeMapsOntoBothKindsOfTheSameName) {
    EXPECT_EQ(presetsListValue(IntentPresetType::text), PresetsList::text);
    EXPECT_EQ(presetsListValue(IntentPresetType::stamp), PresetsList::stamp);
    EXPECT_EQ(presetsListValue(IntentPresetType::image), PresetsList::image);
    EXPECT_EQ(presetsListValue(IntentPresetType::pagenumber), PresetsList::pagenumber);
    EXPECT_EQ(presetStoreKindValue(IntentPresetType::text), PresetStoreKind::text);
    EXPECT_EQ(presetStoreKindValue(IntentPresetType::stamp), PresetStoreKind::stamp);
    EXPECT_EQ(presetStoreKindValue(IntentPresetType::image), PresetStoreKind::image);
    EXPECT_EQ(presetStoreKindValue(IntentPresetType::pagenumber), PresetStoreKind::pageNumber);
    EXPECT_EQ(caseTitle(IntentPresetType::pagenumber), "Page Number");
    EXPECT_EQ(AppEnumCases<IntentPresetType>::typeTitle, "Type");
}

TEST(ActionEnumerations, OnlyStartPutsTheTextAtTheStart) {
    EXPECT_TRUE(isTextAtStart(IntentFilenameTextAddedPosition::start));
    EXPECT_FALSE(isTextAtStart(IntentFilenameTextAddedPosition::end));
    EXPECT_FALSE(isTextAtStart(std::nullopt));
    EXPECT_EQ(appEnumFromRawValue<IntentFilenameTextAddedPosition>("Start"), std::nullopt);
}

TEST(ActionEnumerations, CatalogueListsEveryEnumerationByName) {
    auto all = actionEnumerations();
    ASSERT_EQ(all.size(), 3u);
    const ActionEnumeration* positions = findActionEnumeration("positions");
    ASSERT_NE(positions, nullptr);
    EXPECT_EQ(positions->cases.size(), 11u);
    ASSERT_NE(positions->find("middle"), nullptr);
    EXPECT_EQ(positions->find("middle")->title, "Middle");
    EXPECT_EQ(positions->find("Middle"), nullptr);
    EXPECT_EQ(findActionEnumeration("preset-type")->rawValueList(),
              "text, stamp, image, pagenumber");
    EXPECT_EQ(findActionEnumeration("text-position")->rawValueList(), "end, start");
    EXPECT_EQ(findActionEnumeration("Positions"), nullptr);
}

} // namespace
} // namespace fen
