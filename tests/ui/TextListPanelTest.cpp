// The text list panel and the saved-presets sheet as widgets: typing, the list's keys, the
// rename alert, importing, collapsing, and presets saved, opened and deleted through a window.
#include "DocumentWindowFixture.h"
#include "UiTestSupport.h"
#include "storage/StoreQueue.h"

#include "controls/BackgroundForegroundView.h"
#include "controls/ButtonStyles.h"
#include "controls/ColorAndTypeView.h"
#include "controls/FontSelectorView.h"
#include "controls/KvStepperTextfieldCombined.h"
#include "controls/KvToggle.h"
#include "controls/PositionSelectorView.h"
#include "controls/SheetButtonModifiers.h"
#include "controls/SlidersBlock.h"
#include "controls/ToolBarViewButton.h"
#include "document/ContentView.h"
#include "document/DocumentView.h"
#include "document/FelDocumentViewMain.h"
#include "document/FenDocumentView.h"
#include "document/FenPDFView.h"
#include "document/MainSettingsTabView.h"
#include "document/PDFViewEdit.h"
#include "document/SettingsTabController.h"
#include "export/FenFilesStorage.h"
#include "export/NotificationDocumentCenter.h"
#include "panels/PanelText.h"
#include "panels/PresetSheetLogic.h"
#include "panels/SavedListPanel.h"
#include "panels/SavedListPanelSheet.h"
#include "panels/WatermarkListContainerView.h"
#include "panels/WatermarkListView.h"
#include "platform/foundation/Uuid.h"
#include "shell/KvDocument.h"
#include "storage/FenDatabaseManager.h"
#include "storage/ListOfTextImporter.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QSlider>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <future>

#include <sys/stat.h>

namespace fen {
namespace {

namespace fs = std::filesystem;

using test::freshFolder;

// The longest wait for something that is to happen: far beyond what it takes on a busy machine.
constexpr int patience = 60000;

// A text list panel of its own, its two bindings held here as a settings tab holds them.
struct Panel {
    std::shared_ptr<NotificationDocumentCenter> channel =
        NotificationDocumentCenter::makeDocumentNotificationCenter();
    QWidget window;
    WatermarkListContainerView* panel = new WatermarkListContainerView(channel, &window);
    std::vector<std::vector<std::string>> announced;
    ObserverToken token = channel->addObserver("TextItemsDidChange", [this](const Notification& n) {
        announced.push_back(std::any_cast<std::vector<std::string>>(n.object));
    });

