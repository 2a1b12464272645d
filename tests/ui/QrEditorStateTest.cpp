// The QR code editor's rules without a widget: storing on a field-wise difference, the name rule,
// the type switch that keeps every field, the colours' six-digit form, dates confirmed in a
// calendar, an identifier no longer stored, the forms' rows and the list's steps.
#include "panels/QrEditorState.h"
#include "model/StartOfToday.h"
#include "storage/FenDatabaseManager.h"
#include "storage/QRCodeDBModel.h"

#include <gtest/gtest.h>

#include <functional>

namespace fen {
namespace {

void clearStoredCodes() {
    for (const QRCodeStructure& code : FenDatabaseManager::loadQRCodes()) {
        FenDatabaseManager::removeQRCode(code.id);
    }
}

// One stored code and an editor over it that counts its stores.
struct Editor {
    QRCodeDBModel model;
    QRCodeStructure stored;
    std::unique_ptr<QrEditorState> state;
    int stores = 0;
    Connection counting;

    explicit Editor(QRCodeStructure code) : stored(std::move(code)) {
        clearStoredCodes();
        FenDatabaseManager::addQRCode(stored);
        model.loadOptions();
        state = std::make_unique<QrEditorState>(model, stored);
        counting = state->changed.connect([this] { ++stores; });
    }

