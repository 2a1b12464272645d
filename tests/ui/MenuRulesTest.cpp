// The main menu on the fake window system: the tree the menu pass builds, New Window against the
// bundle's document types, the commands and their notifications, the help mail, and Open Recent
// over the desktop's recent list with its rebuilds.
#include "UiTestSupport.h"
#include "platform/foundation/NotificationCenter.h"
#include "shell/AppDelegate.h"
#include "shell/FakeShellPlatform.h"
#include "shell/KvAppDelegate.h"
#include "shell/KvCatalystBugFix.h"
#include "shell/KvCatalystDocumentRecentMenu.h"
#include "shell/KvDocument.h"
#include "shell/KvDocumentController.h"
#include "shell/MenuModel.h"
#include "shell/Shell.h"
#include "support/TestSupport.h"

#include <QDesktopServices>
#include <QObject>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

namespace fen {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Receives the addresses handed to the desktop.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> urls;
public Q_SLOTS:
    void handle(const QUrl& url) { urls.push_back(url); }
};

const MenuElement* findMenu(const std::vector<MenuElement>& menus, const std::string& id) {
    for (const MenuElement& element : menus) {
        if (element.identifier == id) {
            return &element;
        }
        if (const MenuElement* inner = findMenu(element.children, id)) {
            return inner;
        }
    }
    return nullptr;
}

class MenuRules : public ::testing::Test {
protected:
    test::TempDir dir;
    FakeShellPlatform platform;
    std::unique_ptr<Shell> shell = std::make_unique<Shell>(platform);

    void SetUp() override {
        // The welcome window is another issue's: the browser comes alone here.
        shell->appDelegate().documentDelegate->welcomeWhatsNewAlreadyPresented = true;
        fs::remove(RecentDocuments::defaultFile());
        for (int i = 0; i < 12; ++i) {
            std::ofstream(dir / ("f" + std::to_string(i) + ".pdf")) << "%PDF-1.4";
        }
        for (const char* name : {"a.pdf", "b.pdf"}) {
            std::ofstream(dir / name) << "%PDF-1.4 " << name;
        }
    }
    void TearDown() override { fs::remove(RecentDocuments::defaultFile()); }

    MainMenuSystem& menu() { return shell->mainMenu(); }
    const MenuElement& recentMenu() {
        const MenuElement* recent = findMenu(menu().menus(), menuid::openRecent);
        EXPECT_NE(recent, nullptr);
        static const MenuElement none;
        return recent ? *recent : none;
    }
    // The titles of Open Recent's file entries, in order.
    std::vector<std::string> recentTitles() {
        std::vector<std::string> titles;
        for (const MenuElement& entry : recentMenu().children) {
            if (entry.kind == MenuElement::Kind::command) {
                titles.push_back(entry.title);
            }
        }
        return titles;
    }
    const MenuElement& clearCommand() { return recentMenu().children.back().children.front(); }
    const MenuElement* recentEntry(const std::string& title) {
        for (const MenuElement& entry : recentMenu().children) {
            if (entry.title == title) {
                return &entry;
            }
        }
        return nullptr;
    }
    // A window for the file; its reading ends opened, or failed when `opens` is false.
    void openWindow(const char* name, bool opens = true) {
        platform.activateSceneSession(std::nullopt, std::nullopt, {{Url::fileURL(dir / name)}, {}});
        opened(name, opens);
    }
    // What a document window tells of its file once it has read it.
    void opened(const char* name, bool opens = true) {
        for (const auto& document : shell->documentController().documents()) {
            if (document->fileURL() == Url::fileURL(dir / name)) {
                document->finishOpening(opens);
            }
        }
    }
    // The menu's copy of the desktop's recent list.
    RecentDocumentsCache& recents() {
        return shell->appDelegate().documentDelegate->catalystBugFix->documentRecentMenu->recents;
    }
    // Waits until the work asked of the recent list's worker has landed.
    void settle() {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !recents().isBusy(); }, 10000));
    }
};

