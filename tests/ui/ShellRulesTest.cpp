// The shell's rules on the fake window system: launch order, scene configuration, the files a
// scene opens, window sizes, discarded sessions, the registry and the browser.
#include "UiTestSupport.h"
#include "shell/AppDelegate.h"
#include "shell/DocumentBrowser.h"
#include "shell/FakeShellPlatform.h"
#include "shell/KvCatalystSceneDelegate.h"
#include "shell/KvDocument.h"
#include "shell/KvDocumentController.h"
#include "shell/SceneState.h"
#include "shell/Shell.h"
#include "support/TestSupport.h"
#include "ui/UserDefaults.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include <sys/mount.h>
#include <sys/stat.h>

namespace fen {
namespace {

namespace fs = std::filesystem;

class ShellRules : public ::testing::Test {
protected:
    test::TempDir dir;
    FakeShellPlatform platform;
    std::unique_ptr<Shell> shell = std::make_unique<Shell>(platform);

    void SetUp() override {
        for (const char* name : {"a.pdf", "b.pdf", "c.pdf"}) {
            std::ofstream(dir / name) << "%PDF-1.4 " << name;
        }
        // The welcome was shown for this build, so the browser requests none.
        ui::UserDefaults defaults;
        defaults.setInt(ui::UserDefaults::currentReleaseVersion,
                        AppDelegate::bundleVersion(mainBundleInfo()));
        defaults.setBool(ui::UserDefaults::kvWelcomeWhatsNew, true);
        defaults.remove(ui::UserDefaults::welcomeWhatsNewPresentationStyle);
        shell->appDelegate().documentDelegate->loadWelcomeWhatsNewFlag();
    }