    QRCodeStructure fromStore() const {
        for (const QRCodeStructure& code : FenDatabaseManager::loadQRCodes()) {
            if (code.id == stored.id) {
                return code;
            }
        }
        ADD_FAILURE() << "not stored";
        return {};
    }
};

QRCodeStructure newCode(const std::string& name) {
    QRCodeStructure code;
    code.itemname = name;
    return code;
}

TEST(QrEditorState, OpeningRewritesHashColoursOnceAndSixDigitColoursNever) {
    struct Case {
        std::string background, foreground;
        std::string storedBackground, storedForeground;
        int stores;
    };
    const std::vector<Case> cases = {
        {"#FFFFFF", "#000000", "FFFFFF", "000000", 1}, // as a new code is stored
        {"FFCCCC", "000044", "FFCCCC", "000044", 0},
        {"#ffcc00", "#fc0", "FFCC00", "FFCC00", 1}, // lower case, three digits
        // One colour that cannot be read gives the new code's pair: black on black is never
        // kept (a black ground with an unreadable foreground), nor white on white.
        {"#000000", "12ab", "FFFFFF", "000000", 1},
        {"#12345", "#FFF", "FFFFFF", "000000", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.background + " " + c.foreground);
        QRCodeStructure code = newCode("Colours");
        code.backgroundColor = c.background;
        code.foregroundColor = c.foreground;
        Editor editor(code);
        editor.state->openColours();
        EXPECT_EQ(editor.stores, c.stores);
        EXPECT_EQ(editor.fromStore().backgroundColor, c.storedBackground);
        EXPECT_EQ(editor.fromStore().foregroundColor, c.storedForeground);
        // Opening the stored code again stores nothing.
        QrEditorState again(editor.model, editor.fromStore());
        int stores = 0;
        Connection counting = again.changed.connect([&] { ++stores; });
        again.openColours();
        EXPECT_EQ(stores, 0);
    }
}

TEST(QrEditorState, TheWellsStoreTheRgbOfTheirColourAsSixUpperCaseDigits) {
    Editor editor(newCode("Wells"));
    editor.state->openColours();
    editor.stores = 0;
    EXPECT_TRUE(editor.state->setForegroundColor(gfx::Color{1, 0.5, 0, 0.25}));
    EXPECT_EQ(editor.fromStore().foregroundColor, "FF8000");
    EXPECT_TRUE(editor.state->setBackgroundColor(gfx::Color{0, 0, 1, 1}));
    EXPECT_EQ(editor.fromStore().backgroundColor, "0000FF");
    // The same colour with another opacity is no change.
    EXPECT_FALSE(editor.state->setBackgroundColor(gfx::Color{0, 0, 1, 0.5}));
    EXPECT_EQ(editor.stores, 2);
}

TEST(QrEditorState, ANameIsStoredAsTypedAndAnEmptyOneBringsBackTheStoredName) {
    struct Case {
        std::string typed, shown, stored;
        int stores;
    };
    const std::vector<Case> cases = {
        {"Site", "Site", "Site", 1},
        {"  Site  ", "  Site  ", "  Site  ", 1}, // no trimming
        {"", "Old", "Old", 0},
        {"Old", "Old", "Old", 0}, // the same name stores nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.typed + "'");
        Editor editor(newCode("Old"));
        EXPECT_EQ(editor.state->commitName(c.typed), c.shown);
        EXPECT_EQ(editor.fromStore().itemname, c.stored);
        EXPECT_EQ(editor.stores, c.stores);
        // The option list follows the stored name.
        EXPECT_EQ(editor.model.options().back().title, c.stored);
    }
}

TEST(QrEditorState, SwitchingTheTypeKeepsTheFieldsOfEveryType) {
    QRCodeStructure code = newCode("Switch");
    code.contact_name = "Ada";
    code.contact_tel = "+44 1";
    Editor editor(code);
    EXPECT_TRUE(editor.state->setType(QRCodeTypes::link));
    EXPECT_TRUE(editor.state->commitText(QrTextKey::url_url, "example.org"));
    EXPECT_EQ(editor.state->payload(), "https://example.org");
    EXPECT_TRUE(editor.state->setType(QRCodeTypes::people));
    const QRCodeStructure stored = editor.fromStore();
    EXPECT_EQ(stored.type, QRCodeTypes::people);
    EXPECT_EQ(stored.contact_name, "Ada");
    EXPECT_EQ(stored.contact_tel, "+44 1");
    EXPECT_EQ(stored.url_url, "example.org");
    EXPECT_FALSE(editor.state->setType(QRCodeTypes::people));
    EXPECT_EQ(editor.stores, 3);
}

TEST(QrEditorState, ACommittedTextReplacesItsKeyAloneAndAnUnchangedOneStoresNothing) {
    const std::vector<std::pair<QrTextKey, std::string QRCodeStructure::*>> keys = {
        {QrTextKey::contact_name, &QRCodeStructure::contact_name},
        {QrTextKey::contact_tel, &QRCodeStructure::contact_tel},
        {QrTextKey::contact_email, &QRCodeStructure::contact_email},
        {QrTextKey::contact_url, &QRCodeStructure::contact_url},
        {QrTextKey::url_url, &QRCodeStructure::url_url},
        {QrTextKey::text_text, &QRCodeStructure::text_text},
        {QrTextKey::email_email, &QRCodeStructure::email_email},
        {QrTextKey::email_subject, &QRCodeStructure::email_subject},
        {QrTextKey::email_body, &QRCodeStructure::email_body},
        {QrTextKey::calendar_title, &QRCodeStructure::calendar_title},
    };
    for (const auto& [key, member] : keys) {
        QRCodeStructure code = newCode("Fields");
        code.*member = "before";
        Editor editor(code);
        EXPECT_FALSE(editor.state->commitText(key, "before"));
        EXPECT_TRUE(editor.state->commitText(key, " two\nlines "));
        QRCodeStructure expected = code;
        expected.*member = " two\nlines ";
        EXPECT_EQ(editor.fromStore(), expected);
        EXPECT_EQ(qrText(editor.fromStore(), key), " two\nlines ");
        // An empty text is written as empty.
        EXPECT_TRUE(editor.state->commitText(key, ""));
        EXPECT_EQ(editor.fromStore().*member, "");
        EXPECT_EQ(editor.stores, 2);
    }
}

TEST(QrEditorState, AConfirmedDayIsStoredEvenWhenItIsTheDayTheFormShowed) {
    Editor editor(newCode("Event"));
    EXPECT_TRUE(editor.state->setType(QRCodeTypes::dates));
    const Date today = startOfToday();
    // Without stored dates the form shows none, and there is no payload.
    EXPECT_FALSE(qrDateShown(editor.state->qrcode(), QrDateKey::from));
    EXPECT_EQ(editor.state->payload(), "");
    EXPECT_TRUE(editor.state->commitDate(QrDateKey::from, today));
    EXPECT_EQ(editor.fromStore().calendar_fromDate, std::optional<Date>(today));
    EXPECT_FALSE(editor.fromStore().calendar_toDate.has_value());
    EXPECT_NE(editor.state->payload(), "");
    // The same day again is no change.
    EXPECT_FALSE(editor.state->commitDate(QrDateKey::from, today));
    const Date later{today.secondsSinceReferenceDate + 2 * 86400};
    EXPECT_TRUE(editor.state->commitDate(QrDateKey::to, later));
    EXPECT_EQ(qrDateShown(editor.fromStore(), QrDateKey::to), std::optional<Date>(later));
}

TEST(QrEditorState, ACodeNoLongerStoredIsEditedInMemoryOnly) {
    Editor editor(newCode("Gone"));
    editor.state->remove();
    EXPECT_TRUE(FenDatabaseManager::loadQRCodes().empty());
    EXPECT_EQ(editor.model.options().size(), 1u);
    EXPECT_EQ(editor.state->commitName("Back"), "Back");
    EXPECT_EQ(editor.state->qrcode().itemname, "Back");
    EXPECT_TRUE(FenDatabaseManager::loadQRCodes().empty());
}

TEST(QrEditorState, EditsOfOneCodeInTwoWindowsKeepEachOthersFields) {
    Editor first(newCode("Site"));
    // The second window opened the same code before the first one's edits.
    QRCodeDBModel otherModel;
    QrEditorState second(otherModel, first.stored);
    const struct {
        const char* name;
        std::function<void()> firstEdit, secondEdit;
        std::function<void(const QRCodeStructure&)> check;
    } steps[] = {
        {"a text, then the name",
         [&] { first.state->commitText(QrTextKey::url_url, "example.org"); },
         [&] { second.commitName("Harrowcote"); },
         [](const QRCodeStructure& code) {
             EXPECT_EQ(code.url_url, "example.org");
             EXPECT_EQ(code.itemname, "Harrowcote");
         }},
        {"the type, then a colour", [&] { first.state->setType(QRCodeTypes::link); },
         [&] {
             second.setForegroundColor({0, 0, 1, 1});
         },
         [](const QRCodeStructure& code) {
             EXPECT_EQ(code.type, QRCodeTypes::link);
             EXPECT_EQ(code.foregroundColor, "0000FF");
             EXPECT_EQ(code.url_url, "example.org");
         }},
        {"a date, then the title", [&] { first.state->commitDate(QrDateKey::from, Date{86400}); },
         [&] { second.commitText(QrTextKey::calendar_title, "Fair"); },
         [](const QRCodeStructure& code) {
             EXPECT_EQ(code.calendar_fromDate, std::optional<Date>(Date{86400}));
             EXPECT_EQ(code.calendar_title, "Fair");
             EXPECT_EQ(code.itemname, "Harrowcote");
         }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.firstEdit();
        step.secondEdit();
        step.check(first.fromStore());
    }
    // Each editor still shows its own edits.
    EXPECT_EQ(second.qrcode().url_url, "");
    EXPECT_EQ(first.state->qrcode().itemname, "Site");
}

TEST(QrEditorState, TheFormsRowsAndTheTypeTabsInOrder) {
    struct Case {
        QRCodeTypes type;
        std::vector<std::string> labels;
    };
    const std::vector<Case> cases = {
        {QRCodeTypes::people, {"Name", "Telephone", "Email", "URL"}},
        {QRCodeTypes::link, {"URL"}},
        {QRCodeTypes::text, {"Multiline Text"}},
        {QRCodeTypes::dates, {"From", "To", "Title"}},
        {QRCodeTypes::email, {"Email", "Subject", "Body"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> labels;
        for (const QrFormRow& row : qrFormRows(c.type)) {
            labels.push_back(row.label);
            // Only the free texts grow; the dates are pickers.
            EXPECT_EQ(row.kind == QrFormRow::Kind::multiline,
                      row.label == "Multiline Text" || row.label == "Body");
            EXPECT_EQ(row.kind == QrFormRow::Kind::date, row.label == "From" || row.label == "To");
        }
        EXPECT_EQ(labels, c.labels);
    }
    std::vector<std::string> titles;
    for (const QrTypeTab& tab : qrTypeTabs()) {
        titles.push_back(tab.title);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Contact", "Link", "Text", "Event", "E-mail"}));
}

TEST(QrList, AddingOpeningAndDeletingWorkOnTheStoreByIdentifier) {
    clearStoredCodes();
    QRCodeDBModel model;
    model.loadOptions();
    qrlist::add(model, "");
    EXPECT_TRUE(FenDatabaseManager::loadQRCodes().empty());
    qrlist::add(model, " Site ");
    ASSERT_EQ(model.options().size(), 2u);
    EXPECT_FALSE(qrlist::showsRow(model.options()[0]));
    EXPECT_TRUE(qrlist::showsRow(model.options()[1]));
    EXPECT_TRUE(qrlist::showsRow(SPAOptions{SPAOptions::kNoneID, "Called None"}));
    const std::string id = model.options()[1].id;
    EXPECT_EQ(qrlist::load(model, id).itemname, " Site ");
    // An identifier that is not stored opens a new default code, which cannot be stored.
    const QRCodeStructure unknown = qrlist::load(model, "NOT-STORED");
    EXPECT_NE(unknown.id, "NOT-STORED");
    EXPECT_EQ(unknown.type, QRCodeTypes::people);
    EXPECT_EQ(unknown.backgroundColor, "#FFFFFF");
    qrlist::remove(model, SPAOptions::kNoneID);
    EXPECT_EQ(FenDatabaseManager::loadQRCodes().size(), 1u);
    qrlist::remove(model, id);
    EXPECT_TRUE(FenDatabaseManager::loadQRCodes().empty());
    EXPECT_EQ(model.options().size(), 1u);
}

} // namespace
} // namespace fen
