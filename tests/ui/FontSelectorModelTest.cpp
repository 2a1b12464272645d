// The font editor's rules without a widget, on a catalogue of made-up families: how faces are
// named and sorted, which style survives a change of family, and what a loaded record writes.
#include "controls/FontSelectorModel.h"
#include "controls/FontSelectorLogic.h"
#include "platform/text/Font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace fen {
namespace {

struct FakeFace {
    std::string fontName;
    std::optional<std::string> at17; // the sub-family name when opened at 17 points
    std::optional<std::string> at1;  // ... and at 1 point
};

struct FakeFamily {
    std::vector<FakeFace> faces;
    std::optional<std::string> defaultStyle; // what opening the family's name gives
};

// Families listed in the catalogue's own order (without regard to case); a face opens by its
// font name, a family by its name; anything else does not open.
class FakeCatalog : public FontSelectorCatalog {
public:
    std::map<std::string, FakeFamily> families;

    std::vector<std::string> familyNames() const override {
        std::vector<std::string> names;
        for (const auto& [name, family] : families) {
            names.push_back(name);
        }
        std::sort(names.begin(), names.end(), [](std::string a, std::string b) {
            std::transform(a.begin(), a.end(), a.begin(), ::tolower);
            std::transform(b.begin(), b.end(), b.begin(), ::tolower);
            return a < b;
        });
        return names;
    }
    std::vector<std::string> fontNames(std::string_view family) const override {
        std::vector<std::string> names;
        if (auto it = families.find(std::string(family)); it != families.end()) {
            for (const FakeFace& face : it->second.faces) {
                names.push_back(face.fontName);
            }
        }
        return names;
    }
    std::optional<std::string> subFamilyName(std::string_view name, double size) const override {
        for (const auto& [familyName, family] : families) {
            if (familyName == name) {
                return family.defaultStyle;
            }
            for (const FakeFace& face : family.faces) {
                if (face.fontName == name) {
                    return size == 17 ? face.at17 : face.at1;
                }
            }
        }
        return std::nullopt;
    }
};

// A family whose faces carry the same sub-family name at every size.
FakeFamily family(const std::string& name, std::vector<std::string> styles,
                  std::optional<std::string> defaultStyle) {
    FakeFamily result{{}, std::move(defaultStyle)};
    for (const std::string& style : styles) {
        result.faces.push_back({name + "-" + style, style, style});
    }
    return result;
}

FakeCatalog catalog() {
    FakeCatalog c;
    c.families["Helvetica Neue"] =
        family("HelveticaNeue", {"Regular", "Bold", "Italic"}, "Regular");
    c.families["Serif Sans"] = family("SerifSans", {"Book", "Bold", "BOLD ITALIC"}, "Regular");
    c.families["No Regular"] = family("NoRegular", {"Light", "Bold"}, "Regular");
    c.families["Shouting"] = family("Shouting", {"Black", "BOOK"}, "BOOK");
    c.families["Plain"] = family("Plain", {"Light", "Regular"}, "Regular");
    return c;
}

std::vector<std::string> shownStyles(const FontSelectorModel& model) {
    std::vector<std::string> names;
    for (const FontsInFamily& face : model.fontStylesToDisplay()) {
        names.push_back(styleName(model.catalog(), face.fontname));
    }
    return names;
}

TEST(FontSelectorModel, ANewModelHoldsTheDefaultFamilyItsDefaultStyleAndTheBodySize) {
    FakeCatalog fake = catalog();
    FontSelectorModel model(fake);
    EXPECT_EQ(model.selectedFont(), "Helvetica Neue");
    EXPECT_EQ(model.selectedStyle(), "Regular");
    EXPECT_EQ(shownStyles(model), (std::vector<std::string>{"Bold", "Italic", "Regular"}));
    EXPECT_EQ(model.minFontSize(), 8);
    EXPECT_EQ(model.maxFontSize(), 288);
    EXPECT_EQ(model.fontSizeValue(), 17);

    // A default face without a sub-family name is called "Regular".
    fake.families["Helvetica Neue"].defaultStyle.reset();
    EXPECT_EQ(FontSelectorModel(fake).selectedStyle(), "Regular");
}

TEST(FontSelectorModel, StyleNamesAreCapitalisedWordByWordWithTheirFallbacks) {
    FakeCatalog fake;
    fake.families["F"] = {{{"F-UltraLight", "UltraLight", "UltraLight"},
                           {"F-Loud", "BOLD ITALIC", "BOLD ITALIC"},
                           {"F-Small", std::nullopt, "condensed black"},
                           {"F-None", std::nullopt, std::nullopt}},
                          "UltraLight"};
    const struct {
        const char* name;
        const char* shown;
    } cases[] = {
        {"F-UltraLight", "Ultralight"}, {"F-Loud", "Bold Italic"},
        {"F-Small", "Condensed Black"}, // at 1 point when 17 gives none
        {"F-None", "Regular"},          // no name at any size
        {"Missing", "Regular"},         // does not open
    };
    for (const auto& c : cases) {
        EXPECT_EQ(styleName(fake, c.name), c.shown) << c.name;
    }
    // The default face's style is taken as the catalogue gives it, not re-cased.
    EXPECT_EQ(faceStyleName(fake, "F"), "UltraLight");
    EXPECT_EQ(faceStyleName(fake, "Missing"), "Regular");
}

TEST(FontSelectorModel, FacesAreSortedByShownNameInCodePointOrderAfterNormalisation) {
    FakeCatalog fake;
    // "Étroit" with a combining accent sorts as the composed É (after Z), not as E.
    fake.families["F"] = family("F", {"Regular", "Zed", "E\xCC\x81troit", "Bold", "Italic"}, {});
    std::vector<std::string> shown;
    for (const FontsInFamily& face : fontsInFamily(fake, "F")) {
        shown.push_back(styleName(fake, face.fontname));
    }
    EXPECT_EQ(shown,
              (std::vector<std::string>{"Bold", "Italic", "Regular", "Zed", "E\xCC\x81troit"}));

    // Faces of the same shown name keep the catalogue's order.
    fake.families["G"] = {{{"G-b", "bold", "bold"}, {"G-a", "BOLD", "BOLD"}, {"G-c", "Bold", ""}},
                          {}};
    std::vector<std::string> order;
    for (const FontsInFamily& face : fontsInFamily(fake, "G")) {
        order.push_back(face.fontname);
        EXPECT_EQ(face.id.size(), 36u);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"G-b", "G-a", "G-c"}));
}