TEST_F(MenuRules, TheMenuIsATreeOfIdsTitlesShortcutsAndPlaces) {
    const json tree = menuJson(menu().menus());
    std::vector<std::string> top;
    for (const json& entry : tree) {
        top.push_back(entry.value("title", ""));
    }
    EXPECT_EQ(top, (std::vector<std::string>{"Fenmoor", "File", "Edit", "View", "Window", "Help"}));

    const json file = tree[1]["children"];
    EXPECT_EQ(file[0], json::parse(R"({"id":"open","title":"Open...","inline":true,
        "children":[{"title":"Open...","action":"openBrowser","key":"cmd+o"}]})"));
    EXPECT_EQ(file[1]["id"], "open-recent");
    EXPECT_EQ(file[1]["title"], "Open Recent");
    EXPECT_FALSE(file[1].contains("inline"));
    EXPECT_EQ(file[2]["children"][0], json::parse(R"({"title":"Close Window",
        "action":"closeWindow","key":"cmd+w"})"));
    EXPECT_EQ(file[3], json::parse(R"({"id":"export","title":"Export...","inline":true,
        "children":[{"title":"Export...","action":"export","key":"cmd+s"}]})"));
    EXPECT_EQ(file.size(), 4u);
    EXPECT_EQ(tree[0]["children"][0]["children"][0],
              json::parse(R"({"title":"Quit","action":"quit","key":"cmd+q"})"));

    const json view = tree[3]["children"];
    EXPECT_EQ(view[0], json::parse(R"({"id":"Zoom","title":"Zoom","inline":true,"children":[
        {"title":"Zoom to Fit","action":"zoomToFit","key":"cmd+0"},
        {"title":"Zoom In","action":"zoomIn","key":"cmd++"},
        {"title":"Zoom Out","action":"zoomOut","key":"cmd+-"}]})"));
    EXPECT_EQ(view[1]["id"], "fullscreen");
    EXPECT_EQ(view[1]["children"][0]["key"], "F11");
    EXPECT_EQ(tree[5]["children"][0]["action"], "showHelp:");

    // Gone: the system's own Open Recent and, for a viewer only, New Window.
    EXPECT_EQ(findMenu(menu().menus(), menuid::systemOpenRecent), nullptr);
    EXPECT_EQ(findMenu(menu().menus(), menuid::newScene), nullptr);
    // The pass is the same each time.
    const json before = tree;
    menu().setNeedsRebuild();
    EXPECT_EQ(menuJson(menu().menus()), before);
}

TEST_F(MenuRules, NewWindowStaysOnlyForADocumentTypeThatIsNotAViewer) {
    const auto withTypes = [](json types) {
        json info = mainBundleInfo();
        info["CFBundleDocumentTypes"] = std::move(types);
        return info;
    };
    const struct {
        const char* what;
        json info;
        bool answer;
    } cases[] = {
        {"the program's own bundle", mainBundleInfo(), false},
        {"no information", json(), false},
        {"no document types", json{{"CFBundleName", "x"}}, false},
        {"an empty list", withTypes(json::array()), false},
        {"types of another kind", withTypes("Editor"), false},
        {"only viewers",
         withTypes({{{"CFBundleTypeRole", "Viewer"}}, {{"CFBundleTypeRole", "Viewer"}}}), false},
        {"one editor",
         withTypes({{{"CFBundleTypeRole", "Viewer"}}, {{"CFBundleTypeRole", "Editor"}}}), true},
        {"a role in another case", withTypes({{{"CFBundleTypeRole", "viewer"}}}), true},
        {"an entry without a role is skipped",
         withTypes({{{"CFBundleTypeName", "PDF"}}, {{"CFBundleTypeRole", "Shell"}}}), true},
        {"a role that is a number",
         withTypes({{{"CFBundleTypeRole", "Editor"}}, {{"CFBundleTypeRole", 3}}}), false},
        {"an entry that is no dictionary", withTypes({{{"CFBundleTypeRole", "Editor"}}, 1}), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KvNewDocumentMenuBugFix::hasNonViewerDocumentType(c.info), c.answer) << c.what;
        FakeShellPlatform other;
        Shell withInfo(other, c.info);
        EXPECT_EQ(findMenu(withInfo.mainMenu().menus(), menuid::newScene) != nullptr, c.answer)
            << c.what;
    }
}

