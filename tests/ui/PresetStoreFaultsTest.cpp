// A preset saved from a window while another process holds the store: the window goes on at once,
// then tells the failure in an alert and offers the typed name again.
#include "DocumentWindowFixture.h"
#include "controls/FenGenerticNoDataInList.h"
#include "controls/TextInputs.h"
#include "document/SettingsTabController.h"
#include "export/NotificationDocumentCenter.h"
#include "panels/ListEditorSheet.h"
#include "panels/OtherWatermarksListView.h"
#include "panels/QRCodeCreatorListView.h"
#include "panels/SavedListPanel.h"
#include "panels/SavedListPanelSheet.h"
#include "panels/SpecialAdditionalStamp.h"
#include "panels/StampWatermarksListView.h"
#include "panels/WatermarkListContainerView.h"
#include "platform/foundation/Log.h"
#include "platform/store/Database.h"
#include "shell/AppDelegate.h"
#include "storage/CoreDataBase.h"
#include "storage/FenDatabaseManager.h"
#include "storage/OldVersionConverter.h"
#include "storage/PageNumberDBModel.h"
#include "storage/QRCodeDBModel.h"
#include "storage/StampDBModel.h"
#include "storage/StoreQueue.h"
#include "storage/StoreTestSupport.h"
#include "storage/StoreWork.h"
#include "ui/Sheets.h"
#include "ui/StoreFailureAlerts.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
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

// The window's store work as the application has it: reads and changes on the store's own thread
// (StoreWork), the GUI thread never calling the store itself (a call it made would fail and be
// logged). What was logged meanwhile is kept.
class WindowStoreWork {
public:
    WindowStoreWork() {
        StoreWork::useStoreThread(true);
        CoreDataBase::setThreadRefusesStore(true);
        previous_ = log::setHandler([this](log::Level, std::string_view text) {
            std::lock_guard lock(mutex_);
            logged_.append(text).append("\n");
        });
    }
    ~WindowStoreWork() {
        settle();
        log::setHandler(std::move(previous_));
        CoreDataBase::setThreadRefusesStore(false);
        StoreWork::useStoreThread(false);
    }
    WindowStoreWork(const WindowStoreWork&) = delete;
    WindowStoreWork& operator=(const WindowStoreWork&) = delete;

    // Waits until the store's thread has done what it was handed and its answers have come back.
    static void settle() {
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(StoreQueue::shared().waitUntilIdle(std::chrono::seconds(30)));
            QCoreApplication::processEvents();
        }
    }
    std::string logged() {
        std::lock_guard lock(mutex_);
        return logged_;
    }

private:
    log::Handler previous_;
    std::mutex mutex_;
    std::string logged_;
};

// Another program holding the store: for `held`, then letting go; all along without `held`.
class AnotherProgram {
public:
    enum class Hold { everything, aRead };
    AnotherProgram(const std::filesystem::path& file, Hold hold,
                   std::optional<std::chrono::milliseconds> held = std::nullopt)
        : db_(std::make_shared<store::Database>(file, store::OpenMode::readWrite)) {
        db_->exec(hold == Hold::everything ? "BEGIN EXCLUSIVE" : "BEGIN");
        db_->exec("SELECT count(*) FROM DBTextPresets");
        if (held) {
            letGo_ = std::thread([db = db_, held = *held] {
                std::this_thread::sleep_for(held);
                db->exec("ROLLBACK");
            });
        }
    }
    ~AnotherProgram() { letGo(); }
    void letGo() {
        if (letGo_.joinable()) {
            letGo_.join();
        } else if (db_) {
            db_->exec("ROLLBACK");
        }
        db_.reset();
    }

private:
    std::shared_ptr<store::Database> db_;
    std::thread letGo_;
};