    Url file(const char* name) const { return Url::fileURL(dir / name); }
    UserActivity handOver(const char* name) const {
        return {activity::documentURL, {{activity::bookmarkData, (dir / name).string()}}};
    }
    FakeScene& openWindow(std::vector<Url> urls) {
        const size_t before = platform.connectedScenes().size();
        platform.activateSceneSession(std::nullopt, std::nullopt, {std::move(urls), {}});
        return *platform.fakeScene(before);
    }
    std::vector<std::string> titles() const {
        std::vector<std::string> result;
        for (Scene* scene : platform.connectedScenes()) {
            result.push_back(scene->title());
        }
        return result;
    }
    KvDocumentController& registry() { return shell->documentController(); }
};

// Records the launch's calls, and at each what the earlier steps have left behind.
struct RecordingLaunch : LaunchServices {
    std::optional<Url> old;
    bool readable = false;
    std::vector<std::string>* record;
    explicit RecordingLaunch(std::vector<std::string>* r) : record(r) {}
    std::optional<Url> oldPreferencesURL() override {
        record->push_back("old-url");
        return old;
    }
    bool fileExists(const Url&) override {
        record->push_back("read");
        return readable;
    }
    void convertOldVersion() override { record->push_back("convert"); }
    void startUsageTimer(Shell&) override { record->push_back("usage timer"); }
    void requestReviewIfDue(Shell&) override { record->push_back("review"); }
    void touchStore() override {
        record->push_back("store, release " + std::to_string(ui::UserDefaults().intValue(
                                                  ui::UserDefaults::currentReleaseVersion)));
    }
    void touchDocumentController(Shell& s) override {
        record->push_back(s.appDelegate().documentDelegate->welcomeWhatsNewAlreadyPresented
                              ? "registry, flag true"
                              : "registry, flag false");
        LaunchServices::touchDocumentController(s);
    }
};

TEST_F(ShellRules, LaunchConvertsOnlyAReadableOldFileThenRunsItsStepsInOrder) {
    struct Case {
        bool hasOld, readable;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {false,
         false,
         {"old-url", "usage timer", "review", "store, release 1", "registry, flag false"}},
        {true,
         false,
         {"old-url", "read", "usage timer", "review", "store, release 1", "registry, flag false"}},
        {true,
         true,
         {"old-url", "read", "convert", "usage timer", "review", "store, release 1",
          "registry, flag false"}},
    };
    for (const Case& c : cases) {
        // An earlier build showed the welcome: this build's number is stored before the store
        // opens, and the flag it clears is what the launch then loads.
        ui::UserDefaults().setInt(ui::UserDefaults::currentReleaseVersion, 5);
        ui::UserDefaults().setBool(ui::UserDefaults::kvWelcomeWhatsNew, true);
        std::vector<std::string> record;
        auto launch = std::make_unique<RecordingLaunch>(&record);
        launch->old = c.hasOld ? std::optional(file("a.pdf")) : std::nullopt;
        launch->readable = c.readable;
        FakeShellPlatform own;
        Shell s(own, mainBundleInfo(), std::move(launch));
        EXPECT_TRUE(s.appDelegate().launchSetup());
        EXPECT_EQ(record, c.expected) << c.hasOld << c.readable;
        EXPECT_TRUE(s.hasDocumentController());
    }
}

TEST_F(ShellRules, WhatsNewClearsTheWelcomeFlagOnAFirstStartAndOnAChangedBuild) {
    struct Case {
        std::optional<int> stored;
        std::string build;
        bool flagAfter;
        int storedAfter;
        int styleAfter; // -1: not stored
    };
    const std::vector<Case> cases = {
        {std::nullopt, "7", false, 7, 0}, // first start
        {7, "7", true, 7, -1},            // same build: nothing written
        {3, "7", false, 7, 1},            // update
        {9, "7", false, 7, 1},            // downgrade
        {std::nullopt, "7a", false, 0, 0} // a build number that does not parse counts as 0
    };
    for (const Case& c : cases) {
        ui::UserDefaults defaults;
        defaults.remove(ui::UserDefaults::welcomeWhatsNewPresentationStyle);
        defaults.remove(ui::UserDefaults::currentReleaseVersion);
        if (c.stored) {
            defaults.setInt(ui::UserDefaults::currentReleaseVersion, *c.stored);
        }
        defaults.setBool(ui::UserDefaults::kvWelcomeWhatsNew, true);
        defaults.sync();
        nlohmann::json info = mainBundleInfo();
        info["CFBundleVersion"] = c.build;
        FakeShellPlatform own;
        Shell s(own, info);
        s.appDelegate().checkWhatsNew();
        ui::UserDefaults after;
        EXPECT_EQ(after.boolValue(ui::UserDefaults::kvWelcomeWhatsNew), c.flagAfter) << c.build;
        EXPECT_EQ(after.intValue(ui::UserDefaults::currentReleaseVersion), c.storedAfter);
        EXPECT_EQ(after.intValue(ui::UserDefaults::welcomeWhatsNewPresentationStyle, -1),
                  c.styleAfter);
    }
    EXPECT_EQ(AppDelegate::bundleVersion({{"CFBundleVersion", 12}}), 0); // not a text
}

TEST_F(ShellRules, ConfigurationChoosesTheDelegateAndRecordsTheRequestedFiles) {
    fs::path gone = dir / "gone.pdf";
    struct Case {
        ConnectionOptions options;
        SceneDelegateClass delegate;
        std::vector<Url> urls;
    };
    const std::vector<Case> cases = {
        // Handed files win over bookmark activities.
        {{{file("a.pdf")}, {handOver("b.pdf")}}, SceneDelegateClass::document, {file("a.pdf")}},
        // The welcome wins, and the files are still recorded.
        {{{}, {handOver("b.pdf"), {activity::welcome, {}}}},
         SceneDelegateClass::welcome,
         {file("b.pdf")}},
        {{{}, {{activity::preferences, {}}}}, SceneDelegateClass::none, {}},
        // A bookmark that no longer resolves is left out.
        {{{}, {handOver("gone.pdf"), handOver("c.pdf")}},
         SceneDelegateClass::document,
         {file("c.pdf")}},
        {{}, SceneDelegateClass::document, {}},
    };
    KvAppDelegate& delegate = *shell->appDelegate().documentDelegate;
    for (const Case& c : cases) {
        const SceneConfiguration configuration = delegate.sceneConfiguration(c.options);
        EXPECT_EQ(configuration.delegateClass, c.delegate);
        EXPECT_TRUE(configuration.kvScene);
        EXPECT_EQ(delegate.lastRequestedURLs, c.urls);
    }
    // No bookmark can be made of a file that does not exist: no scene is requested.
    delegate.openDocumentInNewScene(Url::fileURL(gone));
    EXPECT_TRUE(platform.log.empty());
}

TEST_F(ShellRules, FilesHandedAtOnceOpenTheFirstHereAndEachFurtherInItsOwnWindow) {
    FakeScene& first = openWindow({file("a.pdf"), file("b.pdf"), file("c.pdf")});
    EXPECT_EQ(titles(), (std::vector<std::string>{"a.pdf", "b.pdf", "c.pdf"}));
    ASSERT_EQ(registry().documents().size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const auto& document = registry().documents()[i];
        EXPECT_EQ(document->sceneIdentifier, platform.connectedScenes()[i]->persistentIdentifier());
        EXPECT_EQ(platform.fakeScene(i)->shownDocument.lock(), document);
    }
    EXPECT_NE(platform.log[1].find(activity::documentURL), std::string::npos);
    EXPECT_EQ(first.url, file("a.pdf"));

    // The same file twice: shown once, nothing more requested.
    FakeScene& twice = openWindow({file("a.pdf"), file("a.pdf")});
    EXPECT_EQ(twice.rootChanges, 2); // none, then the document
    EXPECT_EQ(platform.connectedScenes().size(), 4u);
}

TEST_F(ShellRules, AnOpenCallNeverRebuildsTheShownDocumentAndOpensEveryFurtherFile) {
    FakeScene& a = openWindow({file("a.pdf")});
    FakeScene& c = openWindow({file("c.pdf")});
    const auto shownA = a.shownDocument.lock();
    const int changes = a.rootChanges;
    struct Case {
        std::vector<Url> urls;
        std::vector<std::string> log;
    };
    const std::vector<Case> cases = {
        {{file("a.pdf")}, {}},
        {{file("c.pdf")}, {"activate " + c.persistentIdentifier()}},
        // A further file gets a window of its own, even one shown elsewhere.
        {{file("b.pdf"), file("c.pdf")}, {"new", "new"}},
    };
    for (const Case& k : cases) {
        platform.log.clear();
        a.delegate->openURLContexts(a, k.urls);
        ASSERT_EQ(platform.log.size(), k.log.size());
        for (size_t i = 0; i < k.log.size(); ++i) {
            EXPECT_EQ(platform.log[i].substr(0, k.log[i].size()), k.log[i]);
        }
        EXPECT_EQ(a.rootChanges, changes);
        EXPECT_EQ(a.shownDocument.lock(), shownA);
        EXPECT_EQ(a.title(), "a.pdf");
    }
}

TEST_F(ShellRules, SchemeAddressesAreTakenAsTheFileTheyCarry) {
    const std::string inner = file("c.pdf").absoluteString();
    struct Case {
        std::string given;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"harrowcotefenm://" + inner, inner},
        {"harrowcotefenm://harrowcotefenm://" + inner, inner},
        {"harrowcotefenm://nothing", "harrowcotefenm://nothing"},
        {"https://example.org/x.pdf", "https://example.org/x.pdf"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            KvCatalystSceneDelegate::strippingScheme(*Url::fromString(c.given)).absoluteString(),
            c.expected);
    }
    // The stripped file is what the window shows, and a further one is opened, not dropped.
    FakeScene& scene =
        openWindow({*Url::fromString("harrowcotefenm://" + inner),
                    *Url::fromString("harrowcotefenm://" + file("b.pdf").absoluteString())});
    EXPECT_EQ(scene.url, file("c.pdf"));
    EXPECT_EQ(titles(), (std::vector<std::string>{"c.pdf", "b.pdf"}));
}

TEST_F(ShellRules, RestoringShowsTheSavedFileOrElseTheBrowser) {
    FakeScene& saved = openWindow({file("b.pdf")});
    const UserActivity activity = saved.delegate->stateRestorationActivity(saved);
    EXPECT_EQ(activity.type, activity::documentURL);
    EXPECT_EQ(activity.userInfo.at(activity::restorationBookmark), (dir / "b.pdf").string());
    struct Case {
        UserActivity activity;
        SceneRoot root;
    };
    const std::vector<Case> cases = {
        {activity, SceneRoot::document},
        {{activity::documentURL, {{activity::restorationBookmark, (dir / "gone").string()}}},
         SceneRoot::browser},
        {{activity::documentURL, {{activity::bookmarkData, (dir / "b.pdf").string()}}},
         SceneRoot::browser},
        {{"other", activity.userInfo}, SceneRoot::browser},
    };
    int session = 0;
    for (const Case& c : cases) {
        Scene* scene = platform.restoreSession("S" + std::to_string(session++), c.activity);
        ASSERT_NE(scene, nullptr);
        EXPECT_EQ(scene->root(), c.root);
    }
    // A window without a file saves an activity without a bookmark.
    EXPECT_TRUE(platform.connectedScenes()
                    .back()
                    ->delegate->stateRestorationActivity(*platform.connectedScenes().back())
                    .userInfo.empty());
}

TEST_F(ShellRules, DocumentWindowsOpenCappedAndCanBeEnlargedAgain) {
    struct Case {
        SceneSize screen, opening;
    };
    const std::vector<Case> cases = {
        {{1920, 1080}, {1500, 1000}}, {{1024, 768}, {1024, 768}}, {{600, 500}, {700, 500}}};
    for (const Case& c : cases) {
        platform.screen = c.screen;
        FakeScene& scene = openWindow({file("a.pdf")});
        EXPECT_EQ(scene.maximum, c.opening);
        EXPECT_EQ(scene.minimum, (SceneSize{0, 0}));
        platform.runDelayed();
        EXPECT_EQ(scene.maximum, (SceneSize{SceneSize::unrestricted, SceneSize::unrestricted}));
    }
    FakeScene& limited = openWindow({});
    limited.minimum = {800, 1200};
    limited.maximum = {1000, 900};
    applyWindowSize(limited, {1500, 1000}, platform);
    EXPECT_EQ(limited.minimum, (SceneSize{800, 1000}));
    platform.runDelayed();
    EXPECT_EQ(limited.maximum, (SceneSize{1500, 1000}));
    limited.sizeRestrictions = false;
    applyWindowSize(limited, {10, 10}, platform);
    EXPECT_EQ(limited.maximum, (SceneSize{1500, 1000}));
}

TEST_F(ShellRules, DiscardingADocumentWindowClosesItsDocumentAndTheBrowser) {
    FakeScene& browser = openWindow({});
    EXPECT_EQ(browser.root(), SceneRoot::browser);
    const std::string browserSession = browser.persistentIdentifier();
    openWindow({file("a.pdf")});
    platform.activateSceneSession(std::nullopt, UserActivity{activity::welcome, {}});
    Scene* welcome = platform.connectedScenes().back();
    EXPECT_EQ(welcome->configuration.delegateClass, SceneDelegateClass::welcome);

    platform.close(welcome->persistentIdentifier());
    EXPECT_NE(platform.scene(browserSession), nullptr);

    platform.close(platform.connectedScenes()[1]->persistentIdentifier());
    EXPECT_TRUE(registry().documents().empty());
    EXPECT_TRUE(platform.connectedScenes().empty());
}

TEST_F(ShellRules, PickedFilesBringTheirWindowForwardOrOpenOneInOrder) {
    FakeScene& a = openWindow({file("a.pdf")});
    const std::string browser = openWindow({}).persistentIdentifier();
    platform.log.clear();
    shell->documentBrowser().didPick({file("a.pdf"), file("b.pdf")});
    ASSERT_EQ(platform.log.size(), 3u);
    EXPECT_EQ(platform.log[0], "destroy " + browser);
    EXPECT_EQ(platform.log[1], "activate " + a.persistentIdentifier());
    EXPECT_EQ(platform.log[2].substr(0, 3), "new");
    EXPECT_EQ(titles(), (std::vector<std::string>{"a.pdf", "b.pdf"}));

    // An entry whose window is gone is dropped and the file opens anew.
    registry().openDocument(file("c.pdf"))->sceneIdentifier = "gone";
    registry().openPickedDocuments({file("c.pdf")});
    EXPECT_EQ(titles().back(), "c.pdf");
    EXPECT_EQ(registry().documents().size(), 3u);
    EXPECT_EQ(registry().windowScene(file("c.pdf")), platform.connectedScenes().back());

    registry().closeDocument("nobody");
    EXPECT_EQ(registry().documents().size(), 3u);

    // Two windows of one file: the first registered answers.
    FakeScene& again = openWindow({file("a.pdf")});
    EXPECT_NE(&again, &a);
    EXPECT_EQ(registry().windowScene(file("a.pdf")), &a);
}

TEST_F(ShellRules, ShowingTheBrowserBringsItsWindowForwardOrMakesOne) {
    shell->documentController().showDocumentBrowser();
    platform.runDelayed();
    ASSERT_EQ(platform.connectedScenes().size(), 1u);
    EXPECT_EQ(platform.fakeScene(0)->root(), SceneRoot::browser);
    platform.log.clear();
    shell->documentController().showDocumentBrowser();
    platform.runDelayed();
    EXPECT_EQ(platform.log, (std::vector<std::string>{
                                "activate " + platform.fakeScene(0)->persistentIdentifier()}));
    // The welcome was shown for this build: the browser requests none.
    EXPECT_EQ(platform.connectedScenes().size(), 1u);
    EXPECT_TRUE(ui::UserDefaults().boolValue(ui::UserDefaults::kvWelcomeWhatsNew));
    EXPECT_TRUE(shell->appDelegate().documentDelegate->welcomeWhatsNewAlreadyPresented);
    EXPECT_TRUE(shell->documentBrowser().allowsMultipleSelection);
    EXPECT_FALSE(shell->documentBrowser().allowsDocumentCreation);
}

TEST_F(ShellRules, SavedWindowsSurviveTheStateFileWhateverTheirPathBytes) {
    const fs::path stateFile = dir / "state" / "scenes.json";
    const std::vector<SavedScene> scenes = {
        {"one",
         {activity::documentURL, {{activity::restorationBookmark, "/a b/\xff\x01.pdf"}}},
         std::string("\x01\xd9\xd0\xcb\0\x03", 6)},
        {"two", {activity::documentURL, {}}, {}}};
    writeSceneState(stateFile, scenes);
    EXPECT_EQ(readSceneState(stateFile), scenes);
    writeSceneState(stateFile, {});
    EXPECT_FALSE(fs::exists(stateFile));
    std::ofstream(stateFile) << "[{\"session\": 3}]";
    EXPECT_TRUE(readSceneState(stateFile).empty());
    // A pipe with no writer under the name is no state, read at once.
    fs::remove(stateFile);
    ASSERT_EQ(::mkfifo(stateFile.c_str(), 0600), 0);
    EXPECT_TRUE(readSceneState(stateFile).empty());
}

TEST_F(ShellRules, AWriteThatFailsLeavesTheKeptWindowsAsTheyWere) {
    const std::vector<SavedScene> before = {
        {"one", {activity::documentURL, {{activity::restorationBookmark, "/a.pdf"}}}, "frame"}};
    // Far more than either limit below lets through.
    std::vector<SavedScene> after(200, before.front());
    struct Case {
        const char* what;
        fs::path folder;
        std::function<std::function<void()>()> fill; // fills up; gives what frees again
    };
    const fs::path small = dir / "small";
    fs::create_directories(small);
    const std::vector<Case> cases = {
        {"a file size limit", dir / "limited",
         [] {
             auto limit = std::make_shared<test::FileSizeLimit>(1000);
             return [limit]() mutable { limit.reset(); };
         }},
        // A file system with no room left (root alone may mount one).
        {"a full disk", small,
         [&small]() -> std::function<void()> {
             if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) {
                 return nullptr;
             }
             return [&small] { ::umount(small.c_str()); };
         }},
    };
    for (const Case& c : cases) {
        const fs::path file = c.folder / "scenes.json";
        std::function<void()> undo;
        if (c.folder == small) {
            undo = c.fill();
            if (!undo) {
                continue;
            }
            ASSERT_TRUE(writeSceneState(file, before));
            std::ofstream filler(small / "filler", std::ios::binary);
            const std::string block(4096, 'x');
            while (filler.write(block.data(), block.size())) {
            }
        } else {
            ASSERT_TRUE(writeSceneState(file, before));
            undo = c.fill();
        }
        const std::string old = test::readFile(file);
        EXPECT_FALSE(writeSceneState(file, after)) << c.what;
        EXPECT_EQ(test::readFile(file), old) << c.what;
        EXPECT_EQ(readSceneState(file), before) << c.what;
        std::vector<fs::path> left;
        for (const auto& entry : fs::directory_iterator(c.folder)) {
            if (entry.path().filename() != "filler") {
                left.push_back(entry.path().filename());
            }
        }
        EXPECT_EQ(left, std::vector<fs::path>{"scenes.json"}) << c.what;
        undo();
    }
    // With room again, the new windows replace the old.
    const fs::path file = dir / "limited" / "scenes.json";
    EXPECT_TRUE(writeSceneState(file, after));
    EXPECT_EQ(readSceneState(file).size(), 200u);
}

