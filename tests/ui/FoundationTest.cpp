// The main-queue bridge, notification observing from widgets, and the typed user defaults.
#include "platform/foundation/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "ui/Observe.h"
#include "ui/UserDefaults.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QTest>
#include <QThread>
#include <QWidget>

#include <atomic>
#include <thread>

namespace {

using fen::MainQueue;
using fen::Notification;
using fen::NotificationCenter;

TEST(QtMainQueue, WorkerPostReachesTheObservingWidgetOnTheGuiThread) {
    auto* widget = new QWidget;
    std::vector<int> received;
    QThread* deliveredOn = nullptr;
    fen::ui::observe(widget, "TestPing_1", [&](const Notification& n) {
        received.push_back(std::any_cast<int>(n.userInfo.at("value")));
        deliveredOn = QThread::currentThread();
    });
    std::thread worker([] {
        NotificationCenter::defaultCenter().post("TestPing_1", {}, {{"value", std::any(7)}});
    });
    worker.join();
    EXPECT_TRUE(received.empty()); // handed over, not run on the worker
    QTRY_COMPARE(received.size(), size_t(1));
    EXPECT_EQ(received.front(), 7);
    EXPECT_EQ(deliveredOn, qApp->thread());

    // A post from the GUI thread is delivered at once.
    NotificationCenter::defaultCenter().post("TestPing_1", {}, {{"value", std::any(8)}});
    EXPECT_EQ(received.size(), size_t(2));

    // Posted from a worker, then the widget goes before the GUI thread gets to it: nothing runs.
    std::thread late([] {
        NotificationCenter::defaultCenter().post("TestPing_1", {}, {{"value", std::any(9)}});
    });
    late.join();
    delete widget;
    QCoreApplication::processEvents();
    QTest::qWait(20);
    EXPECT_EQ(received.size(), size_t(2));
    EXPECT_EQ(NotificationCenter::defaultCenter().observerCount("TestPing_1"), size_t(0));
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
    QTRY_VERIFY(workerDone.load());
    worker.join();
    EXPECT_EQ(ranOn, qApp->thread());

    int order = 0;
    MainQueue::post([&] { order = order * 10 + 1; });
    MainQueue::post([&] { order = order * 10 + 2; });
    EXPECT_EQ(order, 0);
    QTRY_COMPARE(order, 12);
}

TEST(UserDefaults, ValuesRoundTripThroughTheSettingsFileWithTheirTypes) {
    const QList<QByteArray> ten = [] {
        QList<QByteArray> list;
        for (int i = 0; i < 10; ++i) {
            list.push_back(QByteArray("/home/user/File ") + QByteArray::number(i) + ".pdf\n,@\0x");
        }
        return list;
    }();
    {
        fen::ui::UserDefaults defaults;
        defaults.setBool(fen::ui::UserDefaults::overWrite, true);
        defaults.setBool(fen::ui::UserDefaults::kvWelcomeWhatsNew, false);
        defaults.setInt(fen::ui::UserDefaults::currentReleaseVersion, 42);
        defaults.setDouble(fen::ui::UserDefaults::reviewDate, 1234567.25);
        defaults.setString(fen::ui::UserDefaults::reference, "ABC-123, \"quoted\"");
        defaults.setDataList("list0", {});
        defaults.setDataList("list1", {QByteArray("one\0byte", 8)});
        defaults.setDataList(fen::ui::UserDefaults::recents, ten);
        defaults.sync();
    }
    // A fresh object reads the file written in the temporary configuration folder.
    QSettings raw("fenmoor", "fenmoor");
    EXPECT_TRUE(raw.fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));

    fen::ui::UserDefaults defaults;
    EXPECT_TRUE(defaults.boolValue(fen::ui::UserDefaults::overWrite));
    EXPECT_FALSE(defaults.boolValue(fen::ui::UserDefaults::kvWelcomeWhatsNew, true));
    EXPECT_EQ(defaults.intValue(fen::ui::UserDefaults::currentReleaseVersion), 42);
    EXPECT_DOUBLE_EQ(defaults.doubleValue(fen::ui::UserDefaults::reviewDate), 1234567.25);
    EXPECT_EQ(defaults.stringValue(fen::ui::UserDefaults::reference), "ABC-123, \"quoted\"");
    EXPECT_EQ(defaults.dataListValue("list0", {"fallback"}), QList<QByteArray>());
    EXPECT_EQ(defaults.dataListValue("list1"), QList<QByteArray>{QByteArray("one\0byte", 8)});
    EXPECT_EQ(defaults.dataListValue(fen::ui::UserDefaults::recents), ten);

    // Absent keys, and values of another type, read as the defaults given.
    EXPECT_TRUE(defaults.boolValue(fen::ui::UserDefaults::lastUsedDate, true));
    EXPECT_EQ(defaults.intValue(fen::ui::UserDefaults::reviewNumberRequestKey, 3), 3);
    EXPECT_DOUBLE_EQ(defaults.doubleValue(fen::ui::UserDefaults::lastUsedDate, 2.5), 2.5);
    EXPECT_EQ(defaults.stringValue("absent", "none"), "none");
    EXPECT_EQ(defaults.dataListValue("absent", {"x"}), QList<QByteArray>{"x"});
    EXPECT_EQ(defaults.intValue(fen::ui::UserDefaults::reference, -1), -1);
    EXPECT_EQ(defaults.dataListValue(fen::ui::UserDefaults::reference, {"x"}),
              QList<QByteArray>{"x"});
}

} // namespace