    Panel() {
        QObject::connect(panel, &WatermarkListContainerView::isCollapsedEdited, panel,
                         &WatermarkListContainerView::setIsCollapsed);
        window.resize(380, 320);
        panel->resize(380, 320);
        EXPECT_TRUE(test::showActive(window));
    }
    void type(const QString& text) {
        QLineEdit* field = panel->entryField();
        field->setFocus();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    QListView* list() const { return panel->listView()->listView(); }
    std::vector<std::string> texts() const { return panel->list().texts(); }
    QDialog* renameAlert() const { return panel->listView()->renameAlert(); }
};

QLineEdit* fieldOf(QDialog* alert) {
    return alert ? alert->findChild<QLineEdit*>() : nullptr;
}

QAbstractButton* buttonOf(QWidget* dialog, const QString& name) {
    for (auto* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->accessibleName() == name || button->text() == name) {
            return button;
        }
    }
    return nullptr;
}

TEST(TextListPanel, ANewPanelIsEmptyWithClearAndSaveDisabled) {
    Panel p;
    EXPECT_TRUE(p.panel->listView()->showsPlaceholder());
    EXPECT_EQ(p.panel->countLabel()->text(), "0 item");
    EXPECT_TRUE(p.panel->clearButton()->isDisabledLook());
    EXPECT_TRUE(p.panel->saveButton()->isDisabledLook());
    EXPECT_FALSE(p.panel->openButton()->isDisabledLook());
    QTest::mouseClick(p.panel->saveButton(), Qt::LeftButton);
    EXPECT_EQ(p.panel->nameAlert(), nullptr);
    EXPECT_TRUE(p.announced.empty()) << "nothing is posted when the panel is first shown";
}

TEST(TextListPanel, TheTitleButtonDrawsItsChevronBeforeItsLabel) {
    Panel p;
    StyledButton* title = p.panel->titleButton();
    EXPECT_EQ(title->accessibleName(), "Text List");
    const int textWidth = QFontMetrics(title->font()).horizontalAdvance("Text List");
    EXPECT_GE(title->sizeHint().width(), 32 + textWidth + 8);
    const QImage picture = title->grab().toImage();
    auto inkIn = [&picture](int from, int to) {
        int ink = 0;
        for (int x = from; x < to; ++x) {
            for (int y = 0; y < picture.height(); ++y) {
                ink += picture.pixelColor(x, y).lightness() < 160 ? 1 : 0;
            }
        }
        return ink;
    };
    EXPECT_GT(inkIn(0, 32), 0) << "the chevron in its box";
    EXPECT_GT(inkIn(32, 32 + textWidth), 0) << "the label after it";
}

TEST(TextListPanel, TypingAddsSelectsAndAnnouncesEachText) {
    Panel p;
    p.type("");
    EXPECT_TRUE(p.announced.empty());
    p.type("Draft");
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"Draft"}));
    EXPECT_EQ(p.panel->selectedItem(), p.panel->list().items().front());
    EXPECT_TRUE(p.panel->entryField()->text().isEmpty());
    EXPECT_EQ(p.panel->countLabel()->text(), "1 item");
    EXPECT_FALSE(p.panel->clearButton()->isDisabledLook());
    EXPECT_FALSE(p.panel->saveButton()->isDisabledLook());
    EXPECT_FALSE(p.panel->listView()->showsPlaceholder());
    p.type("Draft");
    EXPECT_EQ(p.panel->countLabel()->text(), "2 items");
    EXPECT_EQ(p.announced, (std::vector<std::vector<std::string>>{{"Draft"}, {"Draft", "Draft"}}));
    // The row is selected in the view too, and named by its text.
    EXPECT_EQ(p.list()->selectionModel()->selectedRows().front().row(), 1);
    EXPECT_EQ(p.list()->model()->index(0, 0).data().toString(), "Draft");

    QTest::mouseClick(p.panel->clearButton(), Qt::LeftButton);
    EXPECT_TRUE(p.texts().empty());
    EXPECT_FALSE(p.panel->selectedItem());
    EXPECT_EQ(p.announced.back(), std::vector<std::string>{});
    EXPECT_TRUE(p.panel->clearButton()->isDisabledLook());
}

TEST(TextListPanel, TheListsKeysActOnlyWhileTheListHasTheFocus) {
    Panel p;
    p.type("Alpha");
    p.type("Beta");
    p.type("Gamma");
    // Backspace in the entry field edits the field only.
    QTest::keyClicks(p.panel->entryField(), "xy");
    QTest::keyClick(p.panel->entryField(), Qt::Key_Backspace);
    EXPECT_EQ(p.panel->entryField()->text(), "x");
    EXPECT_EQ(p.texts().size(), 3u);

    p.list()->setFocus();
    QTest::keyClick(p.list(), Qt::Key_Backspace);
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_FALSE(p.panel->selectedItem());
    QTest::keyClick(p.list(), Qt::Key_Delete);
    EXPECT_EQ(p.texts().size(), 2u) << "Delete without a selection";
    p.list()->selectionModel()->select(p.list()->model()->index(0, 0),
                                       QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(p.panel->selectedItem()->text, "Alpha") << "the view's selection selects the text";
    QTest::keyClick(p.list(), Qt::Key_Delete);
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"Beta"}));

    // A row's context menu deletes that row, whichever was selected.
    p.panel->entryField()->clear();
    p.type("Delta");
    p.panel->listView()->makeRowMenu(0)->actions().front()->trigger();
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"Delta"}));
    EXPECT_FALSE(p.panel->selectedItem());
}

// The names of the rows that tell the accessibility tree they are focused.
QStringList focusedRows(QAbstractItemView* list) {
    QStringList names;
    QAccessibleInterface* rows = QAccessible::queryAccessibleInterface(list);
    for (int i = 0; i < rows->childCount(); ++i) {
        if (rows->child(i)->state().focused) {
            names << rows->child(i)->text(QAccessible::Name);
        }
    }
    return names;
}

