// The shell's periphery: the welcome window once per build, the rating request's timing, the
// daily usage ping (to a server on 127.0.0.1 only) and the tablet road on the fake window system.
#include "shell/AppDelegate.h"
#include "shell/DocumentBrowser.h"
#include "shell/FakeShellPlatform.h"
#include "shell/KvAppDelegate.h"
#include "shell/KvDocument.h"
#include "shell/KvDocumentController.h"
#include "shell/MatomoTracker.h"
#include "shell/Shell.h"
#include "shell/SpecialReview.h"
#include "shell/TabletRecentDocuments.h"
#include "shell/VosselTracker.h"
#include "shell/WelcomeWhatsNewView.h"
#include "support/TestSupport.h"
#include "ui/UserDefaults.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QNetworkReply>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrlQuery>

#include <fstream>
#include <regex>

namespace fen {
namespace {

// Launches a shell on fresh or stored settings and shows the browser as the first start does.
struct Start {
    FakeShellPlatform platform;
    std::unique_ptr<Shell> shell = std::make_unique<Shell>(platform);
    Start() {
        platform.screen = {1440, 900};
        shell->appDelegate().launchSetup();
        shell->documentController().showDocumentBrowser();
        platform.runDelayed();
    }
    std::vector<FakeScene*> scenes(SceneRoot root) const {
        std::vector<FakeScene*> found;
        for (size_t i = 0; i < platform.connectedScenes().size(); ++i) {
            if (platform.fakeScene(i)->root() == root) {
                found.push_back(platform.fakeScene(i));
            }
        }
        return found;
    }
};

void forgetSettings() {
    ui::UserDefaults defaults;
    for (const char* key :
         {ui::UserDefaults::currentReleaseVersion, ui::UserDefaults::kvWelcomeWhatsNew,
          ui::UserDefaults::welcomeWhatsNewPresentationStyle, ui::UserDefaults::reviewDate,
          ui::UserDefaults::reviewNumberRequestKey, ui::UserDefaults::lastUsedDate,
          ui::UserDefaults::reference, ui::UserDefaults::recents,
          ui::UserDefaults::analyticsServerURL}) {
        defaults.remove(key);
    }
}

TEST(WelcomeWindow, JoinsTheFirstBrowserOncePerBuildFixedAndCentred) {
    forgetSettings();
    {
        Start first;
        ASSERT_EQ(first.scenes(SceneRoot::browser).size(), 1u);
        const std::vector<FakeScene*> welcome = first.scenes(SceneRoot::welcome);
        ASSERT_EQ(welcome.size(), 1u);
        EXPECT_EQ(welcome[0]->title(), "Welcome");
        EXPECT_EQ(welcome[0]->frame, (std::vector<double>{420, 100, 600, 700}));
        EXPECT_EQ(welcome[0]->minimum, (SceneSize{600, 700}));
        EXPECT_EQ(welcome[0]->maximum, (SceneSize{600, 700}));
        EXPECT_TRUE(welcome[0]->titleHidden);
        EXPECT_FALSE(welcome[0]->miniaturizable);
        EXPECT_FALSE(welcome[0]->allowsFullScreen);
        EXPECT_TRUE(welcome[0]->visible);
        // Closing it leaves the browser, and it is not kept for the next start.
        EXPECT_TRUE(welcome[0]->delegate->stateRestorationActivity(*welcome[0]).userInfo.empty());
        first.platform.close(welcome[0]->persistentIdentifier());
        EXPECT_EQ(first.scenes(SceneRoot::browser).size(), 1u);
    }
    {
        Start second;
        EXPECT_TRUE(second.scenes(SceneRoot::welcome).empty());
    }
    // Another build was seen last: the what's-new page shows once.
    ui::UserDefaults().setInt(ui::UserDefaults::currentReleaseVersion, 7);
    {
        Start updated;
        const std::vector<FakeScene*> welcome = updated.scenes(SceneRoot::welcome);
        ASSERT_EQ(welcome.size(), 1u);
        EXPECT_EQ(welcome[0]->title(), "What's New");
    }
    Start again;
    EXPECT_TRUE(again.scenes(SceneRoot::welcome).empty());
}

TEST(WelcomeWindow, PageFollowsTheStoredStyleAndLeavesTheCloudRowOut) {
    struct Case {
        int style;
        bool isUpdate;
        const char* firstRow;
    };
    for (const Case& c : {Case{0, false, "Welcome"}, Case{1, true, "Rebuilt"},
                          Case{2, false, "Welcome"}, Case{-1, false, "Welcome"}}) {
        const OnBoardingWhatsNew page = OnBoardingWhatsNew::forStyle(c.style, mainBundleInfo());
        EXPECT_EQ(page.isUpdate, c.isUpdate) << c.style;
        ASSERT_EQ(page.items.size(), 2u);
        EXPECT_EQ(page.items[0].title, c.firstRow);
        EXPECT_EQ(page.items[1].title, "Shortcuts");
        EXPECT_EQ(page.appName, "Fenmoor");
    }
    EXPECT_EQ(OnBoardingWhatsNew::forStyle(0, nlohmann::json::object()).appName, "");

    int dismissed = 0;
    WelcomeWhatsNewView view(OnBoardingWhatsNew::forStyle(0, mainBundleInfo()),
                             [&dismissed] { ++dismissed; });
    view.resize(600, 700);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const auto labels = view.findChildren<QLabel*>();
    ASSERT_FALSE(labels.isEmpty());
    EXPECT_EQ(labels[0]->text(), "Welcome to");
    EXPECT_EQ(labels[0]->font().pixelSize(), 45);
    EXPECT_EQ(labels[1]->text(), "Fenmoor");
    EXPECT_EQ(labels[1]->font().pixelSize(), 42);
    auto* button = view.findChild<QPushButton*>();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "Continue");
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(dismissed, 1);
}

TEST(WelcomeWindow, AWindowSystemThatPlacesWindowsItselfIsReportedOnce) {
    forgetSettings();
    FakeShellPlatform platform;
    Shell shell(platform);
    platform.activateSceneSession(std::nullopt, UserActivity{activity::welcome, {}});
    platform.fakeScene(0)->placesWindows = false;
    testing::internal::CaptureStdout();
    platform.runDelayed();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    EXPECT_EQ(platform.fakeScene(0)->root(), SceneRoot::welcome);
}

// A review prompt on a clock the test moves, with the delayed request and the timer recorded.
struct ReviewClock {
    double now = 1.8e9;
    std::vector<int> delays;
    int requests = 0;
    int stops = 0;
    SpecialReview review{{[this] { return now; },
                          [this](int ms, std::function<void()> task) {
                              delays.push_back(ms);
                              task();
                          },
                          [this] { ++requests; }, [this] { ++stops; }}};
};

TEST(ReviewPrompt, AsksOnceMoreThanFiveDaysAfterTheFirstCheckThenStopsItsTimer) {
    forgetSettings();
    ReviewClock clock;
    clock.review.requestReviewIfDue();
    EXPECT_EQ(ui::UserDefaults().doubleValue(ui::UserDefaults::reviewDate), clock.now);
    const double first = clock.now;
    clock.now = first + 5 * 86400.0; // exactly five days: not yet
    clock.review.requestReviewIfDue();
    EXPECT_EQ(clock.requests, 0);
    clock.now += 1;
    clock.review.requestReviewIfDue();
    EXPECT_EQ(clock.requests, 1);
    EXPECT_EQ(clock.delays, (std::vector<int>{10000}));
    EXPECT_EQ(ui::UserDefaults().intValue(ui::UserDefaults::reviewNumberRequestKey), 1);
    EXPECT_EQ(clock.stops, 0);
    clock.review.requestReviewIfDue(); // the next check stops the timer
    EXPECT_EQ(clock.stops, 1);
    EXPECT_TRUE(clock.review.timerStopped());

    // A later process with the count stored stops at its first check and asks nothing.
    ReviewClock later;
    later.now = first + 30 * 86400.0;
    later.review.requestReviewIfDue();
    EXPECT_EQ(later.requests, 0);
    EXPECT_EQ(later.stops, 1);

    // A launch long after the first check, with no request yet, asks at that check.
    ui::UserDefaults().setInt(ui::UserDefaults::reviewNumberRequestKey, 0);
    ReviewClock launch;
    launch.now = first + 9 * 86400.0;
    launch.review.requestReviewIfDue();
    EXPECT_EQ(launch.requests, 1);
}

TEST(UsagePing, IsDueOnTheFirstCheckThenMoreThanADayAfterTheLast) {
    forgetSettings();
    double now = 1.8e9;
    int pings = 0;
    VosselTracker tracker([&now] { return now; }, [&pings] { ++pings; });
    tracker.pingIfDue();
    EXPECT_EQ(pings, 1);
    EXPECT_EQ(ui::UserDefaults().doubleValue(ui::UserDefaults::lastUsedDate), now);
    now += 86400;
    tracker.pingIfDue();
    EXPECT_EQ(pings, 1);
    now += 1;
    tracker.pingIfDue();
    EXPECT_EQ(pings, 2);
}

TEST(UsagePing, ValuesArePercentEncodedSaveUnreservedCharacters) {
    EXPECT_EQ(MatomoTracker::percentEncode("a b&c/d,e=f"), "a%20b%26c%2Fd%2Ce%3Df");
    EXPECT_EQ(MatomoTracker::percentEncode("Az09-._~:"), "Az09-._~:");
    EXPECT_EQ(MatomoTracker::percentEncode("é"), "%C3%A9");
}

TEST(UsagePing, WithoutAConfiguredServerNothingIsMadeOrSent) {
    forgetSettings();
    unsetenv("FENMOOR_ANALYTICS_URL");
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    ASSERT_FALSE(MatomoTracker::configuredServerURL().has_value());
    MatomoTracker matomo(mainBundleInfo(), MatomoTracker::configuredServerURL());
    EXPECT_FALSE(matomo.trackingURL(currentMatomoEnvironment(1)).has_value());
    EXPECT_FALSE(ui::UserDefaults().contains(ui::UserDefaults::reference));
    EXPECT_FALSE(server.waitForNewConnection(300));
}

TEST(UsagePing, ADuePingSendsOneRequestWithTheReportedParameters) {
    forgetSettings();
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    const std::string base =
        "http://127.0.0.1:" + std::to_string(server.serverPort()) + "/checkme/";
    setenv("FENMOOR_ANALYTICS_URL", base.c_str(), 1);
    auto matomo =
        std::make_shared<MatomoTracker>(mainBundleInfo(), MatomoTracker::configuredServerURL());
    unsetenv("FENMOOR_ANALYTICS_URL");
    const double now = 1.8e9;
    QPointer<QNetworkReply> reply;
    VosselTracker tracker([now] { return now; },
                          [matomo, now, &reply] {
                              MatomoEnvironment environment = currentMatomoEnvironment(2);
                              environment.now = now;
                              reply = sendTrackingRequest(*matomo->trackingURL(environment));
                          });
    tracker.pingIfDue();
    ASSERT_TRUE(QTest::qWaitFor([&server] { return server.hasPendingConnections(); }, 60000));
    QTcpSocket* socket = server.nextPendingConnection();
    QByteArray request;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            socket->waitForReadyRead(50);
            request += socket->readAll();
            return request.contains("\r\n\r\n");
        },
        60000));
    // The server answers and hangs up: the reply ends and goes, leaving nothing in flight.
    socket->write("HTTP/1.1 204 No Content\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    socket->disconnectFromHost();
    EXPECT_TRUE(QTest::qWaitFor([&reply] { return reply.isNull(); }, 60000));
    const QByteArray line = request.left(request.indexOf("\r\n"));
    ASSERT_TRUE(line.startsWith("GET /checkme/piwik.php?")) << line.toStdString();
    const QString query = QString::fromUtf8(line.mid(line.indexOf('?') + 1).split(' ').front());
    std::vector<std::string> keys;
    std::map<std::string, std::string> values;
    for (const QString& piece : query.split('&')) {
        const std::string key = piece.section('=', 0, 0).toStdString();
        keys.push_back(key);
        values[key] = QUrl::fromPercentEncoding(piece.section('=', 1).toUtf8()).toStdString();
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"e_c",       "e_a",   "e_n",     "e_v",   "url",
                                              "r",         "h",     "m",       "s",     "cdt",
                                              "new_visit", "_idvc", "_viewts", "_cvar", "idsite",
                                              "rec",       "apiv",  "res",     "_id",   "_idts"}));
    EXPECT_EQ(values["e_c"], "com.harrowcote.fenmoor.desktop");
    EXPECT_EQ(values["e_a"], "SW Version");
    EXPECT_EQ(values["e_n"], "0.1.0");
    EXPECT_EQ(values["url"], "http://Fenmoor");
    EXPECT_LE(std::stoi(values["r"]), 50000);
    // 1.8e9 s is 2027-01-15 08:00:00 UTC, in ASCII digits of the Gregorian calendar.
    EXPECT_EQ(values["cdt"], "2027-01-15 08:00:00");
    EXPECT_EQ(values["new_visit"], "1");
    EXPECT_EQ(values["idsite"], "2");
    EXPECT_TRUE(std::regex_match(values["_id"], std::regex("[0-9a-f]{12}4[0-9a-f]{3}")));
    EXPECT_EQ(values["_id"],
              ui::UserDefaults().stringValue(ui::UserDefaults::reference).toStdString());
    const nlohmann::json variables = nlohmann::json::parse(values["_cvar"]);
    EXPECT_EQ(variables["1"][0], "Platform");
    EXPECT_EQ(variables["3"], nlohmann::json({"App version", "1"}));
    EXPECT_EQ(variables["4"], nlohmann::json({"Monitors", "2"}));
    EXPECT_EQ(variables["5"], nlohmann::json({"App version", "Fenmoor"}));
    EXPECT_TRUE(std::regex_match(values["res"], std::regex("[0-9]+x[0-9]+")));

    // The next address of the process is no new visit; the visitor stays the same.
    MatomoEnvironment environment;
    environment.now = now;
    const std::string second = *matomo->trackingURL(environment);
    EXPECT_EQ(second.find("new_visit"), std::string::npos);
    EXPECT_EQ(second.find("_idvc"), std::string::npos);
    EXPECT_NE(second.find("_id=" + values["_id"]), std::string::npos);
}

