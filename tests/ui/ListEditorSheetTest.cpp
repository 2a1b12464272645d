// The list sheets' shared rules, for each sheet: no key deletes a row (its context menu does), and
// the editor's text kept when the sheet closes while it is open.
#include "panels/OtherWatermarksListView.h"
#include "panels/OtherWatermarksViewPanel.h"
#include "panels/QRCodeCreatorDetails.h"
#include "panels/QRCodeCreatorListView.h"
#include "storage/FenDatabaseManager.h"
#include "storage/PageNumberDBModel.h"
#include "storage/QRCodeDBModel.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QTest>

#include <memory>

namespace fen {
namespace {

// One list sheet with the store behind it.
struct SheetKind {
    const char* name;
    // Empties the store, then stores these entries.
    std::function<void(const std::vector<std::string>&)> storeOnly;
    std::function<std::vector<std::string>()> storedNames;
    std::function<std::shared_ptr<OptionListModel>()> makeModel;
    std::function<ListEditorSheet*(OptionListModel&)> makeSheet;
    // The text field of the editor shown.
    std::function<QLineEdit*(ListEditorSheet&)> editorField;
};

std::vector<SheetKind> sheetKinds() {
    return {
        {"QR codes",
         [](const std::vector<std::string>& names) {
             for (const QRCodeStructure& code : FenDatabaseManager::loadQRCodes()) {
                 FenDatabaseManager::removeQRCode(code.id);
             }
             for (const std::string& name : names) {
                 FenDatabaseManager::addQRCode(QRCodeStructure{.itemname = name});
             }
         },
         [] {
             std::vector<std::string> names;
             for (const QRCodeStructure& code : FenDatabaseManager::loadQRCodes()) {
                 names.push_back(code.itemname);
             }
             return names;
         },
         [] { return std::make_shared<QRCodeDBModel>(); },
         [](OptionListModel& model) { return new QRCodeCreatorListView(model); },
         [](ListEditorSheet& sheet) {
             return static_cast<QRCodeCreatorListView&>(sheet).editor()->nameField();
         }},
        {"page-number formats",
         [](const std::vector<std::string>& names) {
             for (const PageNumberList& entry : FenDatabaseManager::loadPageNumberList()) {
                 FenDatabaseManager::removePageNumberListEntry(entry.id);
             }
             int n = 0;
             for (const std::string& name : names) {
                 FenDatabaseManager::addPageNumberListEntry("FORMAT-" + std::to_string(++n), name);
             }
         },
         [] {
             std::vector<std::string> names;
             for (const PageNumberList& entry : FenDatabaseManager::loadPageNumberList()) {
                 names.push_back(entry.name);
             }
             return names;
         },
         [] { return std::make_shared<PageNumberDBModel>(); },
         [](OptionListModel& model) { return new OtherWatermarksListView(model); },
         [](ListEditorSheet& sheet) {
             return static_cast<OtherWatermarksListView&>(sheet).editor()->field();
         }},
    };
}

TEST(ListEditorSheet, NoKeyOnAFocusedRowDeletesAStoredEntryButTheContextMenuDoes) {
    const struct Case {
        const char* what;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    } cases[] = {
        {"Delete", Qt::Key_Delete, Qt::NoModifier},
        {"Backspace", Qt::Key_Backspace, Qt::NoModifier},
        {"Delete of the keypad", Qt::Key_Delete, Qt::KeypadModifier},
    };
    for (const SheetKind& kind : sheetKinds()) {
        SCOPED_TRACE(kind.name);
        kind.storeOnly({"A", "B", "C"});
        auto model = kind.makeModel();
        std::unique_ptr<ListEditorSheet> sheet(kind.makeSheet(*model));
        ASSERT_EQ(sheet->rows().size(), 3u);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            QTest::keyClick(sheet->rows()[1], c.key, c.modifiers);
            EXPECT_EQ(kind.storedNames(), (std::vector<std::string>{"A", "B", "C"}));
            EXPECT_EQ(sheet->rows().size(), 3u);
        }
        QAbstractButton* row = sheet->rows()[1];
        ASSERT_EQ(row->actions().size(), 1);
        row->actions()[0]->trigger();
        EXPECT_EQ(kind.storedNames(), (std::vector<std::string>{"A", "C"}));
    }
}

TEST(ListEditorSheet, ClosingTheSheetWithItsEditorOpenStoresTheTextBeingTyped) {
    for (const SheetKind& kind : sheetKinds()) {
        SCOPED_TRACE(kind.name);
        kind.storeOnly({"First", "Second"});
        auto model = kind.makeModel();
        int announced = 0;
        Connection counted = model->objectWillChange.connect([&] { ++announced; });
        auto* sheet = kind.makeSheet(*model);
        sheet->rows()[1]->click();
        ASSERT_NE(sheet->shownEditor(), nullptr);
        QTest::keyClicks(kind.editorField(*sheet), " typed");
        EXPECT_EQ(kind.storedNames(), (std::vector<std::string>{"First", "Second"}));
        delete sheet;
        EXPECT_EQ(kind.storedNames(), (std::vector<std::string>{"First", "Second typed"}));
        // The model follows, for the pickers that list the same entries.
        EXPECT_EQ(announced, 1);
        EXPECT_EQ(model->options().back().title, "Second typed");
    }
}

} // namespace
} // namespace fen
