// Quit while preset saves wait for a store another process holds: the window stays and says which
// presets wait, the quit goes on by itself once they are stored, and quitting without them names
// them and leaves nothing of the store running.
#include "shell/QuitWhileSaving.h"
#include "platform/foundation/Log.h"
#include "platform/store/Database.h"
#include "shell/QuitWaitAlert.h"
#include "shell/SceneManager.h"
#include "shell/Shell.h"
#include "storage/CoreDataBase.h"
#include "storage/FenDatabaseManager.h"
#include "storage/StoreQueue.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <future>
#include <memory>

namespace fen {
namespace {

namespace fs = std::filesystem;
using Step = QuitWhileSaving::Step;
using Names = std::vector<std::string>;

TEST(QuitWhileSaving, WaitsForTheSavesAndGivesUpWhenOneFails) {
    struct Case {
        const char* what;
        Names atQuit;
        std::vector<std::pair<Names, std::uint64_t>> updates; // waiting, failures so far
        std::vector<Step> steps;                              // at the quit, then per update
    };
    const std::vector<Case> cases = {
        {"nothing waits", {}, {}, {Step::quit}},
        {"stored one by one",
         {"A", "B"},
         {{{"B"}, 3}, {{}, 3}},
         {Step::wait, Step::wait, Step::quit}},
        {"one fails", {"A", "B"}, {{{"B"}, 4}}, {Step::wait, Step::stay}},
        {"the last one fails", {"A"}, {{{}, 4}}, {Step::wait, Step::stay}},
    };
    for (const Case& c : cases) {
        QuitWhileSaving logic;
        std::vector<Step> steps = {logic.begin(c.atQuit, 3)};
        for (const auto& [waiting, failed] : c.updates) {
            steps.push_back(logic.update(waiting, failed));
        }
        EXPECT_EQ(steps, c.steps) << c.what;
        EXPECT_FALSE(logic.isWaiting()) << c.what;
    }
    EXPECT_STREQ(QuitWhileSaving::titleKey(1), "1 preset is waiting for the store");
    EXPECT_STREQ(QuitWhileSaving::titleKey(2), "%1 presets are waiting for the store");
    EXPECT_EQ(QuitWhileSaving::namedList({"A"}), "\u201CA\u201D");
    EXPECT_EQ(QuitWhileSaving::namedList({"A", "B", "C"}),
              "\u201CA\u201D, \u201CB\u201D and \u201CC\u201D");
}

QWidget* plainView(std::weak_ptr<KvDocument>, QWidget* parent) {
    return new QWidget(parent);
}

QAbstractButton* buttonOf(QWidget* dialog, const QString& name) {
    for (auto* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->text() == name) {
            return button;
        }
    }
    return nullptr;
}

class QuitWhileSavingWindow : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path stateFile = dir / "state" / "scenes.json";
    fs::path storeFile = test::freshFolder() / "FenmoorData.sqlite";
    StoreQueue queue;
    std::unique_ptr<SceneManager> manager;
    std::unique_ptr<Shell> shell;

    void SetUp() override {
        CoreDataBase::setShared(
            std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{storeFile})));
        test::writeFile(dir / "a.pdf", "%PDF-1.4 a");
        manager = std::make_unique<SceneManager>(plainView, stateFile, queue);
        shell = std::make_unique<Shell>(*manager);
        manager->start({Url::fileURL(dir / "a.pdf")});
    }
    void TearDown() override {
        queue.finish(std::chrono::seconds(0));
        shell.reset();
        manager.reset();
        CoreDataBase::setShared(nullptr);
    }
    QWidget* window() const { return dynamic_cast<QWidget*>(manager->connectedScenes().at(0)); }
    // Quit as the user does, from the window's menu (Ctrl+Q).
    void quit() {
        for (QAction* action : window()->findChildren<QAction*>()) {
            if (action->text() == QLatin1String("Quit")) {
                action->trigger();
                return;
            }
        }
        FAIL() << "no Quit in the window's menu";
    }
    void save(const std::string& name) {
        queue.postSave(name, [name] { return FenDatabaseManager::saveTextPreset(name, {}, {}); });
    }
    bool quitFinished() const { return fs::exists(stateFile); }
    // Holds the store's thread inside slow work until the promise given back is kept, so that
    // the saves posted meanwhile wait behind it.
    std::promise<void> holdStoreThread() {
        // Shared with the store's thread, which may still be inside set_value() when the wait
        // below returns.
        auto entered = std::make_shared<std::promise<void>>();
        std::future<void> inside = entered->get_future();
        std::promise<void> opening;
        queue.post([entered, opened = opening.get_future().share()] {
            entered->set_value();
            opened.wait();
        });
        inside.wait();
        return opening;
    }
};

TEST_F(QuitWhileSavingWindow, QuitWaitsOverTheWindowNamingThePresetsAndEndsOnceTheyAreStored) {
    store::Database holder(storeFile, store::OpenMode::readWriteCreate);
    holder.exec("BEGIN EXCLUSIVE");
    save("Quarterly");
    save("Yearly");
    quit();

    QDialog* alert = manager->quitWait().alert();
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->parentWidget(), window());
    EXPECT_EQ(alert->accessibleName(), "2 presets are waiting for the store");
    const QList<QLabel*> labels = alert->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 2);
    EXPECT_TRUE(labels[1]->text().contains(QString::fromUtf8("\u201CQuarterly\u201D and "
                                                             "\u201CYearly\u201D")))
        << labels[1]->text().toStdString();
    EXPECT_FALSE(quitFinished()) << "the program waits for the store";

    holder.exec("ROLLBACK");
    ASSERT_TRUE(QTest::qWaitFor([this] { return quitFinished(); }, 30000));
    EXPECT_EQ(manager->quitWait().alert(), nullptr);
    Names stored;
    for (const PresetItem& item : FenDatabaseManager::listTextPresetItems()) {
        stored.push_back(item.title);
    }
    EXPECT_EQ(stored, (Names{"Quarterly", "Yearly"}));
}

