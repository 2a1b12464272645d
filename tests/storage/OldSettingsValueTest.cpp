#include "storage/OldSettingsValue.h"

#include "storage/OldSettingsTestSupport.h"
#include "storage/TextListImportDecoder.h"

#include <gtest/gtest.h>

namespace fen {
namespace {

using namespace fen::test;
using Type = OldSettingsValue::Type;

plist_t sample() {
    return plDict({
        {"text", plText("Gr\xC3\xBC\xC3\x9F"
                        "e")},
        {"int", plInt(-2)},
        {"wholeReal", plReal(3.0)},
        {"fraction", plReal(12.5)},
        {"hugeReal", plReal(1e300)},
        {"yes", plBool(true)},
        {"one", plInt(1)},
        {"two", plInt(2)},
        {"when", plDate(731332800)},
        {"bytes", plData(std::string("\x00\x01", 2))},
        {"list", plArray({plText("a"), plInt(7)})},
        {"nested", plDict({{"inner", plReal(0.25)}})},
    });
}

void expectSample(const OldSettingsValue& root) {
    ASSERT_EQ(root.type(), Type::dictionary);
    EXPECT_EQ(root.keys().size(), 12u);
    EXPECT_EQ(root.text("text"), "Gr\xC3\xBC\xC3\x9F"
                                 "e");
    // Whole numbers: integers, and reals without fraction within range.
    EXPECT_EQ(root.integer("int"), -2);
    EXPECT_EQ(root.integer("wholeReal"), 3);
    EXPECT_EQ(root.integer("fraction"), std::nullopt);
    EXPECT_EQ(root.integer("hugeReal"), std::nullopt);
    // Reals: any number.
    EXPECT_EQ(root.real("int"), -2.0);
    EXPECT_EQ(root.real("fraction"), 12.5);
    // Truth values: booleans, and the numbers 0 and 1.
    EXPECT_EQ(root.truth("yes"), true);
    EXPECT_EQ(root.truth("one"), true);
    EXPECT_EQ(root.truth("two"), std::nullopt);
    EXPECT_EQ(root.date("when"), Date{731332800});
    EXPECT_EQ(root.member("bytes")->type(), Type::data);
    // Values of another type, and missing keys, read as nothing.
    EXPECT_EQ(root.text("int"), std::nullopt);
    EXPECT_EQ(root.integer("text"), std::nullopt);
    EXPECT_EQ(root.real("yes"), std::nullopt);
    EXPECT_EQ(root.date("int"), std::nullopt);
    EXPECT_EQ(root.text("missing"), std::nullopt);
    EXPECT_EQ(root.array(), nullptr);

    const auto* list = root.member("list")->array();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->size(), 2u);
    EXPECT_EQ((*list)[0].text(), "a");
    EXPECT_EQ((*list)[1].integer(), 7);
    EXPECT_EQ((*list)[1].member("x"), nullptr);
    EXPECT_EQ(root.member("nested")->real("inner"), 0.25);
}

TEST(OldSettingsValueTest, ReadsXmlAndBinaryPropertyLists) {
    auto fromXml = OldSettingsValue::parse(xml(sample()));
    ASSERT_TRUE(fromXml);
    expectSample(*fromXml);
    auto fromBinary = OldSettingsValue::parse(binary(sample()));
    ASSERT_TRUE(fromBinary);
    expectSample(*fromBinary);
}

TEST(OldSettingsValueTest, RejectsWhatIsNoPropertyList) {
    EXPECT_FALSE(OldSettingsValue::parse(""));
    EXPECT_FALSE(OldSettingsValue::parse("not a property list"));
    EXPECT_FALSE(OldSettingsValue::parse("bplist00"));
    std::string text = xml(sample());
    EXPECT_FALSE(OldSettingsValue::parse(text.substr(0, text.size() / 2)));
    // Nesting deeper than the limit.
    plist_t deep = plText("bottom");
    for (int i = 0; i <= OldSettingsValue::maxDepth; ++i) {
        deep = plArray({deep});
    }
    EXPECT_FALSE(OldSettingsValue::parse(binary(deep)));
    // A root of another type still parses; the caller decides.
    auto array = OldSettingsValue::parse(xml(plArray({plInt(1)})));
    ASSERT_TRUE(array);
    EXPECT_EQ(array->type(), Type::array);
}

TEST(OldSettingsValueTest, ADictionaryKeyThatIsNoTextMakesTheListUnreadable) {
    // In a binary property list, turn the one-letter key "k" (marker 0x51) into the integer 107;
    // libplist accepts the list but aborts when such a key is read through its iterator.
    std::string bytes = binary(plDict({{"k", plText("value")}}));
    size_t at = bytes.find("\x51k");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = '\x10';
    EXPECT_FALSE(OldSettingsValue::parse(bytes));
}

TEST(OldSettingsValueTest, KeysAndTextsWithNulInside) {
    // libplist asserts (and aborts) when its key getter meets a NUL inside a key, which a corrupt
    // binary list can hold. Such keys are read without it: an ASCII key as far as libplist keeps
    // it, a UTF-16 key whole.
    std::string bytes = binary(plDict({{"aXb", plText("cXd")}, {"\xC3\xA9X", plInt(1)}}));
    for (size_t at = bytes.find('X'); at != std::string::npos; at = bytes.find('X', at)) {
        bytes[at] = '\0';
    }
    auto value = OldSettingsValue::parse(bytes);
    ASSERT_TRUE(value);
    ASSERT_EQ(value->keys().size(), 2u);
    EXPECT_EQ(value->keys()[0].substr(0, 1), "a");
    EXPECT_EQ(value->keys()[1], std::string("\xC3\xA9\0", 3));
    EXPECT_EQ(value->integer(value->keys()[1]), 1);
    EXPECT_EQ(value->text(value->keys()[0]).value_or("").substr(0, 1), "c");
}

TEST(OldSettingsValueTest, TextsAreAlwaysValidUtf8) {
    // A binary property list may hold 8-bit "ASCII" strings that are no UTF-8.
    std::string bytes = binary(plDict({{"k", plText("ab")}}));
    size_t at = bytes.find("ab");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = '\xFF';
    auto value = OldSettingsValue::parse(bytes);
    ASSERT_TRUE(value);
    auto text = value->text("k");
    ASSERT_TRUE(text);
    EXPECT_TRUE(TextListImportDecoder::isValidUtf8(*text));
    EXPECT_EQ(*text, "\xEF\xBF\xBD"
                     "b");
}

} // namespace
} // namespace fen
