// The shell's real windows, offscreen: the browser's file dialog, picking, the window of an
// unreadable file, windows kept at Quit; and the probe and the desktop entry.
#include "shell/KvCatalystSceneDelegate.h"
#include "shell/KvDocument.h"
#include "shell/SceneManager.h"
#include "shell/Shell.h"
#include "support/TestSupport.h"

#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <fstream>

namespace fen {
namespace {

namespace fs = std::filesystem;

class ShellWindows : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path stateFile = dir / "state" / "scenes.json";
    std::vector<std::weak_ptr<KvDocument>> shown;
    DocumentViewFactory factory = [this](std::weak_ptr<KvDocument> document, QWidget* parent) {
        shown.push_back(document);
        auto* page = new QWidget(parent);
        page->setObjectName("page");
        return page;
    };

    void SetUp() override {
        for (const char* name : {"a.pdf", "b.pdf"}) {
            std::ofstream(dir / name) << "%PDF-1.4 " << name;
        }
    }
    static std::vector<std::string> titles(const SceneManager& manager) {
        std::vector<std::string> result;
        for (Scene* scene : manager.connectedScenes()) {
            result.push_back(scene->title());
        }
        return result;
    }
    static void pick(QFileDialog& browser, const QString& text) {
        browser.findChild<QLineEdit*>("fileNameEdit")->setText(text);
        static_cast<QDialog&>(browser).accept();
    }
};

TEST_F(ShellWindows, TheBrowserOffersPdfFilesOnlyAndPickedFilesOpenOrComeForward) {
    SceneManager manager(factory, stateFile);
    Shell shell(manager);
    manager.start({});
    ASSERT_EQ(titles(manager), std::vector<std::string>{"Open"});
    QFileDialog& browser = manager.browserView();
    EXPECT_EQ(browser.fileMode(), QFileDialog::ExistingFiles);
    EXPECT_EQ(browser.mimeTypeFilters(), QStringList{"application/pdf"});
    EXPECT_TRUE(browser.testOption(QFileDialog::ReadOnly));
    EXPECT_TRUE(browser.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_TRUE(browser.findChild<QToolButton*>("newFolderButton")->isHidden());
    EXPECT_EQ(browser.window(), dynamic_cast<QWidget*>(manager.connectedScenes()[0]));

    browser.setDirectory(QString::fromStdString(dir.path().string()));
    pick(browser, "\"a.pdf\" \"b.pdf\"");
    EXPECT_EQ(titles(manager), (std::vector<std::string>{"a.pdf", "b.pdf"}));

    manager.openHandedFiles({});
    QTRY_COMPARE(manager.connectedScenes().size(), size_t(3));
    EXPECT_EQ(titles(manager).back(), "Open");
    pick(browser, "a.pdf");
    EXPECT_EQ(titles(manager), (std::vector<std::string>{"a.pdf", "b.pdf"}));
    EXPECT_EQ(shown.size(), 2u);
}

TEST_F(ShellWindows, AnUnreadableFileGetsAWindowOfItsNameAtTheOpeningSize) {
    SceneManager manager(factory, stateFile);
    Shell shell(manager);
    manager.start({Url::fileURL(dir / "missing.pdf")});
    ASSERT_EQ(titles(manager), std::vector<std::string>{"missing.pdf"});
    auto* window = dynamic_cast<KvScene*>(manager.connectedScenes()[0]);
    ASSERT_NE(window->findChild<QWidget*>("page"), nullptr);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_FALSE(shown[0].lock()->info->data);
    const SceneSize expected =
        KvCatalystSceneDelegate::documentWindowSize(manager.availableScreenSize());
    EXPECT_EQ(window->width(), static_cast<int>(expected.width));
    EXPECT_GE(window->minimumWidth(), 700);
}

TEST_F(ShellWindows, QuitKeepsTheWindowsAndClosingThemOneByOneForgetsThem) {
    {
        SceneManager manager(factory, stateFile);
        Shell shell(manager);
        manager.start({Url::fileURL(dir / "a.pdf"), Url::fileURL(dir / "b.pdf")});
        manager.quitKeepingSessions();
    }
    SceneManager manager(factory, stateFile);
    Shell shell(manager);
    manager.start({});
    ASSERT_EQ(titles(manager), (std::vector<std::string>{"a.pdf", "b.pdf"}));
    for (Scene* scene : manager.connectedScenes()) {
        dynamic_cast<QWidget*>(scene)->close();
    }
    EXPECT_TRUE(manager.connectedScenes().empty());
    QTRY_VERIFY(!fs::exists(stateFile));
}

TEST(ShellProbe, PrintsScenesRegistryAndActivities) {
    test::TempDir dir;
    std::ofstream(dir / "a.pdf") << "%PDF-1.4";
    const std::string probe = std::string(FENMOOR_BINARY_DIR) + "/tools/fen-ui-probe/fen-ui-probe";
    const std::string a = (dir / "a.pdf").string();
    const auto run = test::runCommand({probe, "shell", "open:" + a, "browser", "pick:" + a});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const QJsonObject out = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    const QJsonArray scenes = out["scenes"].toArray();
    ASSERT_EQ(scenes.size(), 1); // the browser closed, the open file came forward
    EXPECT_EQ(scenes[0].toObject()["title"].toString(), "a.pdf");
    EXPECT_EQ(out["registry"].toArray().size(), 1);
    EXPECT_EQ(out["activities"]
                  .toArray()[0]
                  .toObject()["userInfo"]
                  .toObject()["bookmarkdata"]
                  .toString()
                  .toStdString(),
              a);
}

TEST(DesktopEntry, PassesTheValidator) {
    const auto run = test::runCommand(
        {"desktop-file-validate", std::string(FENMOOR_SOURCE_DIR) + "/data/fenmoor.desktop"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.out, "");
}

} // namespace
} // namespace fen
