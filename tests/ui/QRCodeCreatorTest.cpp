// The QR code creator's widgets: the list of stored codes in its sheet (placeholder, adding by
// name, deleting the row shown, "Done"), the editor of one code (committing a field alone on
// Return or a change of focus, the type tabs, the preview, the wells, "Delete") and its five
// data-entry forms.
#include "controls/ButtonStyles.h"
#include "controls/CustomSegmentedPickerView.h"
#include "controls/DFColorWell.h"
#include "controls/DateSelectorPicker.h"
#include "controls/FenGenerticNoDataInList.h"
#include "controls/SheetButtonModifiers.h"
#include "controls/TextInputs.h"
#include "model/StartOfToday.h"
#include "panels/QRCodeCreatorDetails.h"
#include "panels/QRCodeCreatorDetailsForm.h"
#include "panels/QRCodeCreatorListView.h"
#include "storage/FenDatabaseManager.h"
#include "storage/QRCodeDBModel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

namespace fen {
namespace {

void clearStoredCodes() {
    for (const QRCodeStructure& code : FenDatabaseManager::loadQRCodes()) {
        FenDatabaseManager::removeQRCode(code.id);
    }
}

std::optional<QRCodeStructure> storedCode(const std::string& id) {
    for (const QRCodeStructure& code : FenDatabaseManager::loadQRCodes()) {
        if (code.id == id) {
            return code;
        }
    }
    return std::nullopt;
}

std::vector<std::string> rowNames(const QRCodeCreatorListView& list) {
    std::vector<std::string> names;
    for (QAbstractButton* row : list.rows()) {
        names.push_back(row->accessibleName().toStdString());
    }
    return names;
}

// A window holding the list, shown and active, so focus changes happen as for the user.
struct ListWindow {
    QRCodeDBModel model;
    QMainWindow window;
    QRCodeCreatorListView* list;