TEST(FontSelectorModel, TheFamilyMenuListsEachFamilyOnceInCodePointOrder) {
    FakeCatalog fake;
    for (const char* name : {"beta", "Alpha", "Zulu", "alpha"}) {
        fake.families[name] = family(name, {"Regular"}, "Regular");
    }
    EXPECT_EQ(fake.familyNames(), (std::vector<std::string>{"Alpha", "alpha", "beta", "Zulu"}));
    EXPECT_EQ(familyMenuNames(fake), (std::vector<std::string>{"Alpha", "Zulu", "alpha", "beta"}));
}

TEST(FontSelectorModel, ChangingTheFamilyKeepsAValidStyle) {
    const struct {
        const char* style;
        const char* family;
        const char* expected;
        const char* why;
    } cases[] = {
        {"Bold", "Serif Sans", "Bold", "the family has a face shown as Bold"},
        {"Bold", "Plain", "Regular", "no Bold, and the default face is called Regular"},
        {"Bold", "Shouting", "Black", "the default face's BOOK is shown re-cased: the first face"},
        {"Italic", "No Regular", "Bold", "no face carries the default face's name: the first"},
        {"Italic", "Helvetica Neue", "Italic", "the same family again"},
    };
    FakeCatalog fake = catalog();
    for (const auto& c : cases) {
        FontSelectorModel model(fake);
        model.setSelectedStyle(c.style);
        model.setSelectedFont(c.family);
        EXPECT_EQ(model.selectedStyle(), c.expected) << c.why;
        EXPECT_EQ(model.validatedStyle(c.expected), c.expected);
    }
}