class TabletRoad : public ::testing::Test {
protected:
    test::TempDir dir;
    FakeShellPlatform platform;
    std::unique_ptr<Shell> shell = std::make_unique<Shell>(platform);

    void SetUp() override {
        forgetSettings();
        ui::UserDefaults().setBool(ui::UserDefaults::kvWelcomeWhatsNew, true);
        shell->appDelegate().documentDelegate->loadWelcomeWhatsNewFlag();
        platform.runTabletManifest();
    }
    Url file(const std::string& name) {
        std::ofstream(dir / name) << "%PDF-1.4 " << name;
        return Url::fileURL(dir / name);
    }
    std::vector<std::string> shortcutTitles() const {
        std::vector<std::string> titles;
        for (const ShortcutItem& item : platform.shortcutItems()) {
            titles.push_back(item.title);
        }
        return titles;
    }
};

TEST_F(TabletRoad, RecentFilesKeepTheTenNewestAsQuickActionsNewestFirst) {
    TabletRecentDocuments recents(platform);
    for (int i = 0; i < 11; ++i) {
        recents.add(file("f" + std::to_string(i) + ".pdf"));
    }
    recents.add(file("f5.pdf")); // again: moves to the newest place
    platform.runDelayed();
    EXPECT_EQ(shortcutTitles(), (std::vector<std::string>{"f5", "f10", "f9", "f8", "f7", "f6", "f4",
                                                          "f3", "f2", "f1"}));
    EXPECT_EQ(platform.shortcutItems()[0].type, "recentItem");
    EXPECT_EQ(platform.shortcutItems()[0].icon, "doc");

    // A stored value that is not a list of bookmarks counts as empty.
    QSettings("fenmoor", "fenmoor").setValue(ui::UserDefaults::recents, "not a list");
    recents.add(file("g.pdf"));
    platform.runDelayed();
    EXPECT_EQ(shortcutTitles(), (std::vector<std::string>{"g"}));
}