    ListWindow() {
        list = new QRCodeCreatorListView(model);
        window.setCentralWidget(list);
        window.resize(760, 600);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void addByName(const QString& name) {
        QLineEdit* field = list->field()->lineEdit();
        field->setFocus();
        QTest::keyClicks(field, name);
        QTest::keyClick(field, Qt::Key_Return);
    }

    // Opens the editor of the row named `name`.
    QRCodeCreatorDetails* open(const std::string& name) {
        for (QAbstractButton* row : list->rows()) {
            if (row->accessibleName().toStdString() == name) {
                QTest::mouseClick(row, Qt::LeftButton);
                return list->editor();
            }
        }
        return nullptr;
    }
};

TEST(QRCodeCreatorListView, AnEmptyListShowsItsPlaceholderUntilACodeIsAddedByName) {
    clearStoredCodes();
    ListWindow w;
    EXPECT_TRUE(w.list->rows().empty());
    ASSERT_NE(w.list->placeholder(), nullptr);
    EXPECT_TRUE(w.list->placeholder()->isVisible());
    EXPECT_EQ(w.list->placeholder()->imagename(), "qrcode");

    // An empty name adds nothing; the field is emptied either way.
    w.addByName("");
    EXPECT_TRUE(FenDatabaseManager::loadQRCodes().empty());
    w.addByName("Site");
    EXPECT_EQ(w.list->field()->text(), "");
    EXPECT_EQ(rowNames(*w.list), std::vector<std::string>{"Site"});
    EXPECT_FALSE(w.list->placeholder()->isVisible());
    const std::vector<QRCodeStructure> stored = FenDatabaseManager::loadQRCodes();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].itemname, "Site");
    EXPECT_EQ(stored[0].type, QRCodeTypes::people);
    EXPECT_EQ(stored[0].backgroundColor, "#FFFFFF");
    EXPECT_EQ(stored[0].foregroundColor, "#000000");
}

TEST(QRCodeCreatorListView, OnlyTheContextMenuRemovesTheCodeOfTheRowShownNeverAKey) {
    clearStoredCodes();
    for (const char* name : {"A", "B", "C", "D"}) {
        QRCodeStructure code;
        code.itemname = name;
        FenDatabaseManager::addQRCode(code);
    }
    // A second entry under the identifier of "B" goes with it.
    QRCodeStructure twin = FenDatabaseManager::loadQRCodes()[1];
    twin.itemname = "B twin";
    FenDatabaseManager::addQRCode(twin);
    ListWindow w;
    ASSERT_EQ(rowNames(*w.list), (std::vector<std::string>{"A", "B", "C", "D", "B twin"}));

    // Delete and Backspace on a focused row delete nothing.
    QAbstractButton* rowB = w.list->rows()[1];
    rowB->setFocus();
    QTest::keyClick(rowB, Qt::Key_Delete);
    QTest::keyClick(rowB, Qt::Key_Backspace);
    EXPECT_EQ(FenDatabaseManager::loadQRCodes().size(), 5u);
    EXPECT_EQ(rowNames(*w.list), (std::vector<std::string>{"A", "B", "C", "D", "B twin"}));

    // Another window removed "A": the menu of the row of "B" still removes "B" (and its twin).
    FenDatabaseManager::removeQRCode(FenDatabaseManager::loadQRCodes()[0].id);
    ASSERT_EQ(rowB->actions().size(), 1);
    EXPECT_EQ(rowB->actions()[0]->text(), "Delete");
    rowB->actions()[0]->trigger();
    EXPECT_EQ(rowNames(*w.list), (std::vector<std::string>{"C", "D"}));

    for (QAbstractButton* row : w.list->rows()) {
        row->actions()[0]->trigger();
    }
    EXPECT_TRUE(FenDatabaseManager::loadQRCodes().empty());
    EXPECT_TRUE(w.list->rows().empty());
    EXPECT_TRUE(w.list->placeholder()->isVisible());
}

TEST(QRCodeCreatorListView, ARowOpensItsStoredCodeAndBackStoresTheNameBeingTyped) {
    clearStoredCodes();
    ListWindow w;
    w.addByName("Site");
    QRCodeCreatorDetails* editor = w.open("Site");
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    const std::string id = FenDatabaseManager::loadQRCodes()[0].id;
    EXPECT_EQ(editor->qrcode().id, id);
    EXPECT_EQ(editor->nameField()->text(), "Site");
    EXPECT_EQ(editor->nameField()->accessibleName(), "QR Code Name");

    QTest::keyClicks(editor->nameField(), " Map");
    EXPECT_EQ(storedCode(id)->itemname, "Site");
    QTest::mouseClick(w.list->backButton(), Qt::LeftButton);
    EXPECT_EQ(w.list->editor(), nullptr);
    EXPECT_EQ(storedCode(id)->itemname, "Site Map");
    EXPECT_EQ(rowNames(*w.list), std::vector<std::string>{"Site Map"});
}

TEST(QRCodeCreatorDetails, ALinkTypedWithReturnOrLeftUpdatesThePreviewAndTheStoredCode) {
    clearStoredCodes();
    ListWindow w;
    w.addByName("Site");
    QRCodeCreatorDetails* editor = w.open("Site");
    ASSERT_NE(editor, nullptr);
    const std::string id = editor->qrcode().id;
    // Opening rewrote the colours of the new code in six-digit form; its empty contact draws no
    // code.
    EXPECT_EQ(storedCode(id)->backgroundColor, "FFFFFF");
    EXPECT_EQ(storedCode(id)->foregroundColor, "000000");
    EXPECT_FALSE(editor->preview()->hasImage());

    auto* tabs = editor->selector();
    EXPECT_EQ(tabs->button(1)->accessibleName(), "Link");
    QTest::mouseClick(tabs->button(1), Qt::LeftButton);
    EXPECT_EQ(storedCode(id)->type, QRCodeTypes::link);
    auto* url = qobject_cast<QLineEdit*>(editor->form()->field("URL"));
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(url->accessibleName(), "URL");
    url->setFocus();
    QTest::keyClicks(url, "example.org/fenmoor");
    EXPECT_EQ(storedCode(id)->url_url, "");
    EXPECT_FALSE(editor->preview()->hasImage());
    const int renders = editor->previewRenders();
    QTest::keyClick(url, Qt::Key_Return);
    EXPECT_EQ(storedCode(id)->url_url, "example.org/fenmoor");
    EXPECT_EQ(editor->qrcode().qrPayloadString(), "https://example.org/fenmoor");
    EXPECT_TRUE(editor->preview()->hasImage());
    EXPECT_EQ(editor->previewRenders(), renders + 1);

    // Leaving the field commits as Return does.
    QTest::keyClicks(url, "/map");
    editor->nameField()->setFocus();
    EXPECT_EQ(storedCode(id)->url_url, "example.org/fenmoor/map");
    EXPECT_EQ(editor->previewRenders(), renders + 2);
}

// Where a form's field is found, what is typed into it, the key that must take it, and whether
// it is a growing field (Ctrl+Return submits; Return is a line break).
struct FormCase {
    int tab;
    const char* label;
    std::string QRCodeStructure::*key;
    bool growing;
};

TEST(QRCodeCreatorDetails, EachFormStoresAFieldAloneOnlyWhenItIsCommitted) {
    const std::vector<FormCase> cases = {
        {0, "Name", &QRCodeStructure::contact_name, false},
        {0, "Telephone", &QRCodeStructure::contact_tel, false},
        {0, "Email", &QRCodeStructure::contact_email, false},
        {0, "URL", &QRCodeStructure::contact_url, false},
        {1, "URL", &QRCodeStructure::url_url, false},
        {2, "Multiline Text", &QRCodeStructure::text_text, true},
        {3, "Title", &QRCodeStructure::calendar_title, false},
        {4, "Email", &QRCodeStructure::email_email, false},
        {4, "Subject", &QRCodeStructure::email_subject, false},
        {4, "Body", &QRCodeStructure::email_body, true},
    };
    clearStoredCodes();
    ListWindow w;
    w.addByName("Forms");
    QRCodeCreatorDetails* editor = w.open("Forms");
    ASSERT_NE(editor, nullptr);
    const std::string id = editor->qrcode().id;
    for (const FormCase& c : cases) {
        SCOPED_TRACE(c.label);
        QTest::mouseClick(editor->selector()->button(c.tab), Qt::LeftButton);
        QWidget* field = editor->form()->field(c.label);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->accessibleName(), c.label);
        field->setFocus();
        const QRCodeStructure before = *storedCode(id);
        QTest::keyClicks(field, "one");
        if (c.growing) {
            QTest::keyClick(field, Qt::Key_Return);
            QTest::keyClicks(field, "two");
        }
        EXPECT_EQ(*storedCode(id), before); // typing stores nothing
        QTest::keyClick(field, Qt::Key_Return, c.growing ? Qt::ControlModifier : Qt::NoModifier);
        QRCodeStructure expected = before;
        expected.*c.key = c.growing ? "one\ntwo" : "one";
        EXPECT_EQ(*storedCode(id), expected); // that field alone
        // Submitting the same text again stores nothing new.
        QTest::keyClick(field, Qt::Key_Return, c.growing ? Qt::ControlModifier : Qt::NoModifier);
        EXPECT_EQ(*storedCode(id), expected);
        // Leaving the field commits it too.
        field->setFocus();
        QTest::keyClicks(field, "!");
        editor->nameField()->setFocus();
        expected.*c.key += "!";
        EXPECT_EQ(*storedCode(id), expected);
    }
    // Every type kept its fields: back on the contact form they show as entered.
    QTest::mouseClick(editor->selector()->button(0), Qt::LeftButton);
    EXPECT_EQ(qobject_cast<QLineEdit*>(editor->form()->field("Telephone"))->text(), "one!");
    QTest::mouseClick(editor->selector()->button(4), Qt::LeftButton);
    EXPECT_EQ(qobject_cast<QPlainTextEdit*>(editor->form()->field("Body"))->toPlainText(),
              "one\ntwo!");
}