TEST_F(ShellRules, HandedFilesBringTheirWindowForwardByWhateverPath) {
    fs::create_symlink(dir / "a.pdf", dir / "link.pdf");
    FakeScene& a = openWindow({file("a.pdf")});
    openWindow({file("b.pdf")});
    const std::string address = "harrowcotefenm://" + file("a.pdf").absoluteString();
    struct Case {
        std::vector<Url> handed;
        size_t windows;
    };
    const std::vector<Case> cases = {
        {{file("a.pdf")}, 2},
        {{Url::fileURL(dir / "link.pdf")}, 2},
        {{Url::fileURL(dir / "." / "a.pdf")}, 2},
        {{*Url::fromString(address)}, 2},
        // A file shown nowhere gets a window; one that does not exist, a window that says so.
        {{file("c.pdf")}, 3},
        {{file("gone.pdf")}, 4},
        {{Url::fileURL(dir / "x" / ".." / "gone.pdf")}, 4},
    };
    for (const Case& c : cases) {
        platform.log.clear();
        platform.openHandedFiles(c.handed);
        EXPECT_EQ(platform.connectedScenes().size(), c.windows)
            << c.handed.front().absoluteString();
        if (c.windows == 2) {
            EXPECT_EQ(platform.log,
                      std::vector<std::string>{"activate " + a.persistentIdentifier()});
        }
    }
    EXPECT_EQ(registry().documents().size(), 4u);
    EXPECT_EQ(titles().back(), "gone.pdf");
    // No file: the browser comes forward.
    platform.openHandedFiles({});
    platform.runDelayed();
    EXPECT_EQ(platform.connectedScenes().back()->root(), SceneRoot::browser);
}

} // namespace
} // namespace fen
