// The number model of the combined number control, without a widget: what typing, validating and
// moving the slider do to the number, its text and the slider position, and what is announced.
#include "controls/KvStepperTextfieldCombinedModel.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace fen {
namespace {

struct Counted {
    KvStepperTextfieldCombinedModel model;
    int announcements = 0;
    std::vector<std::int64_t> values;
    Connection a = model.changed.connect([this] { ++announcements; });
    Connection b = model.valueChanged.connect([this](std::int64_t v) { values.push_back(v); });

    Counted(std::int64_t min, std::int64_t max, std::int64_t start)
        : model(min, max, start, "pt", 1) {}
};

TEST(NumberText, ReadsOnlyPlainSignedDecimalIntegers) {
    const struct {
        const char* text;
        std::optional<std::int64_t> number;
    } cases[] = {
        {"8", 8},
        {"-100", -100},
        {"+12", 12},
        {"007", 7},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
        {"9223372036854775808", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"+", std::nullopt},
        {"+-1", std::nullopt},
        {" 12", std::nullopt},
        {"1.5", std::nullopt},
        {"1,000", std::nullopt},
        {"abc", std::nullopt},
        {"\xd9\xa3", std::nullopt}, // an Arabic-Indic digit
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readNumber(c.text), c.number) << c.text;
    }
    EXPECT_EQ(numberText(-100), "-100");
    EXPECT_EQ(numberText(0), "0");
}

TEST(NumberModel, MakingItSetsAllThreeFormsAndAnnouncesNothing) {
    Counted c(8, 288, 12);
    EXPECT_EQ(c.model.value(), 12);
    EXPECT_EQ(c.model.valueText(), "12");
    EXPECT_EQ(c.model.valueDbl(), 12.0);
    EXPECT_EQ(c.model.unit(), "pt");
    EXPECT_EQ(c.announcements, 0);
}

// Each row: bounds and a start, the texts typed one after another, what the model holds then,
// and what it holds after validation (Return or a focus change).
TEST(NumberModel, TypedTextReachesTheNumberAtOnceAndIsClampedOnlyOnValidation) {
    const struct {
        const char* what;
        std::int64_t min, max, start;
        std::vector<std::string> typed;
        std::int64_t value;
        std::string text;
        int announcements;
        std::int64_t validatedValue;
        std::string validatedText;
    } cases[] = {
        {"above the bounds", 8, 288, 12, {"3", "30", "300"}, 300, "300", 3, 288, "288"},
        {"below the bounds", 8, 288, 12, {"3"}, 3, "3", 1, 8, "8"},
        {"letters", 8, 288, 12, {"abc"}, 8, "8", 1, 8, "8"},
        {"decimals", 8, 288, 12, {"1.5"}, 8, "8", 1, 8, "8"},
        {"a space", 8, 288, 12, {" 12"}, 8, "8", 1, 8, "8"},
        {"beyond 64 bits", 8, 288, 12, {"99999999999999999999"}, 8, "8", 1, 8, "8"},
        {"a plus sign", 8, 288, 5, {"+12"}, 12, "12", 1, 12, "12"},
        {"the same number written longer", 0, 100, 7, {"007"}, 7, "007", 1, 7, "007"},
        {"a leading zero", 8, 288, 8, {"08"}, 8, "08", 1, 8, "08"},
        {"a negative number", -100, 100, 20, {"-", "-5"}, -5, "-5", 1, -5, "-5"},
        {"a lone minus", -100, 100, 20, {"-"}, 20, "-", 0, 20, "-"},
        {"a lone minus, minimum 8", 8, 288, 20, {"-"}, 20, "-", 0, 8, "8"},
        {"a lone plus", -100, 100, 20, {"+"}, 20, "+", 0, 20, "+"},
        {"emptied", 8, 288, 20, {""}, 20, "", 0, 8, "8"},
        {"emptied, minimum below zero", -100, 100, 20, {""}, 20, "", 0, 20, ""},
        {"a negative number below the bounds",
         -100,
         100,
         0,
         {"-", "-5", "-500"},
         -500,
         "-500",
         2,
         -100,
         "-100"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        Counted c(row.min, row.max, row.start);
        for (const std::string& text : row.typed) {
            c.model.setValueText(text);
        }
        EXPECT_EQ(c.model.value(), row.value);
        EXPECT_EQ(c.model.valueText(), row.text);
        EXPECT_EQ(c.announcements, row.announcements);
        c.model.validateText();
        EXPECT_EQ(c.model.value(), row.validatedValue);
        EXPECT_EQ(c.model.valueText(), row.validatedText);
    }
}

TEST(NumberModel, EachSetterAnnouncesOnceAndEveryNewNumberOnce) {
    Counted c(8, 288, 12);
    c.model.setValueText("abc"); // the number, its text and the slider all change
    EXPECT_EQ(c.announcements, 1);
    EXPECT_EQ(c.values, std::vector<std::int64_t>{8});
    c.model.setValueText("300");
    c.model.validateText(); // 300 becomes 288: one announcement, one new number
    EXPECT_EQ(c.announcements, 3);
    EXPECT_EQ(c.values, (std::vector<std::int64_t>{8, 300, 288}));
    c.model.validateText(); // within the bounds: nothing to do
    EXPECT_EQ(c.announcements, 3);
    c.model.setValue(40);
    EXPECT_EQ(c.model.valueText(), "40");
    EXPECT_EQ(c.model.valueDbl(), 40.0);
    EXPECT_EQ(c.announcements, 4);
    EXPECT_EQ(c.values.back(), 40);
    // A typed number that is already in its text form leaves the slider where it was (the
    // control places it); a text that is replaced by its form moves the slider too.
    c.model.setValueText("50");
    EXPECT_EQ(c.model.valueDbl(), 40.0);
    c.model.setValueText("+60");
    EXPECT_EQ(c.model.valueDbl(), 60.0);
}

// Each row: bounds, a start, the slider positions set one after another, then the model.
TEST(NumberModel, TheSliderMovesTheNumberByItsWholePart) {
    const struct {
        const char* what;
        std::int64_t min, max, start;
        std::vector<double> positions;
        std::int64_t value;
        std::string text;
        double position;
    } cases[] = {
        {"within the same number", 0, 100, 37, {37.6}, 37, "37", 37.6},
        {"onto the next number", 0, 100, 37, {37.6, 38.2}, 38, "38", 38.0},
        {"below zero, toward zero", -100, 100, 37, {-12.7}, -12, "-12", -12.0},
        {"back to the start", 0, 100, 37, {40, 37}, 37, "37", 37.0},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        Counted c(row.min, row.max, row.start);
        for (double position : row.positions) {
            c.model.setValueDbl(position);
        }
        EXPECT_EQ(c.model.value(), row.value);
        EXPECT_EQ(c.model.valueText(), row.text);
        EXPECT_EQ(c.model.valueDbl(), row.position);
        EXPECT_EQ(c.announcements, int(row.positions.size()));
    }
}

} // namespace
} // namespace fen