TEST(QRCodeCreatorDetails, ACalendarDayConfirmedIsStoredAsTheStartOfThatDay) {
    clearStoredCodes();
    ListWindow w;
    w.addByName("Party");
    QRCodeCreatorDetails* editor = w.open("Party");
    ASSERT_NE(editor, nullptr);
    const std::string id = editor->qrcode().id;
    QTest::mouseClick(editor->selector()->button(3), Qt::LeftButton);
    ASSERT_EQ(editor->form()->datePickers().size(), 2u);
    DateSelectorPicker* from = editor->form()->datePickers()[0];
    DateSelectorPicker* to = editor->form()->datePickers()[1];
    // The pickers show what the code holds: showing the form stores no date and shows none, and
    // the preview stays empty.
    const auto showsTheCode = [&] {
        const QRCodeStructure stored = *storedCode(id);
        const std::vector<DateSelectorPicker*>& pickers = editor->form()->datePickers();
        EXPECT_EQ(pickers[0]->date(), stored.calendar_fromDate);
        EXPECT_EQ(pickers[1]->date(), stored.calendar_toDate);
        for (DateSelectorPicker* picker : pickers) {
            EXPECT_EQ(picker->text(), DateSelectorPicker::formatted(picker->date()));
        }
    };
    showsTheCode();
    EXPECT_EQ(to->text(), "No date");
    EXPECT_FALSE(storedCode(id)->calendar_fromDate.has_value());
    EXPECT_FALSE(editor->preview()->hasImage());

    from->click();
    ASSERT_TRUE(from->isPresented());
    QCalendarWidget* calendar = from->sheet()->calendar();
    const QDate day = calendar->selectedDate().addDays(3);
    Q_EMIT calendar->clicked(day);
    const std::optional<Date> stored = storedCode(id)->calendar_fromDate;
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(*stored, startOfDay(*stored));
    EXPECT_EQ(*stored, from->date());
    EXPECT_FALSE(storedCode(id)->calendar_toDate.has_value());
    EXPECT_TRUE(editor->preview()->hasImage());
    showsTheCode();
    from->setIsPresented(false);

    // The calendar of a picker without a date opens on today; confirming that day stores it.
    to->click();
    ASSERT_TRUE(to->isPresented());
    Q_EMIT to->sheet()->calendar()->clicked(to->sheet()->calendar()->selectedDate());
    EXPECT_EQ(storedCode(id)->calendar_toDate, std::optional<Date>(startOfToday()));
    to->setIsPresented(false);
    // Shown anew, the form loads the dates stored.
    QTest::mouseClick(editor->selector()->button(0), Qt::LeftButton);
    QTest::mouseClick(editor->selector()->button(3), Qt::LeftButton);
    showsTheCode();
}

