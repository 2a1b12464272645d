#include "storage/OldSettingsValue.h"

#include "storage/OldSettingsTestSupport.h"
#include "storage/TextListImportDecoder.h"

#include <gtest/gtest.h>

namespace fen {

// Builds a tree libplist already holds, past the checks that come before libplist.
struct OldSettingsValueTestAccess {
    static bool builds(plist_t root) {
        OldSettingsValue value;
        OldSettingsValue::BuildState state{OldSettingsValue::maxValues, true};
        return OldSettingsValue::build(root, value, 0, state);
    }
};

namespace {

using namespace fen::test;
using Type = OldSettingsValue::Type;

// Typed reading of one list, written in either format.
TEST(OldSettingsValueTest, ReadsXmlAndBinaryPropertyLists) {
    const char* sample = R"({"text": "Gr\u00FC\u00DFe", "int": -2, "wholeReal": 3.0,
        "fraction": 12.5, "hugeReal": 1e300, "yes": true, "one": 1, "two": 2,
        "when": {"$date": 731332800}, "bytes": {"$data": "\u0000\u0001"},
        "list": ["a", 7], "nested": {"inner": 0.25}})";
    for (const std::string& bytes : {xml(pl(sample)), binary(pl(sample))}) {
        auto root = OldSettingsValue::parse(bytes);
        ASSERT_TRUE(root);
        ASSERT_EQ(root->type(), Type::dictionary);
        EXPECT_EQ(root->keys().size(), 12u);
        EXPECT_EQ(root->text("text"), "Gr\u00FC\u00DFe");
        // Whole numbers: integers, and reals without fraction within range.
        EXPECT_EQ(root->integer("int"), -2);
        EXPECT_EQ(root->integer("wholeReal"), 3);
        EXPECT_EQ(root->integer("fraction"), std::nullopt);
        EXPECT_EQ(root->integer("hugeReal"), std::nullopt);
        // Reals: any number. Truth values: booleans, and the numbers 0 and 1.
        EXPECT_EQ(root->real("int"), -2.0);
        EXPECT_EQ(root->real("fraction"), 12.5);
        EXPECT_EQ(root->truth("yes"), true);
        EXPECT_EQ(root->truth("one"), true);
        EXPECT_EQ(root->truth("two"), std::nullopt);
        EXPECT_EQ(root->date("when"), Date{731332800});
        EXPECT_EQ(root->member("bytes")->type(), Type::data);
        // Values of another type, and missing keys, read as nothing.
        EXPECT_EQ(root->text("int"), std::nullopt);
        EXPECT_EQ(root->integer("text"), std::nullopt);
        EXPECT_EQ(root->real("yes"), std::nullopt);
        EXPECT_EQ(root->date("int"), std::nullopt);
        EXPECT_EQ(root->text("missing"), std::nullopt);
        EXPECT_EQ(root->array(), nullptr);
        const auto* list = root->member("list")->array();
        ASSERT_TRUE(list && list->size() == 2u);
        EXPECT_EQ((*list)[0].text(), "a");
        EXPECT_EQ((*list)[1].integer(), 7);
        EXPECT_EQ((*list)[1].member("x"), nullptr);
        EXPECT_EQ(root->member("nested")->real("inner"), 0.25);
    }
}

TEST(OldSettingsValueTest, RejectsWhatIsNoPropertyList) {
    std::string text = xml(pl(R"({"a": [1, 2, 3], "b": "text"})"));
    std::string deep = std::string(OldSettingsValue::maxDepth + 1, '[') + "\"bottom\"" +
                       std::string(OldSettingsValue::maxDepth + 1, ']');
    for (const std::string& bytes :
         {std::string(), std::string("not a property list"), std::string("bplist00"),
          text.substr(0, text.size() / 2), binary(pl(Json::parse(deep)))}) {
        EXPECT_FALSE(OldSettingsValue::parse(bytes)) << bytes;
    }
    // A root of another type still parses; the caller decides.
    auto array = OldSettingsValue::parse(xml(pl("[1]")));
    ASSERT_TRUE(array);
    EXPECT_EQ(array->type(), Type::array);
}