TEST(FontSelectorModel, SettingTheFamilyAgainRebuildsTheFacesAndAnUnknownOneEmptiesThem) {
    FakeCatalog fake = catalog();
    FontSelectorModel model(fake);
    int announced = 0;
    Connection counting = model.changed.connect([&announced] { ++announced; });
    const auto before = model.fontStylesToDisplay();
    model.setSelectedFont("Helvetica Neue");
    ASSERT_EQ(model.fontStylesToDisplay().size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(model.fontStylesToDisplay()[i].fontname, before[i].fontname);
        EXPECT_NE(model.fontStylesToDisplay()[i].id, before[i].id);
    }
    EXPECT_EQ(announced, 1);

    model.setSelectedStyle("Italic");
    model.setSelectedFont("Not Installed");
    EXPECT_TRUE(model.fontStylesToDisplay().empty());
    EXPECT_EQ(model.selectedStyle(), "Italic");
    EXPECT_EQ(announced, 3);
}

// The editor: a record in, the writes out.
struct Editor {
    FakeCatalog fake = catalog();
    FontSelectorLogic logic{fake};
    std::vector<FontSetting> writes;
    Connection counting =
        logic.fontEdited.connect([this](const FontSetting& f) { writes.push_back(f); });
};

TEST(FontSelectorLogic, ANewEditorGivenAnEmptyRecordFillsItsRowsAndWritesNothing) {
    Editor editor;
    editor.logic.loadFontSetting({"", "", 0});
    EXPECT_TRUE(editor.writes.empty());
    EXPECT_EQ(editor.logic.modelSetting(), (FontSetting{"Helvetica Neue", "Regular", 17}));
    EXPECT_EQ(editor.logic.font(), (FontSetting{"", "", 0}));
}

TEST(FontSelectorLogic, ALoadedRecordIsAppliedWholeAndWritesNothingBack) {
    Editor editor;
    const FontSetting loaded{"Serif Sans", "Bold Italic", 40};
    editor.logic.loadFontSetting(loaded);
    EXPECT_TRUE(editor.writes.empty());
    EXPECT_EQ(editor.logic.modelSetting(), loaded);

    // A style the family does not offer stays in the model and the record.
    editor.logic.loadFontSetting({"No Regular", "Black", 12});
    EXPECT_TRUE(editor.writes.empty());
    EXPECT_EQ(editor.logic.model().selectedStyle(), "Black");
    EXPECT_EQ(shownStyles(editor.logic.model()), (std::vector<std::string>{"Bold", "Light"}));

    // A family the catalogue does not know: no faces, nothing written.
    editor.logic.loadFontSetting({"Gone", "Bold", 12});
    EXPECT_TRUE(editor.writes.empty());
    EXPECT_TRUE(editor.logic.model().fontStylesToDisplay().empty());

    // Loading then editing one field writes a record that keeps every loaded field.
    editor.logic.loadFontSetting(loaded);
    editor.logic.chooseSize(41);
    ASSERT_EQ(editor.writes.size(), 1u);
    EXPECT_EQ(editor.writes[0], (FontSetting{"Serif Sans", "Bold Italic", 41}));
}

TEST(FontSelectorLogic, AReplacedEmptyValueIsWrittenOnlyWhenItChangesWhatTheModelHeld) {
    const struct {
        FontSetting held;
        FontSetting loaded;
        std::optional<FontSetting> written;
    } cases[] = {
        // The model held the replacements already.
        {{"Helvetica Neue", "Regular", 17}, {"", "Regular", 17}, std::nullopt},
        {{"Helvetica Neue", "Regular", 17}, {"Helvetica Neue", "", 0}, std::nullopt},
        // An empty style becomes the family's default face's style.
        {{"Helvetica Neue", "Regular", 17},
         {"Serif Sans", "", 20},
         FontSetting{"Serif Sans", "Regular", 20}},
        // The model held something else: the replacement is written whole.
        {{"Serif Sans", "Book", 30}, {"", "", 0}, FontSetting{"Helvetica Neue", "Regular", 17}},
        {{"Serif Sans", "Book", 30},
         {"Serif Sans", "Book", 0},
         FontSetting{"Serif Sans", "Book", 17}},
    };
    for (const auto& c : cases) {
        Editor editor;
        editor.logic.loadFontSetting(c.held);
        editor.writes.clear();
        editor.logic.loadFontSetting(c.loaded);
        if (c.written) {
            ASSERT_EQ(editor.writes.size(), 1u) << c.loaded.familyname;
            EXPECT_EQ(editor.writes[0], *c.written);
            EXPECT_EQ(editor.logic.font(), *c.written);
        } else {
            EXPECT_TRUE(editor.writes.empty()) << c.loaded.familyname;
        }
    }
}

