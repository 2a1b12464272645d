// A preset saved from a window while another process holds the store: the window goes on at once,
// then tells the failure in an alert and offers the typed name again.
#include "DocumentWindowFixture.h"
#include "controls/TextInputs.h"
#include "panels/StampWatermarksListView.h"
#include "panels/WatermarkListContainerView.h"
#include "platform/store/Database.h"
#include "storage/CoreDataBase.h"
#include "storage/FenDatabaseManager.h"
#include "storage/StampDBModel.h"
#include "storage/StoreQueue.h"
#include "ui/StoreFailureAlerts.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include <gtest/gtest.h>

#include <chrono>

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
        EXPECT_EQ(told->accessibleName(), "The preset could not be saved: database is locked");
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

TEST(PresetStoreFaults, AListEntryTheStoreRefusesIsToldAtOnceAndItsTextKept) {
    const std::filesystem::path file = test::freshFolder() / "FenmoorData.sqlite";
    CoreDataBase::setShared(
        std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{file})));
    ui::StoreFailureAlerts::install();
    {
        StampDBModel model;
        StampWatermarksListView sheet(model, [](bool) {});
        sheet.show();
        QApplication::setActiveWindow(&sheet);
        const int rows = sheet.list()->count();
        QLineEdit* field = sheet.field()->lineEdit();
        field->setFocus();
        QTest::keyClicks(field, "Seen by the board");

        store::Database holder(file, store::OpenMode::readWrite);
        holder.exec("BEGIN EXCLUSIVE");
        const auto start = Clock::now();
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100))
            << "the GUI thread waits a frame or two at most";
        QDialog* told = ui::StoreFailureAlerts::shown();
        ASSERT_NE(told, nullptr);
        EXPECT_EQ(told->accessibleName(), "The preset could not be saved: database is locked");
        EXPECT_EQ(sheet.field()->text(), "Seen by the board") << "kept for another try";
        EXPECT_EQ(sheet.list()->count(), rows);
        buttonOf(told, "OK")->click();
        holder.exec("ROLLBACK");

        // The lock gone, Return stores it.
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_TRUE(sheet.field()->text().isEmpty());
        EXPECT_EQ(sheet.list()->count(), rows + 1);
    }
    CoreDataBase::setThreadWritePatience(std::nullopt);
    CoreDataBase::setShared(nullptr);
}

} // namespace
} // namespace fen