// A file is read within bounds on its size, depth and the values it expands to, checked before
// libplist reads it: a binary list that refers to one object from many places, or to itself, is
// refused before it is expanded, one whose tables cannot be walked is not read at all, and an XML
// list nested too deep is refused before libplist builds (and, by recursion, frees) its tree.
TEST(OldSettingsValueTest, ListsBeyondTheBoundsAreRefusedWithTheReason) {
    const int depth = OldSettingsValue::maxDepth;
    std::string trues;
    for (int i = 0; i < 1000; ++i) {
        trues += "<true/>";
    }
    const std::string xmlArray = "<plist><array>" + trues + "</array></plist>";
    struct Case {
        const char* name;
        std::string bytes;
        std::string problem; // empty: read
        size_t arrays = 0;   // the arrays read, counted from the top down
        size_t valueLimit = OldSettingsValue::maxValues;
    };
    const Case cases[] = {
        {"chain at the depth bound", binaryChain(depth), "", size_t(depth)},
        {"chain one deeper", binaryChain(depth + 1), "nested deeper than 256 levels"},
        {"chain 100,000 deep", binaryChain(100000), "nested deeper than 256 levels"},
        {"shared within the bound", binaryFan(300, 2), "", 301},
        {"shared 300 four levels", binaryFan(300, 4), "more than 1000000 values once expanded"},
        {"itself", binaryGraph({{0, 0}}), "nested deeper than 256 levels"},
        {"reference past the table", binaryGraph({{7}}), "not a readable property list"},
        // Widths libplist reads as their last 8 bytes: the file would expand to 2^20 texts.
        {"references 9 bytes wide", binaryFan(2, 20, 9, 4), "not a readable property list"},
        {"offsets 16 bytes wide", binaryFan(2, 20, 4, 16), "not a readable property list"},
        {"XML within a bound of values", xmlArray, "", 1, 1001},
        {"XML beyond it", xmlArray, "more than 1000 values", 0, 1000},
        // The top dictionary is one level: its arrays' text lies one deeper than their count.
        {"XML arrays at the depth bound", xmlNest("<array>", "</array>", depth - 1), "",
         size_t(depth - 1)},
        {"XML arrays one deeper", xmlNest("<array>", "</array>", depth),
         "nested deeper than 256 levels"},
        {"XML arrays 150,000 deep", xmlNest("<array>", "</array>", 150000),
         "nested deeper than 256 levels"},
        {"XML arrays 200,000 deep", xmlNest("<array>", "</array>", 200000),
         "nested deeper than 256 levels"},
        {"XML dictionaries 150,000 deep", xmlNest("<dict><key>k</key>", "</dict>", 150000),
         "nested deeper than 256 levels"},
        {"XML dictionaries 200,000 deep", xmlNest("<dict><key>k</key>", "</dict>", 200000),
         "nested deeper than 256 levels"},
        // A <plist> element holds no value; markup in comments and CDATA sections is text.
        {"XML at the depth bound with plist elements between",
         xmlNest("<array><plist>", "</plist></array>", depth - 1), "", size_t(depth - 1)},
        {"XML markup in a comment and a CDATA section",
         "<plist><array><!--" + std::string(1000, '<') + "<array>--><string><![CDATA[" +
             xmlNest("<array>", "</array>", 300) + "]]></string></array></plist>",
         "", 1},
        {"too large", std::string(OldSettingsValue::maxBytes + 1, ' '),
         "larger than 33554432 bytes"},
    };
    for (const Case& c : cases) {
        OldSettingsValue::Parsed parsed = OldSettingsValue::read(c.bytes, c.valueLimit);
        EXPECT_EQ(parsed.problem, c.problem) << c.name;
        EXPECT_EQ(parsed.value.has_value(), c.problem.empty()) << c.name;
        size_t arrays = 0;
        std::vector<const OldSettingsValue*> open;
        if (parsed.value) {
            open.push_back(&*parsed.value);
        }
        while (!open.empty()) {
            const OldSettingsValue* value = open.back();
            open.pop_back();
            if (const auto* items = value->array()) {
                ++arrays;
                for (const OldSettingsValue& item : *items) {
                    open.push_back(&item);
                }
            }
            for (const OldSettingsValue& member : value->values()) {
                open.push_back(&member);
            }
        }
        EXPECT_EQ(arrays, c.arrays) << c.name;
    }
}

// The builder keeps its own depth bound, should a tree ever reach it nested deeper than the checks
// before libplist allow: `levels` arrays down to a text are built up to the bound.
TEST(OldSettingsValueTest, TheBuilderRefusesATreeNestedPastTheBound) {
    for (int levels : {OldSettingsValue::maxDepth, OldSettingsValue::maxDepth + 1}) {
        plist_t root = plist_new_array();
        plist_t innermost = root;
        for (int i = 1; i < levels; ++i) {
            plist_t next = plist_new_array();
            plist_array_append_item(innermost, next);
            innermost = next;
        }
        plist_array_append_item(innermost, plist_new_string("x"));
        EXPECT_EQ(OldSettingsValueTestAccess::builds(root), levels <= OldSettingsValue::maxDepth)
            << levels;
        plist_free(root);
    }
}

// libplist accepts binary lists whose dictionary keys are no text, or hold a NUL, but aborts when
// such a key is read through its iterator or key getter.
TEST(OldSettingsValueTest, CorruptKeysInBinaryListsAreReadWithoutLibplistsAborts) {
    // The one-letter key "k" (marker 0x51) turned into the integer 107: the list is unreadable.
    std::string bytes = binary(pl(R"({"k": "value"})"));
    size_t at = bytes.find("\x51k");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = '\x10';
    EXPECT_FALSE(OldSettingsValue::parse(bytes));
    // NULs inside keys: an ASCII key reads as far as libplist keeps it, a UTF-16 key whole.
    bytes = binary(pl(R"({"aXb": "cXd", "\u00E9X": 1})"));
    for (at = bytes.find('X'); at != std::string::npos; at = bytes.find('X', at)) {
        bytes[at] = '\0';
    }
    auto value = OldSettingsValue::parse(bytes);
    ASSERT_TRUE(value);
    ASSERT_EQ(value->keys().size(), 2u);
    EXPECT_EQ(value->keys()[0].substr(0, 1), "a");
    EXPECT_EQ(value->keys()[1], std::string("\u00E9\0", 3));
    EXPECT_EQ(value->integer(value->keys()[1]), 1);
    EXPECT_EQ(value->text(value->keys()[0]).value_or("").substr(0, 1), "c");
}

TEST(OldSettingsValueTest, TextsAreAlwaysValidUtf8) {
    // A binary property list may hold 8-bit "ASCII" strings that are no UTF-8.
    std::string bytes = binary(pl(R"({"k": "ab"})"));
    size_t at = bytes.find("ab");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = '\xFF';
    auto value = OldSettingsValue::parse(bytes);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->text("k"), "\uFFFD"
                                "b");
}

} // namespace
} // namespace fen