TEST(TextListPanel, ARowIsFocusedToAScreenReaderOnlyWhileItsListHasTheFocus) {
    Panel p;
    p.type("Alpha");
    p.type("Beta");
    p.type("Gamma");
    QListView* list = p.list();
    list->setFocus(Qt::TabFocusReason);
    list->setCurrentIndex(list->model()->index(1, 0));
    EXPECT_EQ(focusedRows(list), QStringList{"Beta"});
    EXPECT_EQ(p.panel->selectedItem()->text, "Beta");

    // The field takes the focus: no row is focused, the selection stays.
    p.panel->entryField()->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(focusedRows(list).isEmpty());
    EXPECT_EQ(p.panel->selectedItem()->text, "Beta");
    // A text selected from outside meanwhile is selected without a focused row either.
    p.panel->setSelectedItem(p.panel->list().items()[0]);
    EXPECT_EQ(p.panel->selectedItem()->text, "Alpha");
    EXPECT_TRUE(focusedRows(list).isEmpty());

    // Back in the list, the keys go on from the row where they were.
    list->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(focusedRows(list), QStringList{"Alpha"});
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(focusedRows(list), QStringList{"Beta"});
    p.panel->entryField()->setFocus(Qt::TabFocusReason);
    list->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(focusedRows(list), QStringList{"Beta"});
}

TEST(TextListPanel, TheRenameAlertOpensOnReturnAndOnADoubleClick) {
    Panel p;
    p.type("Alpha");
    p.type("Beta");
    const TextListItem beta = *p.panel->selectedItem();
    p.list()->setFocus();
    QTest::keyClick(p.list(), Qt::Key_Return);
    ASSERT_NE(p.renameAlert(), nullptr);
    EXPECT_EQ(fieldOf(p.renameAlert())->accessibleName(), "Enter a name");
    EXPECT_EQ(fieldOf(p.renameAlert())->text(), "Beta");
    fieldOf(p.renameAlert())->selectAll();
    QTest::keyClicks(fieldOf(p.renameAlert()), "Bravo");
    QTest::keyClick(fieldOf(p.renameAlert()), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.renameAlert() == nullptr; }, patience));
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"Alpha", "Bravo"}));
    EXPECT_EQ(p.panel->selectedItem(), (TextListItem{beta.id, "Bravo"}));

    // A double click on the first row selects it and opens the alert; an emptied field changes
    // nothing.
    const QRect first = p.list()->visualRect(p.list()->model()->index(0, 0));
    QTest::mouseClick(p.list()->viewport(), Qt::LeftButton, {}, first.center());
    QTest::mouseDClick(p.list()->viewport(), Qt::LeftButton, {}, first.center());
    ASSERT_NE(p.renameAlert(), nullptr);
    EXPECT_EQ(fieldOf(p.renameAlert())->text(), "Alpha");
    fieldOf(p.renameAlert())->clear();
    buttonOf(p.renameAlert(), "OK")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.renameAlert() == nullptr; }, patience));
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"Alpha", "Bravo"}));
    EXPECT_EQ(p.announced.size(), 3u);
}

TEST(TextListPanel, AnImportReplacesTheListAndABinaryFileChangesNothing) {
    Panel p;
    const fs::path folder = freshFolder();
    test::writeFile(folder / "three.rtf", "{\\rtf1 One\\par Two\\par Three\\par}");
    test::writeFile(folder / "lines.csv", "a;1\r\n\r\n b \nz");
    test::writeFile(folder / "binary.bin", std::string("\x00\x01\x02\xff\xfe\x00", 6));
    std::string next;
    p.panel->setFilePicker([&next](QWidget*, std::function<void(const QString&)> chosen) {
        chosen(QString::fromStdString(next));
    });
    p.type("Typed");
    auto importFile = [&](const char* name) {
        next = (folder / name).string();
        QTest::mouseClick(p.panel->importButton(), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&p] { return !p.panel->isImporting(); }, patience)) << name;
    };
    importFile("three.rtf");
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"One", "Two", "Three"}));
    EXPECT_FALSE(p.panel->selectedItem()) << "the text chosen is no longer in the list";
    importFile("lines.csv");
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"a;1", " b ", "z"}));
    importFile("binary.bin");
    importFile("missing.txt");
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"a;1", " b ", "z"}));
    EXPECT_EQ(p.announced.size(), 3u);
}

