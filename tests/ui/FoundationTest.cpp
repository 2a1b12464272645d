// The main-queue bridge, notification observing from widgets, and the typed user defaults.
#include "platform/foundation/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "ui/Observe.h"
#include "ui/QtMainQueue.h"
#include "ui/UserDefaults.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QTest>
#include <QThread>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using fen::MainQueue;
using fen::ui::UserDefaults;

void postFromWorker(int value) {
    std::thread([value] {
        fen::NotificationCenter::defaultCenter().post("TestPing_1", {},
                                                      {{"value", std::any(value)}});
    }).join();
}

TEST(QtMainQueue, WorkerPostReachesTheObservingWidgetOnTheGuiThread) {
    auto* widget = new QWidget;
    std::vector<int> received;
    QThread* deliveredOn = nullptr;
    fen::ui::observe(widget, "TestPing_1", [&](const fen::Notification& n) {
        received.push_back(std::any_cast<int>(n.userInfo.at("value")));
        deliveredOn = QThread::currentThread();
    });
    postFromWorker(7);
    EXPECT_TRUE(received.empty()); // handed over, not run on the worker
    EXPECT_TRUE(QTest::qWaitFor([&] { return received == std::vector<int>{7}; }));
    EXPECT_EQ(deliveredOn, qApp->thread());

    // Posted from a worker, then the widget goes before the GUI thread gets to it: nothing runs.
    postFromWorker(9);
    delete widget;
    QTest::qWait(20);
    EXPECT_EQ(received.size(), size_t(1));
    EXPECT_EQ(fen::NotificationCenter::defaultCenter().observerCount("TestPing_1"), size_t(0));
}

TEST(QtMainQueue, InvokeAndWaitRunsInlineOnTheGuiThreadAndBlocksAWorker) {
    bool ran = false;
    MainQueue::invokeAndWait([&] { ran = true; });
    EXPECT_TRUE(ran); // no event loop turn was needed

    std::atomic<bool> workerDone{false};
    QThread* ranOn = nullptr;
    std::thread worker([&] {
        MainQueue::invokeAndWait([&] { ranOn = QThread::currentThread(); });
        workerDone = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return workerDone.load(); }));
    worker.join();
    EXPECT_EQ(ranOn, qApp->thread());
}

TEST(QtMainQueue, FinishingBackgroundWorkWaitsForTasksAndTheirCapturesAndServesTheirWaits) {
    // A task that waits on the GUI thread, then posts back, holding to the end an object that
    // takes a while to go.
    struct Held {
        explicit Held(std::atomic<bool>& released) : released(released) {}
        ~Held() {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            released = true;
        }
        std::atomic<bool>& released;
    };
    std::atomic<bool> released{false};
    std::atomic<bool> served{false};
    bool delivered = false;
    std::atomic<bool> go{false};
    auto held = std::make_shared<Held>(released);
    fen::Background::run([held, &served, &delivered, &go] {
        while (!go) {
            std::this_thread::yield();
        }
        MainQueue::invokeAndWait([&] { served = true; });
        MainQueue::post([&delivered] { delivered = true; });
    });
    held.reset();
    EXPECT_FALSE(released);
    EXPECT_EQ(fen::Background::running(), 1);
    go = true;
    fen::ui::QtMainQueue::finishBackgroundWork();
    EXPECT_EQ(fen::Background::running(), 0);
    EXPECT_TRUE(served);
    EXPECT_TRUE(released); // the task's captures went before the count fell
    EXPECT_TRUE(delivered);
}

TEST(UserDefaults, ValuesRoundTripThroughTheSettingsFileWithTheirTypes) {
    QList<QByteArray> ten;
    for (int i = 0; i < 10; ++i) {
        ten.push_back(QByteArray("/home/user/File ") + QByteArray::number(i) + ".pdf\n,@\0x");
    }
    {
        UserDefaults defaults;
        defaults.setBool(UserDefaults::overWrite, true);
        defaults.setInt(UserDefaults::currentReleaseVersion, 42);
        defaults.setDouble(UserDefaults::reviewDate, 1234567.25);
        defaults.setString(UserDefaults::reference, "ABC-123, \"quoted\"");
        defaults.setDataList("list0", {});
        defaults.setDataList("list1", {QByteArray("one\0byte", 8)});
        defaults.setDataList(UserDefaults::recents, ten);
        defaults.sync();
    }
    // A fresh object reads the file written in the temporary configuration folder.
    EXPECT_TRUE(QSettings("fenmoor", "fenmoor")
                    .fileName()
                    .startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
    UserDefaults defaults;
    EXPECT_TRUE(defaults.boolValue(UserDefaults::overWrite));
    EXPECT_EQ(defaults.intValue(UserDefaults::currentReleaseVersion), 42);
    EXPECT_DOUBLE_EQ(defaults.doubleValue(UserDefaults::reviewDate), 1234567.25);
    EXPECT_EQ(defaults.stringValue(UserDefaults::reference), "ABC-123, \"quoted\"");
    EXPECT_EQ(defaults.dataListValue("list0", {"fallback"}), QList<QByteArray>());
    EXPECT_EQ(defaults.dataListValue("list1"), QList<QByteArray>{QByteArray("one\0byte", 8)});
    EXPECT_EQ(defaults.dataListValue(UserDefaults::recents), ten);

    // Absent keys, and values of another type, read as the defaults given.
    EXPECT_TRUE(defaults.boolValue(UserDefaults::lastUsedDate, true));
    EXPECT_EQ(defaults.intValue(UserDefaults::reviewNumberRequestKey, 3), 3);
    EXPECT_DOUBLE_EQ(defaults.doubleValue(UserDefaults::lastUsedDate, 2.5), 2.5);
    EXPECT_EQ(defaults.stringValue("absent", "none"), "none");
    EXPECT_EQ(defaults.dataListValue("absent", {"x"}), QList<QByteArray>{"x"});
    EXPECT_EQ(defaults.intValue(UserDefaults::reference, -1), -1);
}

} // namespace