TEST_F(MenuRules, EachCommandPostsExactlyOneGlobalNotificationAndOpenShowsTheBrowser) {
    const std::vector<std::string> names = {"MenuReuqestExport", "MenuReuqestZoomToFit",
                                            "MenuReuqestZoomIn", "MenuReuqestZoomOut"};
    std::map<std::string, int> heard;
    std::vector<ObserverToken> tokens;
    for (const std::string& name : names) {
        tokens.push_back(NotificationCenter::defaultCenter().addObserver(
            name, [&heard, name](const Notification& n) {
                EXPECT_FALSE(n.object.has_value());
                ++heard[name];
            }));
    }
    const struct {
        const char* action;
        const char* posted;
    } table[] = {{"export", "MenuReuqestExport"},
                 {"zoomToFit", "MenuReuqestZoomToFit"},
                 {"zoomIn", "MenuReuqestZoomIn"},
                 {"zoomOut", "MenuReuqestZoomOut"},
                 {"openBrowser", nullptr}};
    for (const auto& row : table) {
        heard.clear();
        EXPECT_TRUE(shell->appDelegate().performMenuAction(MenuElement::command("", row.action)));
        std::map<std::string, int> expected;
        if (row.posted) {
            expected[row.posted] = 1;
        }
        EXPECT_EQ(heard, expected) << row.action;
    }
    // Open... asked for the browser, one turn later.
    EXPECT_TRUE(platform.connectedScenes().empty());
    platform.runDelayed();
    ASSERT_EQ(platform.connectedScenes().size(), 1u);
    EXPECT_EQ(platform.connectedScenes()[0]->root(), SceneRoot::browser);
    // The window system's own commands are not the delegate's.
    EXPECT_FALSE(shell->appDelegate().performMenuAction(MenuElement::command("", "quit")));
}