TEST(TextListPanel, TheImportOffersEveryPlainTextFileWhateverItsName) {
    test::TempDir dir;
    const struct Case {
        const char* name;
        std::string bytes;
        bool offered;
    } cases[] = {
        {"names", "Ann\nBob\n", true},
        {"list.md", "# Names\nAnn\n", true},
        {"LIST.TXT", "Ann\n", true},
        {"people.csv", "Ann,Bob\n", true},
        {"people.tsv", "Ann\tBob\n", true},
        {"letter.rtf", "{\\rtf1\\ansi Ann}", true},
        {"notes.text", "Ann\n", true},
        {"photo.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), false},
        {"data", std::string("\0\x01\x02\x03\xff\xfe\0\0", 8), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeFile(dir / c.name, c.bytes);
        EXPECT_EQ(WatermarkListContainerView::offersForImport(
                      QString::fromStdString((dir / c.name).string())),
                  c.offered);
    }
    // Folders are offered, to be opened.
    EXPECT_TRUE(
        WatermarkListContainerView::offersForImport(QString::fromStdString(dir.path().string())));
}

TEST(TextListPanel, AListFileIsReadOffTheGuiThreadAndAnOversizedOneIsRefusedWithAnAlert) {
    Panel p;
    const fs::path folder = freshFolder();
    test::writeFile(folder / "lines.txt", "one\ntwo\n");
    test::writeFile(folder / "over.txt", "");
    fs::resize_file(folder / "over.txt", ListOfTextImporter::maximumFileSize + 1);
    std::string next;
    p.panel->setFilePicker([&next](QWidget*, std::function<void(const QString&)> chosen) {
        chosen(QString::fromStdString(next));
    });
    p.type("Typed");
    const std::size_t announced = p.announced.size();

    // The click returns before the file is read; the texts arrive through the event loop.
    next = (folder / "lines.txt").string();
    QTest::mouseClick(p.panel->importButton(), Qt::LeftButton);
    EXPECT_TRUE(p.panel->isImporting());
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"Typed"}));
    ASSERT_TRUE(QTest::qWaitFor([&p] { return !p.panel->isImporting(); }, patience));
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(p.panel->importAlert(), nullptr);

    // A file over the limit leaves the list as it is and says why in one line.
    next = (folder / "over.txt").string();
    QTest::mouseClick(p.panel->importButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&p] { return p.panel->importAlert() != nullptr; }, patience));
    QStringList lines;
    for (QLabel* label : p.panel->importAlert()->findChildren<QLabel*>()) {
        lines << label->text();
    }
    EXPECT_TRUE(lines.contains("The file is larger than 16 MB and was not imported."))
        << lines.join('|').toStdString();
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(p.announced.size(), announced + 1);
    QTest::keyClick(p.panel->importAlert(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&p] { return p.panel->importAlert() == nullptr; }, patience));
}

TEST(TextListPanel, WhatGivesNoListIsRefusedInOneLineAndTheListKept) {
    Panel p;
    const fs::path folder = freshFolder();
    ASSERT_EQ(::mkfifo((folder / "pipe.txt").c_str(), 0600), 0);
    std::string many;
    for (std::size_t i = 0; i <= ListOfTextImporter::maximumTextCount; ++i) {
        many += "x\n";
    }
    test::writeFile(folder / "many.txt", many);
    test::writeFile(folder / "controls.txt", "Stra\xDF"
                                             "e\x01\x02\x03\x04\x05\x06\n");
    test::writeFile(folder / "damaged.rtf", "PK\x03\x04 not the RTF its name says");
    test::writeFile(folder / "empty.rtf", "{\\rtf1\\ansi\\par}");
    test::writeFile(folder / "blank.txt", "  \n  \n");
    // The file dialog leaves them out, judged without opening them.
    EXPECT_FALSE(WatermarkListContainerView::offersForImport(
        QString::fromStdString((folder / "pipe.txt").string())));
    EXPECT_FALSE(WatermarkListContainerView::offersForImport("/dev/zero"));
    std::string next;
    p.panel->setFilePicker([&next](QWidget*, std::function<void(const QString&)> chosen) {
        chosen(QString::fromStdString(next));
    });
    p.type("Kept");
    const struct {
        fs::path file;
        QString line;
    } cases[] = {
        {folder / "pipe.txt", QString::fromUtf8("\u201Cpipe.txt\u201D is not a regular file.")},
        {"/dev/zero", QString::fromUtf8("\u201Czero\u201D is not a regular file.")},
        {folder / "many.txt", "The file holds more than 10000 texts and was not imported."},
        {folder / "controls.txt",
         QString::fromUtf8("\u201Ccontrols.txt\u201D was not imported: no character encoding "
                           "reads it as text without control characters.")},
        {folder / "gone.txt",
         QString::fromUtf8("\u201Cgone.txt\u201D could not be read: No such file or directory.")},
        {folder / "damaged.rtf",
         QString::fromUtf8(
             "\u201Cdamaged.rtf\u201D was not imported: it is no RTF document, or it is damaged.")},
        {folder / "empty.rtf",
         QString::fromUtf8("\u201Cempty.rtf\u201D holds no text and was not imported.")},
        {folder / "blank.txt",
         QString::fromUtf8("\u201Cblank.txt\u201D holds no text and was not imported.")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.string());
        next = c.file.string();
        QTest::mouseClick(p.panel->importButton(), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&p] { return p.panel->importAlert() != nullptr; }, 20000));
        QStringList lines;
        for (QLabel* label : p.panel->importAlert()->findChildren<QLabel*>()) {
            lines << label->text();
        }
        EXPECT_EQ(lines, (QStringList{"Import", c.line}));
        EXPECT_EQ(p.texts(), (std::vector<std::string>{"Kept"}));
        QTest::keyClick(p.panel->importAlert(), Qt::Key_Escape);
        ASSERT_TRUE(QTest::qWaitFor([&p] { return p.panel->importAlert() == nullptr; }, 5000));
    }
}