TEST(QRCodeCreatorDetails, APickedForegroundIsStoredAsSixDigitsAndRecolorsThePreview) {
    clearStoredCodes();
    QRCodeStructure code;
    code.itemname = "Colours";
    code.type = QRCodeTypes::text;
    code.text_text = "colours";
    FenDatabaseManager::addQRCode(code);
    ListWindow w;
    QRCodeCreatorDetails* editor = w.open("Colours");
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->preview()->hasImage());
    DFColorWell* well = editor->foregroundWell();
    EXPECT_EQ(well->colorValue(), (gfx::Color{0, 0, 0, 1}));
    well->setShowGrid(true);
    ASSERT_NE(well->grid(), nullptr);
    DFColorWellGridSwatch* swatch = nullptr;
    for (DFColorWellGridSwatch* candidate : well->grid()->swatches()) {
        if (candidate->cell().color.red > 0.5 && candidate->cell().color.blue < 0.5) {
            swatch = candidate;
            break;
        }
    }
    ASSERT_NE(swatch, nullptr);
    swatch->click();
    const QColor picked = toQColor(swatch->cell().color);
    EXPECT_EQ(storedCode(code.id)->foregroundColor,
              picked.name(QColor::HexRgb).mid(1).toUpper().toStdString());
    // The module in the middle of the finder pattern at the top left takes the new colour.
    const QImage shown = editor->preview()->grab().toImage();
    bool found = false;
    for (int x = 0; x < shown.width() && !found; ++x) {
        found = std::abs(shown.pixelColor(x, x).red() - picked.red()) <= 2 &&
                std::abs(shown.pixelColor(x, x).green() - picked.green()) <= 2 &&
                std::abs(shown.pixelColor(x, x).blue() - picked.blue()) <= 2;
    }
    EXPECT_TRUE(found);
}

