// A preset saved from a window while another process holds the store: the window goes on at once,
// then tells the failure in an alert and offers the typed name again.
#include "DocumentWindowFixture.h"
#include "controls/TextInputs.h"
#include "document/SettingsTabController.h"
#include "export/NotificationDocumentCenter.h"
#include "panels/OtherWatermarksListView.h"
#include "panels/QRCodeCreatorListView.h"
#include "panels/SavedListPanel.h"
#include "panels/SavedListPanelSheet.h"
#include "panels/StampWatermarksListView.h"
#include "panels/WatermarkListContainerView.h"
#include "platform/store/Database.h"
#include "storage/CoreDataBase.h"
#include "storage/FenDatabaseManager.h"
#include "storage/PageNumberDBModel.h"
#include "storage/QRCodeDBModel.h"
#include "storage/StampDBModel.h"
#include "storage/StoreQueue.h"
#include "ui/Sheets.h"
#include "ui/StoreFailureAlerts.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <tuple>

namespace fen {
namespace {

using Clock = std::chrono::steady_clock;

// The shown dialog of `window` with that accessible name.
QDialog* shownDialog(QWidget* window, const QString& name) {
    for (QDialog* dialog : window->findChildren<QDialog*>()) {
        if (dialog->isVisible() && dialog->accessibleName() == name) {
            return dialog;
        }
    }
    return nullptr;
}

QAbstractButton* buttonOf(QWidget* dialog, const QString& name) {
    for (auto* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->text() == name) {
            return button;
        }
    }
    return nullptr;
}

TEST(PresetStoreFaults, ASaveUnderAnOutsideLockTellsTheFailureAndOffersTheNameAgain) {
    const std::filesystem::path file = test::freshFolder() / "FenmoorData.sqlite";
    auto store = std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{file}));
    store->setWritePatience(std::chrono::milliseconds(300));
    CoreDataBase::setShared(store);
    {
        test::DocumentWindow window;
        WatermarkListContainerView* list = window.tab->textList();
        list->entryField()->setFocus();
        QTest::keyClicks(list->entryField(), "Alpha");
        QTest::keyClick(list->entryField(), Qt::Key_Return);

        store::Database holder(file, store::OpenMode::readWrite);
        holder.exec("BEGIN EXCLUSIVE");
        QTest::mouseClick(list->saveButton(), Qt::LeftButton);
        QDialog* nameAlert = list->nameAlert();
        ASSERT_NE(nameAlert, nullptr);
        QTest::keyClicks(nameAlert->findChild<QLineEdit*>(), "Busy day");
        const auto start = Clock::now();
        QTest::keyClick(nameAlert->findChild<QLineEdit*>(), Qt::Key_Return);
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100))
            << "the window is back in its event loop at once";

        ASSERT_TRUE(
            QTest::qWaitFor([&] { return window.tab->saveFailureAlert() != nullptr; }, 10000));
        QDialog* told = window.tab->saveFailureAlert();
        EXPECT_EQ(told->accessibleName(),
                  "The preset “Busy day” could not be saved: database is locked");
        EXPECT_EQ(told->findChild<QLabel*>()->text(), told->accessibleName());
        EXPECT_TRUE(FenDatabaseManager::listTextPresetItems().empty());
        holder.exec("ROLLBACK");

        // OK brings the name alert back with the name, and this time the save is stored.
        buttonOf(told, "OK")->click();
        QDialog* again = nullptr;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return (again = shownDialog(window.view.get(), "Text Watermark Preset")); },
            2000));
        EXPECT_EQ(again->findChild<QLineEdit*>()->text(), "Busy day");
        buttonOf(again, "OK")->click();
        ASSERT_TRUE(StoreQueue::shared().waitUntilIdle(std::chrono::seconds(10)));
        std::vector<PresetItem> items = FenDatabaseManager::listTextPresetItems();
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0].title, "Busy day");
        window.settle();
        EXPECT_EQ(window.tab->saveFailureAlert(), nullptr);
    }
    CoreDataBase::setShared(nullptr);
}