TEST(TextListPanel, TheTitleRowAndTheKeyboardCollapseTheBlock) {
    Panel p;
    p.type("Kept");
    QTest::mouseClick(p.panel->titleButton(), Qt::LeftButton);
    EXPECT_TRUE(p.panel->isCollapsed());
    EXPECT_EQ(p.panel->entryBlock()->height(), 0);
    EXPECT_FALSE(p.panel->toolbarButtons()->isVisible());
    EXPECT_FALSE(p.panel->entryBlock()->isVisible());
    EXPECT_TRUE(p.panel->titleButton()->isVisible());
    QTest::mouseClick(p.panel->titleButton(), Qt::LeftButton);
    EXPECT_FALSE(p.panel->isCollapsed());
    EXPECT_EQ(p.panel->entryBlock()->height(), 250);
    EXPECT_TRUE(p.panel->toolbarButtons()->isVisible());
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"Kept"}));

    // With the focus in the panel's own field the keyboard changes nothing; elsewhere it
    // collapses the panel.
    p.panel->entryField()->setFocus();
    ASSERT_TRUE(p.panel->isTextInputFocused());
    NotificationCenter::defaultCenter().post("KeyboardWillShow");
    EXPECT_FALSE(p.panel->isCollapsed());
    auto* other = new QLineEdit(&p.window);
    other->show();
    other->setFocus();
    ASSERT_FALSE(p.panel->isTextInputFocused());
    NotificationCenter::defaultCenter().post("KeyboardWillShow");
    EXPECT_TRUE(p.panel->isCollapsed());
}

TEST(TextListPanel, ACancelledNameAlertPostsNothingAndOpensEmptyAgain) {
    Panel p;
    p.type("Alpha");
    int saves = 0;
    ObserverToken token = NotificationCenter::defaultCenter().addObserver(
        kRequestToSavePreset + p.channel->id(), [&saves](const Notification&) { ++saves; });
    QTest::mouseClick(p.panel->saveButton(), Qt::LeftButton);
    QDialog* alert = p.panel->nameAlert();
    ASSERT_NE(alert, nullptr);
    QTest::keyClicks(fieldOf(alert), "Draft");
    QTest::keyClick(fieldOf(alert), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.panel->nameAlert() == nullptr; }, patience));
    QTest::mouseClick(p.panel->saveButton(), Qt::LeftButton);
    ASSERT_NE(p.panel->nameAlert(), nullptr);
    EXPECT_TRUE(fieldOf(p.panel->nameAlert())->text().isEmpty());
    buttonOf(p.panel->nameAlert(), "OK")->click();
    EXPECT_EQ(saves, 1) << "OK with an empty field saves an untitled preset";
}