TEST_F(QuitWhileSavingWindow, QuittingWithoutThemNamesThemAndLeavesNothingOfTheStoreRunning) {
    // The store's thread held inside slow work, with the saves queued behind it.
    std::promise<void> opening = holdStoreThread();
    save("Quarterly");
    save("Yearly");
    quit();
    QDialog* alert = manager->quitWait().alert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->accessibleName(), "2 presets are waiting for the store");

    std::vector<std::string> lines;
    const log::Handler previous =
        log::setHandler([&lines](log::Level, std::string_view text) { lines.emplace_back(text); });
    buttonOf(alert, "Quit Without Them")->click();
    log::setHandler(previous);
    EXPECT_TRUE(quitFinished());
    EXPECT_EQ(lines, (Names{"quit without storing the presets \u201CQuarterly\u201D and "
                            "\u201CYearly\u201D"}));

    opening.set_value();
    auto finished =
        std::async(std::launch::async, [this] { return queue.finish(std::chrono::seconds(15)); });
    ASSERT_EQ(finished.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(finished.get(), Names{});
    EXPECT_TRUE(FenDatabaseManager::listTextPresetItems().empty());
}

TEST_F(QuitWhileSavingWindow, FilesHandedOverCallTheWaitingQuitOff) {
    std::promise<void> opening = holdStoreThread();
    save("Quarterly");
    quit();
    ASSERT_NE(manager->quitWait().alert(), nullptr);
    EXPECT_EQ(manager->quitWait().alert()->accessibleName(), "1 preset is waiting for the store");
    test::writeFile(dir / "b.pdf", "%PDF-1.4 b");
    EXPECT_TRUE(manager->takeHandedFiles({Url::fileURL(dir / "b.pdf")}));
    EXPECT_FALSE(manager->quitWait().isWaiting());
    opening.set_value();
    ASSERT_TRUE(queue.waitUntilIdle(std::chrono::seconds(30)));
    EXPECT_FALSE(quitFinished()) << "the program stays";
    EXPECT_EQ(manager->connectedScenes().size(), 2u);
}

TEST_F(QuitWhileSavingWindow, SigtermsWhileTheQuitWaitsLeaveItsAlertAsItIs) {
    manager->installTerminationHandler();
    test::writeFile(dir / "b.pdf", "%PDF-1.4 b");
    ASSERT_TRUE(manager->takeHandedFiles({Url::fileURL(dir / "b.pdf")}));
    auto* second = dynamic_cast<QWidget*>(manager->connectedScenes().at(1));
    std::promise<void> opening = holdStoreThread();
    save("Quarterly");
    // Quit from the second window: the alert shows over it, not over the first a signal would pick.
    for (QAction* action : second->findChildren<QAction*>()) {
        if (action->text() == QLatin1String("Quit")) {
            action->trigger();
            break;
        }
    }
    const QPointer<QDialog> alert = manager->quitWait().alert();
    ASSERT_TRUE(alert);
    for (int i = 0; i < 1000; ++i) {
        ::raise(SIGTERM);
    }
    // The signals are read at the loop's next turn.
    QCoreApplication::processEvents();
    EXPECT_EQ(manager->quitWait().alert(), alert.data());
    EXPECT_EQ(alert ? alert->parentWidget() : nullptr, second);
    opening.set_value();
    EXPECT_TRUE(QTest::qWaitFor([this] { return quitFinished(); }, 30000));
}

TEST_F(QuitWhileSavingWindow, EverySigtermQuitsAsTheFirstDid) {
    manager->installTerminationHandler();
    CoreDataBase::shared()->setWritePatience(std::chrono::milliseconds(300));
    const auto terminate = [this] {
        ::raise(SIGTERM);
        return QTest::qWaitFor([this] { return manager->quitWait().isWaiting(); }, 30000);
    };
    // A quit that waits for a save is called off, by Cancel or by the save failing; the next
    // SIGTERM quits again.
    std::unique_ptr<store::Database> holder;
    const std::vector<std::pair<const char*, std::function<void()>>> callingOff = {
        {"Cancel", [this] { buttonOf(manager->quitWait().alert(), "Cancel")->click(); }},
        {"a failed save",
         [&] {
             holder =
                 std::make_unique<store::Database>(storeFile, store::OpenMode::readWriteCreate);
             holder->exec("BEGIN EXCLUSIVE");
         }},
    };
    for (const auto& [what, callOff] : callingOff) {
        // The save waits behind the store's thread until the quit waits for it.
        std::promise<void> opening = holdStoreThread();
        save("Quarterly");
        ASSERT_TRUE(terminate()) << what;
        callOff();
        opening.set_value();
        ASSERT_TRUE(queue.waitUntilIdle(std::chrono::seconds(30))) << what;
        EXPECT_TRUE(QTest::qWaitFor([this] { return !manager->quitWait().isWaiting(); }, 30000))
            << what;
        EXPECT_FALSE(quitFinished()) << what;
        holder.reset();
    }
    // Nothing waits: the quit ends the program.
    ::raise(SIGTERM);
    EXPECT_TRUE(QTest::qWaitFor([this] { return quitFinished(); }, 30000));
}

} // namespace
} // namespace fen