TEST_F(MenuRules, HelpHandsTheSupportMailToTheDesktop) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "handle");
    shell->appDelegate().performMenuAction(MenuElement::command("Fenmoor Help", "showHelp:"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    ASSERT_EQ(catcher.urls.size(), 1u);
    EXPECT_EQ(catcher.urls[0].toString(QUrl::FullyEncoded).toStdString(),
              "mailto:support@harrowcote.example?subject=Fenmoor:Help%20needed");
    // Without an address there is nothing to send.
    EXPECT_EQ(AppDelegate::helpMailAddress(json{{"CFBundleName", "Fenmoor"}}), "");
}

TEST_F(MenuRules, AnOpenedFileJoinsOpenRecentTwoSecondsLater) {
    EXPECT_TRUE(recentTitles().empty());
    EXPECT_FALSE(clearCommand().enabled);
    settle();
    const int passes = menu().rebuildCount();
    openWindow("a.pdf");
    // The desktop's list has it as soon as the worker is done; the menu shows it at the rebuild,
    // 2 s later.
    settle();
    EXPECT_EQ(RecentMenuCatalyst::recentDocumentURLs(), std::vector<fs::path>{dir / "a.pdf"});
    platform.runDelayed(1999);
    EXPECT_EQ(menu().rebuildCount(), passes);
    EXPECT_TRUE(recentTitles().empty());
    platform.runDelayed(1);
    EXPECT_EQ(menu().rebuildCount(), passes + 1);
    EXPECT_EQ(recentTitles(), std::vector<std::string>{"a.pdf"});
    EXPECT_EQ(recentEntry("a.pdf")->iconFile, (dir / "a.pdf").string());
    EXPECT_EQ(recentEntry("a.pdf")->propertyList, (dir / "a.pdf").string());
    EXPECT_TRUE(clearCommand().enabled);

    // A file that could not be opened is neither listed nor asks for a rebuild.
    openWindow("missing.pdf", false);
    platform.runDelayed(2000);
    EXPECT_EQ(menu().rebuildCount(), passes + 1);
    EXPECT_EQ(recentTitles(), std::vector<std::string>{"a.pdf"});

    // A picked file that gets a new window rebuilds once for the pick and once for the opening.
    shell->documentController().openPickedDocuments({Url::fileURL(dir / "b.pdf")});
    opened("b.pdf");
    settle();
    platform.runDelayed(2000);
    EXPECT_EQ(menu().rebuildCount(), passes + 3);
    EXPECT_EQ(recentTitles(), (std::vector<std::string>{"b.pdf", "a.pdf"}));
}

TEST_F(MenuRules, OpenRecentListsAtMostTenFilesNewestFirst) {
    for (int i = 0; i < 12; ++i) {
        recents().add(dir / ("f" + std::to_string(i) + ".pdf"));
    }
    settle();
    menu().setNeedsRebuild();
    EXPECT_EQ(recentTitles(),
              (std::vector<std::string>{"f11.pdf", "f10.pdf", "f9.pdf", "f8.pdf", "f7.pdf",
                                        "f6.pdf", "f5.pdf", "f4.pdf", "f3.pdf", "f2.pdf"}));
}

TEST_F(MenuRules, ChoosingAnEntryOpensItOrBringsItsWindowForwardAndRebuildsAtOnce) {
    recents().add(dir / "b.pdf");
    recents().add(dir / "a.pdf");
    settle();
    shell->documentController().showDocumentBrowser();
    platform.runDelayed();
    ASSERT_EQ(platform.connectedScenes().size(), 1u);
    const std::string browser = platform.connectedScenes()[0]->persistentIdentifier();
    menu().setNeedsRebuild();

    int passes = menu().rebuildCount();
    const MenuElement chosen = *recentEntry("a.pdf");
    platform.log.clear();
    shell->appDelegate().performMenuAction(chosen);
    EXPECT_EQ(menu().rebuildCount(), passes + 1);
    ASSERT_EQ(platform.log.size(), 2u);
    EXPECT_EQ(platform.log[0], "destroy " + browser);
    EXPECT_EQ(platform.log[1].substr(0, 4), "new ");
    ASSERT_EQ(platform.connectedScenes().size(), 1u);
    Scene* window = platform.connectedScenes()[0];
    EXPECT_EQ(window->title(), "a.pdf");
    platform.runDelayed();

    // Chosen again, the file's one window comes forward.
    passes = menu().rebuildCount();
    platform.log.clear();
    shell->appDelegate().performMenuAction(*recentEntry("a.pdf"));
    EXPECT_EQ(platform.log, std::vector<std::string>{"activate " + window->persistentIdentifier()});
    EXPECT_EQ(menu().rebuildCount(), passes + 1);

    // A file no longer at its place opens nothing, closes nothing and rebuilds nothing.
    shell->documentController().showDocumentBrowser();
    platform.runDelayed();
    fs::remove(dir / "b.pdf");
    passes = menu().rebuildCount();
    platform.log.clear();
    shell->appDelegate().performMenuAction(*recentEntry("b.pdf"));
    EXPECT_TRUE(platform.log.empty());
    EXPECT_EQ(menu().rebuildCount(), passes);
    EXPECT_EQ(platform.connectedScenes().size(), 2u);
}

TEST_F(MenuRules, ClearMenuEmptiesOurEntriesAndRebuildsAtOnce) {
    RecentDocuments viewer(RecentDocuments::defaultFile(), "Viewer", "viewer %u");
    viewer.add(dir / "b.pdf");
    recents().add(dir / "a.pdf");
    settle();
    menu().setNeedsRebuild();
    ASSERT_EQ(recentTitles(), std::vector<std::string>{"a.pdf"});
    const int passes = menu().rebuildCount();
    shell->appDelegate().performMenuAction(clearCommand());
    EXPECT_EQ(menu().rebuildCount(), passes + 1);
    EXPECT_TRUE(recentTitles().empty());
    EXPECT_FALSE(clearCommand().enabled);
    EXPECT_EQ(recentMenu().children.size(), 1u);
    settle();
    EXPECT_TRUE(recentTitles().empty());
    EXPECT_TRUE(RecentMenuCatalyst::recentDocumentURLs().empty());
    EXPECT_EQ(viewer.paths(), std::vector<fs::path>{dir / "b.pdf"});
}

TEST_F(MenuRules, TheRecentListIsReadAndWrittenOnAWorkerInTheOrderAsked) {
    std::mutex mutex;
    std::vector<std::thread::id> threads;
    const fs::path file = dir / "recent.xbel";
    RecentDocumentsCache cache(
        [&] {
            std::lock_guard lock(mutex);
            threads.push_back(std::this_thread::get_id());
            return RecentDocuments(file, "Fenmoor", "fenmoor %u");
        },
        3);
    int landings = 0;
    cache.landed = [&landings] { ++landings; };
    for (const char* name : {"f1.pdf", "f2.pdf", "f3.pdf", "f4.pdf", "f2.pdf"}) {
        cache.add(dir / name);
    }
    // Nothing was read on this thread: the list comes later.
    EXPECT_TRUE(cache.isBusy());
    EXPECT_FALSE(cache.hasRead());
    ASSERT_TRUE(QTest::qWaitFor([&cache] { return !cache.isBusy(); }, 10000));
    EXPECT_EQ(cache.paths(),
              (std::vector<fs::path>{dir / "f2.pdf", dir / "f4.pdf", dir / "f3.pdf"}));
    EXPECT_EQ(landings, 1) << "only the list after the last change lands";
    {
        std::lock_guard lock(mutex);
        ASSERT_EQ(threads.size(), 5u);
        for (const std::thread::id& thread : threads) {
            EXPECT_NE(thread, std::this_thread::get_id());
        }
    }
    // Clearing empties the list at once; the file follows.
    cache.clear();
    EXPECT_TRUE(cache.paths().empty());
    ASSERT_TRUE(QTest::qWaitFor([&cache] { return !cache.isBusy(); }, 10000));
    EXPECT_TRUE(RecentDocuments(file, "Fenmoor", "fenmoor %u").paths().empty());
}

TEST_F(MenuRules, APassMadeBeforeTheListIsReadIsMadeAgainWhenItLands) {
    settle();
    RecentDocuments(RecentDocuments::defaultFile(), RecentMenuCatalyst::applicationName,
                    "fenmoor %u")
        .add(dir / "a.pdf");
    recents().reload();
    menu().setNeedsRebuild();
    const int passes = menu().rebuildCount();
    EXPECT_TRUE(recentTitles().empty());
    settle();
    EXPECT_EQ(menu().rebuildCount(), passes + 1);
    EXPECT_EQ(recentTitles(), std::vector<std::string>{"a.pdf"});
    // A list that lands as it was shown asks for no pass.
    recents().reload();
    menu().setNeedsRebuild();
    settle();
    EXPECT_EQ(menu().rebuildCount(), passes + 2);
}

TEST_F(MenuRules, ARebuildRequestedDuringAPassRunsOnceThePassIsDone) {
    int passes = 0;
    bool again = true;
    MainMenuSystem system([&](MenuBuilder& builder) {
        ++passes;
        if (again) {
            again = false;
            builder.system().setNeedsRebuild();
        }
    });
    int announced = 0;
    Connection heard = system.rebuilt.connect([&] { ++announced; });
    system.setNeedsRebuild();
    EXPECT_EQ(passes, 2);
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(system.rebuildCount(), 2);
}

} // namespace
} // namespace fen

#include "MenuRulesTest.moc"