TEST(TextListPanel, ALoadedTextPresetReplacesTheListOfItsWindowOnly) {
    Panel p;
    p.type("Before");
    const FenDatabaseManager::TextPresetContent preset{{"One", "Two"}, TextSettings{}};
    NotificationCenter::defaultCenter().post(
        NotificationDocumentCenter::scopedName("RequestUpdateWithSavedSettings_", "elsewhere"),
        preset);
    p.channel->post("RequestUpdateWithSavedSettings", StampSettings{});
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"Before"}));
    p.channel->post("RequestUpdateWithSavedSettings", preset);
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(p.panel->selectedItem()->text, "One");
    p.channel->post("RequestUpdateWithSavedSettings",
                    FenDatabaseManager::TextPresetContent{{}, TextSettings{}});
    EXPECT_TRUE(p.texts().empty());
    EXPECT_FALSE(p.panel->selectedItem());
}

// A document window on a one-page fixture, shown and loaded.
// A document window on a fixture file, with its text list.
struct Window : test::DocumentWindow {
    WatermarkListContainerView* list = tab->textList();

    using DocumentWindow::DocumentWindow;
    void type(const QString& text) {
        list->entryField()->setFocus();
        QTest::keyClicks(list->entryField(), text);
        QTest::keyClick(list->entryField(), Qt::Key_Return);
        settle();
    }
    void selectRow(int row) {
        QListView* rows = list->listView()->listView();
        rows->selectionModel()->select(rows->model()->index(row, 0),
                                       QItemSelectionModel::ClearAndSelect);
        settle();
    }
};

TEST(TextListPanel, TheSelectedTextIsDrawnInTheWindow) {
    Window window;
    window.type("Alpha");
    window.type("Beta");
    EXPECT_EQ(window.model().listOfTextItems, (std::vector<std::string>{"Alpha", "Beta"}));
    window.selectRow(0);
    ASSERT_TRUE(window.model().selectedTextItem);
    EXPECT_EQ(window.model().selectedTextItem->text, "Alpha");
    const QImage alpha = window.pdf->pageImage(0);
    window.selectRow(1);
    EXPECT_EQ(window.model().selectedTextItem->text, "Beta");
    const QImage beta = window.pdf->pageImage(0);
    EXPECT_NE(alpha, beta);
    // The collapse flag is the tab's.
    QTest::mouseClick(window.list->titleButton(), Qt::LeftButton);
    EXPECT_TRUE(window.tab->controller().isCollapsed());
    EXPECT_TRUE(window.list->isCollapsed());
}

TEST(TextListPanel, TheWindowDrawsOnlyATextTheImportedListHolds) {
    Window window;
    const fs::path folder = freshFolder();
    test::writeFile(folder / "without.txt", "Alpha\nBeta\n");
    test::writeFile(folder / "with.txt", "Alpha\nDraft\n");
    std::string next;
    window.list->setFilePicker([&next](QWidget*, std::function<void(const QString&)> chosen) {
        chosen(QString::fromStdString(next));
    });
    window.pdf->viewport()->update();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.pdf->hasContent(0); }, patience));
    const QImage blank = window.pdf->pageImage(0);
    // With "Draft" chosen, each file is imported: the page shows the chosen text only while the
    // list still holds it, as the text Export writes.
    const struct {
        const char* file;
        std::vector<std::string> texts;
        bool drawn;
    } cases[] = {{"without.txt", {"Alpha", "Beta"}, false}, {"with.txt", {"Alpha", "Draft"}, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        window.list->list().clear();
        window.type("Draft");
        const QImage draft = window.pdf->pageImage(0);
        ASSERT_NE(draft, blank);
        next = (folder / c.file).string();
        QTest::mouseClick(window.list->importButton(), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window.list->isImporting(); }, patience));
        window.settle();
        EXPECT_EQ(window.model().listOfTextItems, c.texts);
        EXPECT_EQ(window.model().selectedTextItem.has_value(), c.drawn);
        EXPECT_EQ(window.pdf->pageImage(0), c.drawn ? draft : blank);
    }
}

// Holds the store's thread from its making until release (or its end), as a store busy with other
// writes would: what is handed to the store meanwhile waits.
class StoreHold {
public:
    StoreHold() {
        StoreQueue::shared().post([held = gate_.get_future().share()] { held.wait(); });
    }
    ~StoreHold() { release(); }
    StoreHold(const StoreHold&) = delete;
    StoreHold& operator=(const StoreHold&) = delete;
    void release() {
        if (!released_) {
            released_ = true;
            gate_.set_value();
        }
    }

private:
    std::promise<void> gate_;
    bool released_ = false;
};