TEST(PresetStoreFaults, AListEntryTheStoreRefusesIsToldOverItsOwnSheetAtOnce) {
    const std::filesystem::path file = test::freshFolder() / "FenmoorData.sqlite";
    CoreDataBase::setShared(
        std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{file})));
    ui::StoreFailureAlerts::install();
    StampDBModel stamps;
    PageNumberDBModel formats;
    QRCodeDBModel codes;
    struct Case {
        const char* list;
        // Opens the list's sheet over `owner`.
        std::function<QDialog*(QWidget* owner)> open;
        // Adds an entry as the user does; then tries the same again.
        std::function<void(QDialog* sheet)> add;
        std::function<void(QDialog* sheet)> again;
    };
    const auto typeAndReturn = [](FenViewInputNew* input, const char* text) {
        QTest::keyClicks(input->lineEdit(), text);
        QTest::keyClick(input->lineEdit(), Qt::Key_Return);
    };
    const std::vector<Case> cases = {
        {"stamp texts",
         [&stamps](QWidget* owner) {
             QDialog* sheet = ui::makeSheet(owner, "Stamp Watermarks");
             auto* layout = new QVBoxLayout(sheet);
             layout->addWidget(new StampWatermarksListView(stamps, [](bool) {}));
             sheet->open();
             return sheet;
         },
         [&typeAndReturn](QDialog* sheet) {
             FenViewInputNew* input = sheet->findChild<StampWatermarksListView*>()->field();
             typeAndReturn(input, "Seen by the board");
             EXPECT_EQ(input->text(), "Seen by the board") << "kept for another try";
         },
         [](QDialog* sheet) {
             FenViewInputNew* input = sheet->findChild<StampWatermarksListView*>()->field();
             QTest::keyClick(input->lineEdit(), Qt::Key_Return);
             EXPECT_TRUE(input->text().isEmpty());
         }},
        {"page-number formats",
         [&formats](QWidget* owner) { return openPageNumberFormatsSheet(owner, formats); },
         [](QDialog* sheet) { sheet->findChild<OtherWatermarksListView*>()->addButton()->click(); },
         [](QDialog* sheet) {
             sheet->findChild<OtherWatermarksListView*>()->addButton()->click();
         }},
        {"QR codes", [&codes](QWidget* owner) { return openQrCodesSheet(owner, codes); },
         [&typeAndReturn](QDialog* sheet) {
             typeAndReturn(sheet->findChild<QRCodeCreatorListView*>()->field(), "Front desk");
         },
         [&typeAndReturn](QDialog* sheet) {
             typeAndReturn(sheet->findChild<QRCodeCreatorListView*>()->field(), "Front desk");
         }},
    };
    for (const Case& c : cases) {
        QWidget owner;
        owner.show();
        QDialog* sheet = c.open(&owner);
        // Another window is the active one: the alert still goes over the sheet.
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        const auto stored = [] {
            return std::make_tuple(FenDatabaseManager::loadStampList().size(),
                                   FenDatabaseManager::loadPageNumberList().size(),
                                   FenDatabaseManager::loadQRCodes().size());
        };
        const auto before = stored();

        store::Database holder(file, store::OpenMode::readWrite);
        holder.exec("BEGIN EXCLUSIVE");
        const auto start = Clock::now();
        c.add(sheet);
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100))
            << c.list << ": the GUI thread waits a frame or two at most";
        ASSERT_TRUE(QTest::qWaitFor([] { return ui::StoreFailureAlerts::shown() != nullptr; }))
            << c.list;
        const QPointer<QDialog> told = ui::StoreFailureAlerts::shown();
        EXPECT_EQ(told->accessibleName(), "The preset could not be saved: database is locked")
            << c.list;
        EXPECT_EQ(told->parentWidget(), sheet) << c.list << ": told over the sheet";
        // The key that asked for the change is over, and the alert still shows.
        QCoreApplication::processEvents();
        ASSERT_TRUE(told && told->isVisible()) << c.list;
        buttonOf(told, "OK")->click();
        ASSERT_TRUE(QTest::qWaitFor([] { return ui::StoreFailureAlerts::shown() == nullptr; }));
        holder.exec("ROLLBACK");
        EXPECT_EQ(stored(), before) << c.list;

        // The lock gone, the same step stores it.
        c.again(sheet);
        EXPECT_NE(stored(), before) << c.list;
    }
    CoreDataBase::setThreadWritePatience(std::nullopt);
    CoreDataBase::setShared(nullptr);
}

// Stored stamp presets nested far too deep before their other keys: the window opens its pages as
// ever, and the sheet that lists them tells once that they could not be read.
TEST(PresetStoreFaults, PresetsThatCannotBeReadAreToldOnceOverTheirSheet) {
    const std::filesystem::path file = test::freshFolder() / "FenmoorData.sqlite";
    CoreDataBase::setShared(
        std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{file})));
    const std::string deep = std::string(300000, '[') + std::string(300000, ']');
    ASSERT_TRUE(CoreDataBase::shared()->savePresetsData(
        R"({"lastSaved":0,"presets":[{"id":"A","name":"S","preset":{"position":{"middle":)" + deep +
            R"(},"angle":{"d0":{}}}}]})",
        PresetStoreKind::stamp));
    test::DocumentWindow window;
    for (int page : {2, 1, 2}) {
        window.tab->controller().setTabSelection(page);
        window.settle();
    }
    auto notices = [](QDialog* sheet) {
        QStringList names;
        for (QDialog* dialog : sheet->findChildren<QDialog*>()) {
            names += dialog->isVisible() ? dialog->accessibleName() : QString();
        }
        names.removeAll(QString());
        return names;
    };
    auto channel = NotificationDocumentCenter::makeDocumentNotificationCenter();
    QDialog* stamps = SavedListPanel::present(window.view.get(), channel, PresetsList::stamp, {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !notices(stamps).isEmpty(); }, 10000));
    EXPECT_EQ(notices(stamps),
              QStringList{"The stored stamp presets could not be read: The given data was not "
                          "valid JSON: arrays and objects nest deeper than 64 levels."});
    EXPECT_TRUE(stamps->findChild<SavedListPanelSheet*>()->showsPlaceholder());
    buttonOf(stamps->findChild<QDialog*>(), "OK")->click();
    // Another kind reads well: nothing to tell.
    QDialog* numbers =
        SavedListPanel::present(window.view.get(), channel, PresetsList::pagenumber, {});
    window.settle();
    EXPECT_TRUE(notices(numbers).isEmpty());
    CoreDataBase::setShared(nullptr);
}

} // namespace
} // namespace fen