TEST(QRCodeCreatorDetails, UnderAPreviewWithoutACodeALineSaysWhy) {
    clearStoredCodes();
    QRCodeStructure code;
    code.itemname = "Long";
    code.type = QRCodeTypes::link;
    code.url_url = "https://harrowcote.example/" + std::string(4974, 'a');
    // Stored colours the wells never write: three digits, and an unreadable one.
    code.backgroundColor = "#12345";
    code.foregroundColor = "#FFF";
    FenDatabaseManager::addQRCode(code);
    ListWindow w;
    QRCodeCreatorDetails* editor = w.open("Long");
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->backgroundWell()->colorValue(), (gfx::Color{1, 1, 1, 1}));
    EXPECT_EQ(editor->foregroundWell()->colorValue(), (gfx::Color{0, 0, 0, 1}));
    EXPECT_FALSE(editor->preview()->hasImage());
    EXPECT_TRUE(editor->contentNote()->isVisibleTo(editor));
    EXPECT_EQ(editor->contentNote()->text(), "The content is too long for a QR code.");

    // A text that fits draws the code and the line goes; emptied, the line says so.
    QTest::mouseClick(editor->selector()->button(2), Qt::LeftButton);
    EXPECT_EQ(editor->contentNote()->text(), "This QR code has no content.");
    EXPECT_TRUE(editor->contentNote()->isVisibleTo(editor));
    editor->state().commitText(QrTextKey::text_text, "fits");
    EXPECT_TRUE(editor->preview()->hasImage());
    EXPECT_FALSE(editor->contentNote()->isVisibleTo(editor));
    // 1,600 "é" are 3,200 bytes, past the capacity too.
    std::string accents;
    for (int i = 0; i < 1600; ++i) {
        accents += "\u00E9";
    }
    const int renders = editor->previewRenders();
    editor->state().commitText(QrTextKey::text_text, accents);
    EXPECT_FALSE(editor->preview()->hasImage());
    EXPECT_EQ(editor->contentNote()->text(), "The content is too long for a QR code.");
    // Asked again, the same payload is not generated anew.
    editor->state().setBackgroundColor(gfx::Color{1, 1, 0, 1});
    EXPECT_EQ(editor->previewRenders(), renders + 1);
}

TEST(QRCodeCreatorDetails, DeleteRemovesTheCodeAndReturnsToTheList) {
    clearStoredCodes();
    ListWindow w;
    w.addByName("Keep");
    w.addByName("Gone");
    QRCodeCreatorDetails* editor = w.open("Gone");
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor->nameField(), " typed");
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(w.list->editor(), nullptr);
    EXPECT_EQ(rowNames(*w.list), std::vector<std::string>{"Keep"});
    ASSERT_EQ(FenDatabaseManager::loadQRCodes().size(), 1u);
    EXPECT_EQ(FenDatabaseManager::loadQRCodes()[0].itemname, "Keep");
}