// The texts of a sheet's rows, as a user sees them: the presets sheet's list items, a list
// editor's row buttons, the stamp list's items.
QStringList rowsOf(QDialog* sheet) {
    QStringList rows;
    if (auto* presets = sheet->findChild<SavedListPanelSheet*>()) {
        for (int i = 0; i < presets->list()->count(); ++i) {
            rows += presets->list()->item(i)->text();
        }
    } else if (auto* editor = sheet->findChild<ListEditorSheet*>()) {
        for (QAbstractButton* row : editor->rows()) {
            rows += row->accessibleName();
        }
    } else if (auto* stamps = sheet->findChild<StampWatermarksListView*>()) {
        for (int i = 0; i < stamps->list()->count(); ++i) {
            rows += stamps->list()->item(i)->text();
        }
    } else if (auto* source = sheet->findChild<SpecialAdditionalStamp*>()) {
        // A source row's picker: the entry it shows chosen.
        for (const SPAOptions& option : source->logic().options()) {
            if (option.id == source->logic().selection() && option.id != SPAOptions::kNoneID) {
                rows += QString::fromStdString(option.title);
            }
        }
    }
    return rows;
}

// A read of the window's that must wait for another program (saving, or holding the store a
// moment) waits on the store's thread, the window answering meanwhile, and shows what the store
// holds once read: never an empty list or the defaults in place of the user's entries, and
// nothing told. The GUI thread never calls the store.
TEST(PresetStoreFaults, AReadThatMustWaitIsWaitedForOffTheWindowsThreadAndShowsWhatIsStored) {
    struct Case {
        const char* name;
        // Stores the user's entries (on the GUI thread, before the window's store work).
        std::function<void()> store;
        // Opens the sheet over `owner`, its model kept in `model`.
        std::function<QDialog*(QWidget* owner, std::unique_ptr<OptionListModel>& model)> open;
        QStringList rows;
        // How what is logged begins; nothing is logged without it.
        std::string logged = {};
    };
    const auto channel = NotificationDocumentCenter::makeDocumentNotificationCenter();
    const auto openStampSheet = [](QWidget* owner, std::unique_ptr<OptionListModel>& model) {
        model = std::make_unique<StampDBModel>();
        QDialog* sheet = ui::makeSheet(owner, "Stamp Watermarks");
        auto* layout = new QVBoxLayout(sheet);
        layout->addWidget(
            new StampWatermarksListView(static_cast<StampDBModel&>(*model), [](bool) {}));
        sheet->open();
        return sheet;
    };
    QStringList stamps{"Paid",  "Received",     "Approved", "Reviewed", "Certified",
                       "Draft", "Confidential", "Rejected", "Final",    "Seen by the board"};
    const std::vector<Case> cases = {
        {"text presets",
         [] {
             ASSERT_TRUE(FenDatabaseManager::saveTextPreset("Quarterly", {"a"}, TextSettings{}));
             ASSERT_TRUE(FenDatabaseManager::saveTextPreset("Draft", {"b"}, TextSettings{}));
         },
         [&channel](QWidget* owner, std::unique_ptr<OptionListModel>&) {
             return SavedListPanel::present(owner, channel, PresetsList::text, {});
         },
         {"Quarterly", "Draft"}},
        {"stamp texts",
         [] {
             ASSERT_EQ(FenDatabaseManager::loadStampList().size(), 9u);
             ASSERT_TRUE(FenDatabaseManager::addStampListEntry("MINE", "Seen by the board"));
         },
         openStampSheet, stamps},
        // The stamp panel's picker, over a stamp whose text is the user's own entry: the entry is
        // chosen once read, and nothing is written meanwhile.
        {"the stamp picker",
         [] {
             ASSERT_EQ(FenDatabaseManager::loadStampList().size(), 9u);
             ASSERT_TRUE(FenDatabaseManager::addStampListEntry("MINE", "Seen by the board"));
         },
         [](QWidget* owner, std::unique_ptr<OptionListModel>&) {
             QDialog* sheet = ui::makeSheet(owner, "Stamp");
             auto* layout = new QVBoxLayout(sheet);
             layout->addWidget(new SpecialAdditionalStamp(
                 StampTextColor{"Seen by the board", gfx::Color{1, 0, 0, 1}},
                 [](const StampTextColor&) { ADD_FAILURE() << "written during a load"; }, nullptr,
                 nullptr));
             sheet->open();
             return sheet;
         },
         {"Seen by the board"}},
        {"page-number formats",
         [] {
             ASSERT_EQ(FenDatabaseManager::loadPageNumberList().size(), 8u);
             for (const PageNumberList& format : FenDatabaseManager::loadPageNumberList()) {
                 ASSERT_TRUE(FenDatabaseManager::removePageNumberListEntry(format.id));
             }
             ASSERT_TRUE(FenDatabaseManager::addPageNumberListEntry("MINE", "Seite #currentPage"));
         },
         [](QWidget* owner, std::unique_ptr<OptionListModel>& model) {
             model = std::make_unique<PageNumberDBModel>();
             return openPageNumberFormatsSheet(owner, *model);
         },
         {"Seite #currentPage"}},
        // Converted at the launch from the earlier version's settings, off the window's thread,
        // before the list's first read.
        {"stamp texts of the earlier version",
         [] {
             const std::optional<Url> old = OldVersionConverter::oldPreferencesURL();
             ASSERT_TRUE(old);
             std::filesystem::create_directories(old->path().parent_path());
             test::writeFile(old->path(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                          "<plist version=\"1.0\"><dict><key>stamp_watermark_list"
                                          "</key><array><string>Kept from before</string></array>"
                                          "</dict></plist>\n");
         },
         [&openStampSheet](QWidget* owner, std::unique_ptr<OptionListModel>& model) {
             LaunchServices().convertOldVersion();
             return openStampSheet(owner, model);
         },
         {"Kept from before"},
         "The store was copied to "},
        {"QR codes",
         [] {
             ASSERT_EQ(FenDatabaseManager::loadQRCodes().size(), 3u);
             ASSERT_TRUE(FenDatabaseManager::addQRCode(QRCodeStructure{.itemname = "Front desk"}));
         },
         [](QWidget* owner, std::unique_ptr<OptionListModel>& model) {
             model = std::make_unique<QRCodeDBModel>();
             return openQrCodesSheet(owner, *model);
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path file = test::freshFolder() / "FenmoorData.sqlite";
        CoreDataBase::setShared(
            std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{file})));
        c.store();
        QStringList expected = c.rows;
        if (expected.isEmpty()) {
            for (const QRCodeStructure& code : FenDatabaseManager::loadQRCodes()) {
                expected += QString::fromStdString(code.itemname);
            }
        }
        QWidget owner;
        owner.show();
        std::unique_ptr<OptionListModel> model;
        {
            WindowStoreWork work;
            // Held well past what the window's own thread would wait (a frame or two).
            AnotherProgram other(file, AnotherProgram::Hold::everything,
                                 std::chrono::milliseconds(800));
            // The window answers all the while.
            int ticks = 0;
            QTimer ticker;
            QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
            ticker.start(10);
            QDialog* sheet = c.open(&owner, model);
            EXPECT_TRUE(rowsOf(sheet).isEmpty()) << "nothing shown before it is read";
            EXPECT_TRUE(QTest::qWaitFor([&] { return rowsOf(sheet) == expected; }, 10000))
                << rowsOf(sheet).join(", ").toStdString();
            EXPECT_GT(ticks, 20);
            other.letGo();
            work.settle();
            EXPECT_EQ(rowsOf(sheet), expected);
            EXPECT_EQ(ui::StoreFailureAlerts::shown(), nullptr) << "nothing told";
            for (QDialog* dialog : sheet->findChildren<QDialog*>()) {
                EXPECT_FALSE(dialog->isVisible()) << dialog->accessibleName().toStdString();
            }
            const std::string logged = work.logged();
            EXPECT_TRUE(c.logged.empty() ? logged.empty()
                                         : logged.starts_with(c.logged) &&
                                               logged.find('\n') + 1 == logged.size())
                << logged;
            sheet->close();
        }
        model.reset();
        CoreDataBase::setShared(nullptr);
    }
}

// A read, a delete or a list change that cannot be done within the store's patience is told, as
// such, and the sheet then shows what the store holds: a preset deleted while another program
// holds a read is back in the sheet and still stored; a list whose first read gave up shows no
// entries (neither the defaults nor an empty list told as such), and an entry added to it then is
// told as not stored.
TEST(PresetStoreFaults, AReadOrChangeThatCannotBeDoneIsToldAndTheSheetShowsWhatIsStored) {
    ui::StoreFailureAlerts::install();
    // A preset deleted in the sheet while another program holds a read all along.
    {
        const std::filesystem::path file = test::freshFolder() / "FenmoorData.sqlite";
        auto store = std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{file}));
        CoreDataBase::setShared(store);
        ASSERT_TRUE(FenDatabaseManager::saveTextPreset("Quarterly", {"a"}, TextSettings{}));
        ASSERT_TRUE(FenDatabaseManager::saveTextPreset("Draft", {"b"}, TextSettings{}));
        store->setWritePatience(std::chrono::milliseconds(300));
        test::DocumentWindow window;
        WindowStoreWork work;
        AnotherProgram reader(file, AnotherProgram::Hold::aRead);
        QDialog* sheet = SavedListPanel::present(
            window.view.get(), window.view->content()->channel(), PresetsList::text, {});
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return rowsOf(sheet) == QStringList{"Quarterly", "Draft"};
            },
            10000));
        auto* content = sheet->findChild<SavedListPanelSheet*>();
        content->makeRowMenu(0)->actions().front()->trigger();
        EXPECT_EQ(rowsOf(sheet), QStringList{"Draft"}) << "leaves the sheet at once";
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return window.tab->deleteFailureAlert() != nullptr; }, 10000));
        EXPECT_EQ(window.tab->deleteFailureAlert()->accessibleName(),
                  "The preset could not be deleted: database is locked");
        EXPECT_EQ(window.tab->deleteFailureAlert()->parentWidget(), sheet) << "over the sheet";
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return rowsOf(sheet) == QStringList{"Quarterly", "Draft"};
            },
            10000));
        reader.letGo();
        work.settle();
        EXPECT_EQ(work.logged(), "");
        EXPECT_EQ(test::queryColumn(file, "SELECT count(*) FROM DBTextPresets"),
                  std::vector<std::string>{"1"});
        EXPECT_NE(test::queryColumn(file, "SELECT data FROM DBTextPresets")[0].find("Quarterly"),
                  std::string::npos)
            << "still stored";
        sheet->close();
        window.settle();
        CoreDataBase::setShared(nullptr);
    }
    // Stamp texts never stored, whose first read gives up; an entry added then.
    {
        const std::filesystem::path file = test::freshFolder() / "FenmoorData.sqlite";
        auto store = std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{file}));
        store->setWritePatience(std::chrono::milliseconds(300));
        CoreDataBase::setShared(store);
        QWidget owner;
        owner.show();
        WindowStoreWork work;
        AnotherProgram other(file, AnotherProgram::Hold::everything);
        StampDBModel model;
        QDialog* sheet = ui::makeSheet(&owner, "Stamp Watermarks");
        auto* layout = new QVBoxLayout(sheet);
        auto* view = new StampWatermarksListView(model, [](bool) {});
        layout->addWidget(view);
        sheet->open();
        ASSERT_TRUE(
            QTest::qWaitFor([] { return ui::StoreFailureAlerts::shown() != nullptr; }, 10000));
        EXPECT_EQ(ui::StoreFailureAlerts::shown()->accessibleName(),
                  "The stored stamp texts could not be read: database is locked");
        EXPECT_TRUE(rowsOf(sheet).isEmpty()) << "not the defaults";
        EXPECT_FALSE(view->findChild<FenGenerticNoDataInList*>()->isVisible())
            << "not told as an empty list";
        buttonOf(ui::StoreFailureAlerts::shown(), "OK")->click();
        ASSERT_TRUE(QTest::qWaitFor([] { return ui::StoreFailureAlerts::shown() == nullptr; }));
        other.letGo();
        QTest::keyClicks(view->field()->lineEdit(), "Seen by the board");
        QTest::keyClick(view->field()->lineEdit(), Qt::Key_Return);
        ASSERT_TRUE(
            QTest::qWaitFor([] { return ui::StoreFailureAlerts::shown() != nullptr; }, 10000));
        EXPECT_EQ(ui::StoreFailureAlerts::shown()->accessibleName(),
                  "The preset could not be saved: the stored list could not be read");
        EXPECT_EQ(view->field()->text(), "Seen by the board") << "kept for another try";
        work.settle();
        EXPECT_EQ(work.logged(), "");
        EXPECT_EQ(rowsOf(sheet).size(), 9) << "then read: the defaults, now stored";
        EXPECT_FALSE(rowsOf(sheet).contains("Seen by the board"));
        buttonOf(ui::StoreFailureAlerts::shown(), "OK")->click();
        sheet->close();
        CoreDataBase::setShared(nullptr);
    }
    CoreDataBase::setThreadWritePatience(std::nullopt);
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