TEST(FontSelectorLogic, ChoosingAFamilyWritesItWithTheStyleItKeepsOrGets) {
    Editor editor;
    editor.logic.loadFontSetting({"Helvetica Neue", "Bold", 20});
    editor.logic.chooseFamily("Serif Sans");
    editor.logic.chooseFamily("Shouting");
    editor.logic.chooseStyle("Book");
    editor.logic.chooseStyle("Book"); // what the record holds already: no write
    const std::vector<FontSetting> expected = {
        {"Serif Sans", "Bold", 20}, {"Shouting", "Black", 20}, {"Shouting", "Book", 20}};
    EXPECT_EQ(editor.writes, expected);

    // The record's echo comes back as a load and writes nothing more.
    editor.logic.loadFontSetting(editor.writes.back());
    EXPECT_EQ(editor.writes.size(), 3u);
}

TEST(FontSelectorLogic, ALoadThatChangesOnlyTheSizeKeepsFamilyAndStyleAndRebuildsTheFaces) {
    Editor editor;
    editor.logic.loadFontSetting({"Serif Sans", "Book", 20});
    const auto faces = editor.logic.model().fontStylesToDisplay();
    editor.logic.loadFontSetting({"Serif Sans", "Book", 64});
    EXPECT_EQ(editor.logic.modelSetting(), (FontSetting{"Serif Sans", "Book", 64}));
    EXPECT_NE(editor.logic.model().fontStylesToDisplay(), faces);
    EXPECT_TRUE(editor.writes.empty());
}

TEST(FontSelectorModel, TheInstalledCatalogueOffersHelveticaNeueWithNimbusSansFaces) {
    InstalledFontCatalog installed;
    const auto families = familyMenuNames(installed);
    EXPECT_TRUE(std::is_sorted(families.begin(), families.end()));
    EXPECT_EQ(std::adjacent_find(families.begin(), families.end()), families.end());
    for (const char* name : {"Helvetica Neue", "Nimbus Sans"}) {
        EXPECT_EQ(std::count(families.begin(), families.end(), name), 1) << name;
    }
    FontSelectorModel model(installed);
    EXPECT_EQ(model.selectedStyle(), "Regular");
    const auto shown = shownStyles(model);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Bold"), shown.end());
    model.setSelectedStyle("Bold");
    model.setSelectedFont("Nimbus Sans");
    EXPECT_EQ(model.selectedStyle(), "Bold");
}

TEST(FontSelectorModel, TheInstalledCatalogueAnswersEachNameAndSizeAsTheTextLayerDoes) {
    // Asked in turn and again, each face at each size keeps its own answer; a name that opens
    // no font has none, the first time and the next.
    InstalledFontCatalog installed;
    std::vector<std::pair<std::string, double>> asks;
    for (const std::string& name : installed.fontNames("Nimbus Sans")) {
        asks.emplace_back(name, 17);
        asks.emplace_back(name, 1);
    }
    ASSERT_GE(asks.size(), 4u);
    asks.emplace_back("No Such Font Bold", 17);
    for (int round = 0; round < 2; ++round) {
        for (const auto& [name, size] : asks) {
            const auto font = text::Font::named(name, size);
            const std::optional<std::string> expected = font && !font->styleName().empty()
                                                            ? std::optional(font->styleName())
                                                            : std::nullopt;
            EXPECT_EQ(installed.subFamilyName(name, size), expected) << name << " " << size;
        }
    }
    EXPECT_EQ(installed.subFamilyName("No Such Font Bold", 17), std::nullopt);
    EXPECT_NE(installed.subFamilyName(asks[0].first, 17),
              installed.subFamilyName(asks[2].first, 17));
}

} // namespace
} // namespace fen