bool isStored(const std::string& name) {
    return std::ranges::any_of(PresetSheetLogic::storedItems(PresetsList::text),
                               [&](const PresetItem& item) { return item.title == name; });
}

TEST(TextListPanel, ASavedTextPresetOpensFromTheSheetIntoListAndSettings) {
    Window window;
    window.type("Alpha");
    window.type("Beta");
    const std::string name = "Preset " + newUuidString();
    QTest::mouseClick(window.list->saveButton(), Qt::LeftButton);
    QDialog* alert = window.list->nameAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->accessibleName(), "Text Watermark Preset");
    QTest::keyClicks(fieldOf(alert), QString::fromStdString(name));
    StoreHold busyStore;
    QTest::keyClick(fieldOf(alert), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.list->nameAlert() == nullptr; }, patience));
    // The preset is written on the store's own thread, in its turn; the sheet lists what the store
    // holds, so it is opened once the preset is there.
    EXPECT_FALSE(isStored(name));
    busyStore.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return isStored(name); }, patience));
    const TextSettings saved = window.tab->controller().textConf();

    TextSettings changed = saved;
    changed.opacity = 90;
    window.tab->controller().setTextConf(changed);
    window.list->list().clear();
    window.settle();

    QTest::mouseClick(window.list->openButton(), Qt::LeftButton);
    QDialog* sheet = window.list->presetsSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->accessibleName(), "Text Watermarks Presets");
    auto* content = sheet->findChild<SavedListPanelSheet*>();
    QListWidget* rows = content->list();
    const auto found = rows->findItems(QString::fromStdString(name), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    EXPECT_FALSE(buttonOf(sheet, "Open")->isEnabled());
    rows->setCurrentItem(found.front());
    const int before = window.sends;
    buttonOf(sheet, "Open")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.list->presetsSheet() == nullptr; }, patience));
    window.settle();
    EXPECT_EQ(window.model().listOfTextItems, (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(window.model().selectedTextItem->text, "Alpha");
    EXPECT_EQ(window.model().textConf, saved);
    EXPECT_EQ(window.tab->panelText()->opacityRow()->value(), saved.opacity)
        << "the panel's controls come back";
    EXPECT_EQ(window.sends - before, 2) << "the selected text and the settings, once each";
}

TEST(TextListPanel, TheSheetOfEveryKindListsAndDeletesThroughItsWindow) {
    Window window;
    const std::string tag = newUuidString();
    ASSERT_TRUE(FenDatabaseManager::saveStampPreset("stamp " + tag, StampSettings{}));
    ASSERT_TRUE(FenDatabaseManager::savePageNumberPreset("number " + tag, PageNumberSettings{}));
    ImageSettings image;
    image.imageURL = Url::fileURL(test::writeSolidPng(freshFolder() / "p.png", 8, 8, {0, 0, 1, 1}));
    ASSERT_TRUE(FenDatabaseManager::saveImagePreset("image " + tag, image));
    struct Case {
        PresetsList kind;
        const char* title;
        std::string row;
    };
    for (const Case& c :
         {Case{PresetsList::stamp, "Stamp Watermarks Presets", "stamp " + tag},
          Case{PresetsList::pagenumber, "Page Number Watermarks Presets", "number " + tag},
          Case{PresetsList::image, "Image Watermarks Presets", "image " + tag}}) {
        SCOPED_TRACE(c.title);
        QDialog* sheet =
            SavedListPanel::present(window.tab, window.view->content()->channel(), c.kind, nullptr);
        auto* content = sheet->findChild<SavedListPanelSheet*>();
        EXPECT_EQ(sheet->accessibleName(), c.title);
        const auto found =
            content->list()->findItems(QString::fromStdString(c.row), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        content->list()->setCurrentItem(found.front());
        content->list()->setFocus();
        QTest::keyClick(content->list(), Qt::Key_Delete);
        EXPECT_TRUE(
            content->list()->findItems(QString::fromStdString(c.row), Qt::MatchExactly).isEmpty());
        EXPECT_TRUE(sheet->isVisible()) << "the sheet stays open";
        ASSERT_TRUE(StoreQueue::shared().waitUntilIdle(std::chrono::milliseconds(patience)));
        for (const PresetItem& item : PresetSheetLogic::storedItems(c.kind)) {
            EXPECT_NE(item.title, c.row) << "the window's listener deleted it";
        }
        QTest::keyClick(sheet, Qt::Key_Escape);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !sheet->isVisible(); }, patience));
    }
}