TEST(QRCodeCreatorSheet, DoneClosesTheWholeSheetAndKeepsTheFieldBeingTyped) {
    clearStoredCodes();
    QRCodeStructure code;
    code.itemname = "Site";
    FenDatabaseManager::addQRCode(code);
    QMainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QRCodeDBModel model;
    QPointer<QDialog> sheet = openQrCodesSheet(&window, model);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet && sheet->isVisible(); }));
    EXPECT_EQ(sheet->accessibleName(), "QR Codes");
    auto* list = sheet->findChild<QRCodeCreatorListView*>();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->rows().size(), 1u);
    list->rows()[0]->click();
    ASSERT_NE(list->editor(), nullptr);
    QTest::mouseClick(list->editor()->selector()->button(1), Qt::LeftButton);
    auto* url = qobject_cast<QLineEdit*>(list->editor()->form()->field("URL"));
    ASSERT_NE(url, nullptr);
    url->setFocus();
    QTest::keyClicks(url, "example.org");
    // In the sheet, Return in the event's "Title" commits it and opens no calendar.
    QTest::mouseClick(list->editor()->selector()->button(3), Qt::LeftButton);
    EXPECT_EQ(storedCode(code.id)->url_url, "example.org");
    auto* title = qobject_cast<QLineEdit*>(list->editor()->form()->field("Title"));
    ASSERT_NE(title, nullptr);
    list->editor()->form()->datePickers()[0]->setFocus();
    title->setFocus();
    QTest::keyClicks(title, "Launch");
    QTest::keyClick(title, Qt::Key_Return);
    EXPECT_EQ(storedCode(code.id)->calendar_title, "Launch");
    for (DateSelectorPicker* picker : list->editor()->form()->datePickers()) {
        EXPECT_FALSE(picker->isPresented());
    }
    QTest::mouseClick(list->editor()->selector()->button(1), Qt::LeftButton);
    url = qobject_cast<QLineEdit*>(list->editor()->form()->field("URL"));
    ASSERT_NE(url, nullptr);
    url->setFocus();
    QTest::keyClicks(url, "/map");
    auto* bar = sheet->findChild<SheetDoneButtonModifier*>();
    ASSERT_NE(bar, nullptr);
    bar->doneButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !sheet; }));
    EXPECT_EQ(storedCode(code.id)->url_url, "example.org/map");
    EXPECT_EQ(model.options().back().title, "Site");
}

TEST(QRCodeCreatorSheet, TheEventsDatePickerClosesOnAPickAndEscapeClosesItAloneFirst) {
    clearStoredCodes();
    QRCodeStructure code;
    code.itemname = "Launch";
    FenDatabaseManager::addQRCode(code);
    // The model outlives the window, which holds the sheet to the end.
    QRCodeDBModel model;
    QMainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QPointer<QDialog> sheet = openQrCodesSheet(&window, model);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet && sheet->isVisible(); }));
    auto* list = sheet->findChild<QRCodeCreatorListView*>();
    ASSERT_NE(list, nullptr);
    list->rows()[0]->click();
    ASSERT_NE(list->editor(), nullptr);
    QTest::mouseClick(list->editor()->selector()->button(3), Qt::LeftButton);
    DateSelectorPicker* from = list->editor()->form()->datePickers()[0];
    const struct {
        const char* how;
        std::function<void(QCalendarWidget*)> close;
        int daysLater;
    } cases[] = {
        {"a day clicked",
         [](QCalendarWidget* calendar) {
             Q_EMIT calendar->clicked(calendar->selectedDate().addDays(2));
         },
         2},
        {"Escape",
         [](QCalendarWidget* calendar) {
             ASSERT_TRUE(calendar->isAncestorOf(QApplication::focusWidget()));
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
         },
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        const std::optional<Date> before = from->date();
        from->click();
        ASSERT_TRUE(from->isPresented());
        ASSERT_TRUE(QTest::qWaitForWindowActive(from->popover()));
        QCalendarWidget* calendar = from->sheet()->calendar();
        const QDate shown = calendar->selectedDate();
        c.close(calendar);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !from->isPresented(); }));
        const auto picked =
            static_cast<double>(shown.addDays(c.daysLater).startOfDay().toSecsSinceEpoch());
        EXPECT_EQ(from->date(),
                  c.daysLater ? std::optional<Date>(Date::fromUnixSeconds(picked)) : before);
        // The sheet stays, with the form.
        QTest::qWait(20);
        ASSERT_TRUE(sheet && sheet->isVisible());
    }
}

} // namespace
} // namespace fen