TEST_F(TabletRoad, AQuickActionOpensItsFileOverAFreshBrowser) {
    platform.activateSceneSession(std::nullopt, std::nullopt, {{file("a.pdf")}, {}});
    platform.runDelayed();
    ASSERT_EQ(platform.shortcutItems().size(), 1u);
    FakeScene& scene = *platform.fakeScene(0);
    EXPECT_EQ(scene.root(), SceneRoot::browser);
    EXPECT_EQ(scene.title(), "a.pdf");

    // Another file's quick action chosen while the scene is up replaces what it shows.
    const ShortcutItem b = *TabletRecentDocuments::shortcutItem(file("b.pdf").path().string());
    const int before = scene.rootChanges;
    platform.performShortcut(b);
    EXPECT_GT(scene.rootChanges, before);
    EXPECT_EQ(scene.title(), "b.pdf");
    EXPECT_FALSE(scene.presentedDocument.expired());
    platform.runDelayed();
    EXPECT_EQ(shortcutTitles(), (std::vector<std::string>{"b", "a"}));
}

TEST_F(TabletRoad, AQuickActionThatStartedTheSceneWinsOverItsRestoration) {
    const ShortcutItem a = *TabletRecentDocuments::shortcutItem(file("a.pdf").path().string());
    const UserActivity restoreB{activity::documentURL,
                                {{activity::restorationBookmark, file("b.pdf").path().string()}}};
    platform.performShortcut(a);
    FakeScene& scene = *platform.fakeScene(0);
    scene.delegate->restore(scene, restoreB); // at once: the quick action wins
    EXPECT_EQ(scene.title(), "a.pdf");

    platform.after(300, [] {});
    platform.runDelayed(); // later, restoration counts again
    scene.delegate->restore(scene, restoreB);
    EXPECT_EQ(scene.title(), "b.pdf");
    // Another type, or no bookmark, changes nothing.
    scene.delegate->restore(scene, {"other", restoreB.userInfo});
    scene.delegate->restore(scene, {activity::documentURL, {}});
    EXPECT_EQ(scene.title(), "b.pdf");
    EXPECT_EQ(
        scene.delegate->stateRestorationActivity(scene).userInfo.at(activity::restorationBookmark),
        (dir / "b.pdf").string());
}

} // namespace
} // namespace fen