TEST(TextListPanel, AnEmptySheetShowsItsPlaceholder) {
    PresetSheetLogic logic({}, nullptr, nullptr);
    SavedListPanelSheet sheet("Image Watermarks Presets", logic, [](bool) {});
    EXPECT_TRUE(sheet.showsPlaceholder());
    EXPECT_FALSE(sheet.bar()->openButton()->isEnabled());
}

TEST(PanelText, TheFirstShowingWritesNothingAndEachControlRedrawsThePage) {
    // A page covered by a box: a text behind the content is hidden, in front it shows.
    Window window(test::makePdf(
        {test::FixturePage{.media = gfx::Rect{0, 0, 400, 500},
                           .content = test::fillRectOp({0, 0, 400, 500}, {0.8, 0.9, 1, 1})}}));
    PanelText* panel = window.tab->panelText();
    EXPECT_EQ(panel->logic().bound(), SettingsTabController::defaultTextSettings());
    EXPECT_EQ(panel->opacityRow()->value(), 40);
    EXPECT_EQ(panel->positionSelector()->position(), Positions::diagonal);
    EXPECT_FALSE(panel->layerSelector()->isInBackground());
    EXPECT_EQ(window.model().textConf, SettingsTabController::defaultTextSettings())
        << "showing the panel wrote nothing back";
    window.type("Alpha");

    QComboBox* families = panel->fontSelector()->familyRow()->picker();
    const int serif = families->findText("DejaVu Serif");
    ASSERT_GE(serif, 0);
    const std::vector<std::pair<const char*, std::function<void()>>> edits = {
        {"position", [&] { panel->positionSelector()->cell(Positions::topleft)->click(); }},
        {"font",
         [&] {
             families->setCurrentIndex(serif);
             Q_EMIT families->activated(serif);
         }},
        {"outline",
         [&] {
             QTest::mouseClick(panel->colorAndType()->outlineToggle()->toggleSwitch(),
                               Qt::LeftButton);
         }},
        {"opacity", [&] { panel->opacityRow()->control()->slider()->setValue(90); }},
        {"layer", [&] { panel->layerSelector()->selector()->button(0)->click(); }},
    };
    QImage before = window.pdf->pageImage(0);
    for (const auto& [what, edit] : edits) {
        SCOPED_TRACE(what);
        const int sends = window.sends;
        edit();
        window.settle();
        EXPECT_EQ(window.sends - sends, 1) << "one whole record per change";
        const QImage after = window.pdf->pageImage(0);
        EXPECT_NE(after, before);
        before = after;
    }
    const TextSettings& written = *window.model().textConf;
    EXPECT_EQ(written.position, Positions::topleft);
    EXPECT_EQ(written.font.familyname, "DejaVu Serif");
    EXPECT_TRUE(written.colorOutline.isOutlined);
    EXPECT_EQ(written.opacity, 90);
    EXPECT_TRUE(written.isWatermarkInBackground);
}

TEST(PanelText, ARecordDifferingInEveryFieldLoadsIntoTheControlsWithoutAWrite) {
    Window window;
    PanelText* panel = window.tab->panelText();
    int edits = 0;
    QObject::connect(panel, &PanelText::valueEdited, panel, [&edits] { ++edits; });
    TextSettings preset;
    preset.position = Positions::triple;
    preset.font = FontSetting{"DejaVu Sans", "Bold", 30};
    preset.colorOutline = ColorOutlineSetting{gfx::Color{0, 0, 1, 1}, true};
    preset.opacity = 75;
    preset.isWatermarkInBackground = true;
    window.tab->controller().applySavedSettings(
        FenDatabaseManager::TextPresetContent{{"One"}, preset});
    window.settle();
    EXPECT_EQ(edits, 0);
    EXPECT_EQ(panel->positionSelector()->position(), Positions::triple);
    EXPECT_EQ(panel->fontSelector()->value(), preset.font);
    EXPECT_EQ(panel->colorAndType()->value(), preset.colorOutline);
    EXPECT_EQ(panel->opacityRow()->value(), 75);
    EXPECT_TRUE(panel->layerSelector()->isInBackground());
    EXPECT_EQ(window.model().textConf, preset);
}

} // namespace
} // namespace fen
