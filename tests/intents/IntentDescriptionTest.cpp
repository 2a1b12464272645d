#include "intents/IntentDescription.h"
#include "intents/FenAppPageNumberIntent.h"
#include "intents/FenAppSimpleStampIntent.h"
#include "intents/FenAppSimpleTextIntent.h"
#include "intents/SiriAppShortcuts.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

std::string withTitles(const IntentDescription& description) {
    return description.renderSummary([&](std::string_view field) {
        return "[" + std::string(description.parameter(field)->title) + "]";
    });
}

TEST(IntentDescription, CommandNamesComeFromTheTitles) {
    EXPECT_EQ(commandName("Add a Stamp"), "add-a-stamp");
    EXPECT_EQ(commandName("Create from Text Presets"), "create-from-text-presets");
    EXPECT_EQ(commandName(" Page  Number "), "page-number");
    EXPECT_EQ(commandName(FenAppPageNumberIntent::description().title), "page-number");
    EXPECT_EQ(commandName(FenAppSimpleTextIntent::description().title), "add-some-text");
}

TEST(IntentDescription, SummariesNameEveryParameterInPlace) {
    EXPECT_EQ(withTitles(FenAppPageNumberIntent::description()),
              "Apply Page Numbering to [Document] at [Position].");
    EXPECT_EQ(withTitles(FenAppSimpleStampIntent::description()),
              "Apply Stamp to [Document] with [Text]. Include the date is [Include Today Date]");
    EXPECT_EQ(withTitles(FenAppSimpleTextIntent::description()),
              "Apply word to [Document] with [Text].");
    EXPECT_EQ(FenAppPageNumberIntent::description().parameter("nothing"), nullptr);
}

TEST(SiriAppShortcuts, FivePhrasesInOrderEachEndingInTheApplicationName) {
    auto shortcuts = SiriAppShortcuts::appShortcuts();
    ASSERT_EQ(shortcuts.size(), 5u);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Create from presets Fenmoor", "create-from-presets"},
        {"Create from text presets Fenmoor", "create-from-text-presets"},
        {"Add a Stamp Fenmoor", "add-a-stamp"},
        {"Add some Text Fenmoor", "add-some-text"},
        {"Add Page Number Fenmoor", "page-number"},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(shortcuts[i].phrase(), expected[i].first) << i;
        EXPECT_EQ(shortcuts[i].command(), expected[i].second) << i;
        // The name appears once, after the literal and its blank.
        std::string phrase = shortcuts[i].phrase();
        EXPECT_EQ(phrase.find("Fenmoor"), phrase.size() - 7) << i;
        EXPECT_EQ(phrase[phrase.size() - 8], ' ') << i;
    }
}

} // namespace
} // namespace fen
