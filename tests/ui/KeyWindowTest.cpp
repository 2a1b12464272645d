// The key window in the program's windows (offscreen): the reports of becoming key and
// resigning, the menu commands reaching only the window in front, the dimmed look of a window
// that is not key, full screen's toolbar, and the menu bar every window carries.
#include "controls/CustomSegmentedPickerView.h"
#include "document/ContentView.h"
#include "document/DocumentView.h"
#include "document/FelDocumentSaverView.h"
#include "document/FelDocumentViewMain.h"
#include "document/FenDocumentView.h"
#include "document/FenPDFView.h"
#include "document/MainSettingsTabView.h"
#include "document/MainToolBarView.h"
#include "document/PDFViewEdit.h"
#include "export/NotificationDocumentCenter.h"
#include "panels/WatermarkListContainerView.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RecentDocuments.h"
#include "shell/KvCatalystDocumentRecentMenu.h"
#include "shell/KvDocument.h"
#include "shell/MainMenuBar.h"
#include "shell/MenuModel.h"
#include "shell/SceneManager.h"
#include "shell/Shell.h"
#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "ui/KeyWindowNodifier.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

namespace fen {
namespace {

namespace fs = std::filesystem;

bool becomesActive(QWidget* window) {
    window->activateWindow();
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

TEST(KeyWindowNodifier, BecomingKeyIsReportedATurnLaterToAllAndResigningAtOnceToItsOwn) {
    // The records outlive the windows, which report as they go.
    std::vector<bool> heardA;
    std::vector<bool> heardB;
    QWidget a;
    QWidget b;
    new KeyWindowNodifier([&](bool key) { heardA.push_back(key); }, &a);
    new KeyWindowNodifier([&](bool key) { heardB.push_back(key); }, &b);
    // Taken when the active window changes, after the nodifiers had their say.
    std::vector<std::pair<std::vector<bool>, std::vector<bool>>> atChange;
    QObject context;
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, &context, [&] {
        atChange.push_back({heardA, heardB});
    });
    a.show();
    b.show();
    ASSERT_TRUE(becomesActive(&a));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !heardA.empty() && heardA.back(); }));
    EXPECT_FALSE(heardB.empty() ? true : heardB.back());

    // A window's own sheet keeps it key: no resignation, and the sheet counts as its window.
    const size_t before = heardA.size();
    auto* sheet = new QDialog(&a);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->open();
    ASSERT_TRUE(becomesActive(sheet));
    ASSERT_TRUE(QTest::qWaitFor([&] { return heardA.size() > before; }));
    EXPECT_EQ(std::count(heardA.begin() + long(before), heardA.end(), false), 0);
    sheet->close();
    ASSERT_TRUE(becomesActive(&a));
    QCoreApplication::processEvents();

    atChange.clear();
    const size_t beforeB = heardB.size();
    ASSERT_TRUE(becomesActive(&b));
    ASSERT_FALSE(atChange.empty());
    // At the change itself: a has resigned, b has not been told yet.
    EXPECT_EQ(atChange.front().first.back(), false);
    EXPECT_EQ(atChange.front().second.size(), beforeB);
    ASSERT_TRUE(QTest::qWaitFor([&] { return heardB.back(); }));
    EXPECT_EQ(heardA.back(), false);
}

TEST(KeyWindowNodifier, ANodifierWithoutActionKeepsWorkingAndKnowsItsOwnWindow) {
    QWidget window;
    new KeyWindowNodifier(nullptr, &window);
    QWidget stranger;
    window.show();
    stranger.show();
    ASSERT_TRUE(becomesActive(&window));
    QCoreApplication::processEvents();
    EXPECT_TRUE(KeyWindowNodifier::isOwnWindow(&window, window.windowHandle()));
    EXPECT_FALSE(KeyWindowNodifier::isOwnWindow(&window, stranger.windowHandle()));
    EXPECT_FALSE(KeyWindowNodifier::isOwnWindow(&window, nullptr));
}

// Two document windows of the program, a.pdf and b.pdf, loaded.
class DocumentWindows : public ::testing::Test {
protected:
    test::TempDir dir;
    std::unique_ptr<SceneManager> manager;
    std::unique_ptr<Shell> shell;

    void SetUp() override {
        fs::remove(RecentDocuments::defaultFile());
        for (const char* name : {"a.pdf", "b.pdf"}) {
            test::writeFile(dir / name, test::wordPages(1, 400, 500));
        }
        manager = std::make_unique<SceneManager>(
            [](std::weak_ptr<KvDocument> document, QWidget* parent) -> QWidget* {
                return new DocumentView(std::move(document), parent);
            },
            dir / "state.json");
        shell = std::make_unique<Shell>(*manager);
        manager->openHandedFiles({Url::fileURL(dir / "a.pdf"), Url::fileURL(dir / "b.pdf")});
        for (const char* name : {"a.pdf", "b.pdf"}) {
            ASSERT_NE(scene(name), nullptr) << name;
            ASSERT_TRUE(QTest::qWaitFor([&] { return body(name)->main()->isLoaded(); }, 20000));
        }
    }
    void TearDown() override {
        shell.reset();
        manager.reset();
        fs::remove(RecentDocuments::defaultFile());
    }

    KvScene* scene(const std::string& title) const {
        for (Scene* scene : manager->connectedScenes()) {
            if (scene->title() == title) {
                return dynamic_cast<KvScene*>(scene);
            }
        }
        return nullptr;
    }
    DocumentView* root(const std::string& title) const {
        return scene(title)->findChild<DocumentView*>();
    }
    FenDocumentView* body(const std::string& title) const { return root(title)->content()->body(); }
    std::string id(const std::string& title) const {
        return root(title)->content()->channel()->id();
    }
    PDFViewEdit* pdf(const std::string& title) const {
        return body(title)->main()->pdfArea()->pdfView();
    }
    // Brings a window in front and waits for its relay to hear it.
    void front(const std::string& title) {
        ASSERT_TRUE(becomesActive(scene(title)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return body(title)->isKeyDocument(); }));
    }
    // An export runs to its picker, whose window-modal dialog would take the keys that follow:
    // the picker is dismissed and the window brought back in front.
    void dismissExportPicker(const std::string& title) {
        FelDocumentSaverView* saver = body(title)->main()->saverView();
        KvScene* window = scene(title);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !saver->saverModel().isBusy() && window->findChild<QFileDialog*>(); },
            60000));
        window->findChild<QFileDialog*>()->reject();
        front(title);
    }
    QMenu* menu(const std::string& title, const char* id) const {
        return scene(title)->menuBar()->findChild<QMenu*>(QString::fromLatin1(id));
    }
    static QStringList texts(const QMenu* menu) {
        QStringList result;
        for (const QAction* action : menu->actions()) {
            result << (action->isSeparator() ? QStringLiteral("-") : action->text());
        }
        return result;
    }
};

int heard(const std::string& name, const std::function<void()>& action) {
    int count = 0;
    ObserverToken token = NotificationCenter::defaultCenter().addObserver(
        name, [&count](const Notification&) { ++count; });
    action();
    return count;
}

TEST(DocumentWindow, AWindowThatNeverBecameKeyRelaysNoMenuCommand) {
    test::TempDir dir;
    test::writeFile(dir / "never.pdf", test::wordPages(1, 400, 500));
    auto document = std::make_shared<KvDocument>(Url::fileURL(dir / "never.pdf"));
    // Built and never shown, so never told that it is key.
    DocumentView view(document, HorizontalSizeClass::regular);
    const std::string id = view.content()->channel()->id();
    QCoreApplication::processEvents();
    for (const std::string command :
         {"MenuReuqestExport", "MenuReuqestZoomToFit", "MenuReuqestZoomIn", "MenuReuqestZoomOut"}) {
        EXPECT_EQ(
            heard(command + "_" + id, [&] { NotificationCenter::defaultCenter().post(command); }),
            0)
            << command;
    }
    EXPECT_FALSE(view.content()->body()->isKeyDocument());
}

TEST_F(DocumentWindows, MenuKeysReachOnlyTheWindowInFront) {
    // The window shown last may already be key: a is brought in front first, so the command
    // below is the first that b hears after taking a's place.
    front("a.pdf");
    front("b.pdf");
    EXPECT_FALSE(body("a.pdf")->isKeyDocument());
    KvScene* b = scene("b.pdf");
    int exportsA = 0;
    const int exportsB = heard("MenuReuqestExport_" + id("b.pdf"), [&] {
        exportsA = heard("MenuReuqestExport_" + id("a.pdf"),
                         [&] { QTest::keyClick(b, Qt::Key_S, Qt::ControlModifier); });
    });
    EXPECT_EQ(exportsB, 1);
    EXPECT_EQ(exportsA, 0);
    dismissExportPicker("b.pdf");

    const double fittedA = pdf("a.pdf")->scaleFactor();
    const double fittedB = pdf("b.pdf")->scaleFactor();
    QTest::keyClick(b, Qt::Key_Plus, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return std::abs(pdf("b.pdf")->scaleFactor() - fittedB * 1.25) < 1e-9; }));
    QTest::keyClick(b, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(b, Qt::Key_Minus, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return std::abs(pdf("b.pdf")->scaleFactor() - fittedB / 1.25) < 1e-9; }));
    QTest::keyClick(b, Qt::Key_0, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pdf("b.pdf")->autoScales(); }));
    EXPECT_EQ(pdf("a.pdf")->scaleFactor(), fittedA);
    EXPECT_TRUE(pdf("a.pdf")->autoScales());

    // Resigning stops the relay at once, before another window is told it is key.
    bool relayedAtChange = true;
    {
        QObject context;
        QObject::connect(qApp, &QGuiApplication::focusWindowChanged, &context,
                         [&] { relayedAtChange = body("b.pdf")->isKeyDocument(); });
        front("a.pdf");
    }
    EXPECT_FALSE(relayedAtChange);
    int exportsOfA = 0;
    EXPECT_EQ(heard("MenuReuqestExport_" + id("b.pdf"),
                    [&] {
                        exportsOfA = heard("MenuReuqestExport_" + id("a.pdf"), [] {
                            NotificationCenter::defaultCenter().post("MenuReuqestExport");
                        });
                    }),
              0);
    EXPECT_EQ(exportsOfA, 1);
    dismissExportPicker("a.pdf");

    // Ctrl+O brings the browser.
    QTest::keyClick(scene("a.pdf"), Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return scene("Open") != nullptr; }));
}

TEST_F(DocumentWindows, AWindowThatIsNotKeyDimsItsToolbarAndGreysItsAccent) {
    const auto look = [this](const std::string& title) {
        KvScene* window = scene(title);
        MainToolBarView* bar = body(title)->main()->toolBar();
        CustomSegmentedPickerView* tabs = body(title)->settingsTab()->tabRow();
        const QImage picture = window->grab().toImage();
        // The darkest pixel of the title, and the colour in the middle of the tab row's bar.
        const QRect titleRect(bar->titleLabel()->mapTo(window, QPoint(0, 0)),
                              bar->titleLabel()->size());
        int darkest = 255;
        for (int y = titleRect.top(); y <= titleRect.bottom(); ++y) {
            for (int x = titleRect.left(); x <= titleRect.right(); ++x) {
                darkest = std::min(darkest, qGray(picture.pixel(x, y)));
            }
        }
        const QRect barRect = tabs->barGeometry().translated(tabs->mapTo(window, QPoint(0, 0)));
        return std::pair{darkest, QColor(picture.pixel(barRect.center()))};
    };
    front("a.pdf");
    front("b.pdf");
    const auto [dimmedTitle, greyBar] = look("a.pdf");
    const auto [keyTitle, accentBar] = look("b.pdf");
    EXPECT_EQ(greyBar, ui::Theme::gray());
    EXPECT_EQ(accentBar, ui::Theme::accent(scene("b.pdf")->palette()));
    EXPECT_NE(accentBar, ui::Theme::gray());
    // The title is dimmed twice (the bar and the title itself): far lighter than the key one.
    EXPECT_GT(dimmedTitle, keyTitle + 60);
    const auto* effect =
        qobject_cast<QGraphicsOpacityEffect*>(body("a.pdf")->main()->toolBar()->graphicsEffect());
    ASSERT_NE(effect, nullptr);
    EXPECT_TRUE(effect->isEnabled());
    EXPECT_DOUBLE_EQ(effect->opacity(), 0.5);
    // The text list's toolbar row dims with it.
    const auto rowEffect = [this](const std::string& title) {
        auto* list = scene(title)->findChild<WatermarkListContainerView*>();
        EXPECT_NE(list, nullptr);
        auto* row = list ? list->toolbarButtons()->parentWidget() : nullptr;
        return row ? qobject_cast<QGraphicsOpacityEffect*>(row->graphicsEffect()) : nullptr;
    };
    ASSERT_NE(rowEffect("a.pdf"), nullptr);
    EXPECT_DOUBLE_EQ(rowEffect("a.pdf")->opacity(), 0.5);
    EXPECT_FALSE(rowEffect("b.pdf")->isEnabled());

    // Both come back when the window is key again.
    front("a.pdf");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return look("a.pdf").second == ui::Theme::accent(scene("a.pdf")->palette()); }));
    EXPECT_EQ(look("a.pdf").first, keyTitle);
}

TEST_F(DocumentWindows, FullScreenTakesTheToolbarOfThatWindowOnly) {
    for (const char* name : {"a.pdf", "b.pdf"}) {
        QWindow* window = scene(name)->windowHandle();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->property("toolbar").isValid(); }));
        EXPECT_EQ(window->property("titlebarAppearsTransparent"), QVariant(true));
        EXPECT_EQ(window->property("titleVisibility"), QVariant(QStringLiteral("hidden")));
        // The window manager's title stays the file's name.
        EXPECT_EQ(scene(name)->windowTitle().toStdString(), name);
    }
    QPointer<QObject> toolbar =
        scene("a.pdf")->windowHandle()->property("toolbar").value<QObject*>();
    QPointer<QObject> other = scene("b.pdf")->windowHandle()->property("toolbar").value<QObject*>();
    ASSERT_TRUE(toolbar && other);
    scene("a.pdf")->showFullScreen();
    EXPECT_FALSE(scene("a.pdf")->windowHandle()->property("toolbar").isValid());
    EXPECT_TRUE(toolbar.isNull());
    EXPECT_TRUE(scene("b.pdf")->windowHandle()->property("toolbar").isValid());
    EXPECT_FALSE(other.isNull());
    scene("a.pdf")->showNormal();
    const QVariant back = scene("a.pdf")->windowHandle()->property("toolbar");
    ASSERT_TRUE(back.isValid());
    // A new one: the old one is gone (its address may well be reused).
    EXPECT_NE(back.value<QObject*>(), nullptr);
    EXPECT_TRUE(toolbar.isNull());
    EXPECT_EQ(back.value<QObject*>()->objectName(), "toolbar");
}

TEST_F(DocumentWindows, EveryWindowCarriesTheMenuBarWithCtrlForCommand) {
    for (const char* name : {"a.pdf", "b.pdf"}) {
        QStringList titles;
        for (const QAction* action : scene(name)->menuBar()->actions()) {
            titles << QString(action->text()).remove('&');
        }
        EXPECT_EQ(titles, (QStringList{"File", "Edit", "View", "Window", "Help"})) << name;
    }
    QMenu* file = menu("a.pdf", "file");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(texts(file), (QStringList{"Open...", "-", "Open Recent", "-", "Close Window", "-",
                                        "Export...", "-", "Quit"}));
    const auto shortcut = [](const QMenu* menu, const QString& text) {
        for (const QAction* action : menu->actions()) {
            if (action->text() == text) {
                return action->shortcut().toString();
            }
        }
        return QString();
    };
    EXPECT_EQ(shortcut(file, "Open..."), "Ctrl+O");
    EXPECT_EQ(shortcut(file, "Export..."), "Ctrl+S");
    EXPECT_EQ(shortcut(file, "Close Window"), "Ctrl+W");
    EXPECT_EQ(shortcut(file, "Quit"), "Ctrl+Q");
    QMenu* view = menu("a.pdf", "view");
    EXPECT_EQ(texts(view), (QStringList{"Zoom to Fit", "Zoom In", "Zoom Out", "-", "Full Screen"}));
    EXPECT_EQ(shortcut(view, "Zoom In"), "Ctrl++");
    EXPECT_EQ(shortcut(view, "Full Screen"), "F11");
    EXPECT_EQ(texts(menu("a.pdf", "edit")),
              (QStringList{"Undo", "Redo", "-", "Cut", "Copy", "Paste", "-", "Select All"}));
    // The Window menu lists the open windows when it opens.
    QMenu* windows = menu("a.pdf", "window");
    Q_EMIT windows->aboutToShow();
    EXPECT_EQ(texts(windows), (QStringList{"Minimize", "-", "a.pdf", "b.pdf"}));

    // The files just opened are in Open Recent, with their icons, once the menu is rebuilt.
    // They join it as their windows open them, in whichever order that ends.
    shell->mainMenu().setNeedsRebuild();
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const QStringList listed = texts(menu("b.pdf", "open-recent"));
        return listed == QStringList{"b.pdf", "a.pdf", "-", "Clear Menu"} ||
               listed == QStringList{"a.pdf", "b.pdf", "-", "Clear Menu"};
    })) << texts(menu("b.pdf", "open-recent")).join(',').toStdString();
    for (const QAction* entry : menu("b.pdf", "open-recent")->actions()) {
        EXPECT_TRUE(entry->isSeparator() || entry->text() == "Clear Menu" ||
                    !entry->icon().isNull());
    }
    // Clear Menu, chosen in the bar, empties it at once.
    menu("b.pdf", "open-recent")->actions().back()->trigger();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return texts(menu("a.pdf", "open-recent")) == QStringList{"Clear Menu"}; }));
    EXPECT_FALSE(menu("a.pdf", "open-recent")->actions().back()->isEnabled());
}

TEST_F(DocumentWindows, TheMenuBarOpensFromTheKeyboard) {
    QMenuBar* bar = scene("a.pdf")->menuBar();
    // Each title has one access key, no two alike.
    QSet<QChar> keys;
    for (const QAction* title : bar->actions()) {
        const QString text = title->text();
        ASSERT_EQ(text.count('&'), 1) << text.toStdString();
        const QChar key = text[text.indexOf('&') + 1].toLower();
        EXPECT_TRUE(key.isLetter()) << text.toStdString();
        EXPECT_FALSE(keys.contains(key)) << text.toStdString();
        keys.insert(key);
    }
    EXPECT_EQ(MainMenuBar::withAccessKeys({"File", "Fit", "Fx", "Save & Quit"}),
              (QStringList{"&File", "F&it", "F&x", "&Save && Quit"}));

    front("a.pdf");
    const auto open = [&] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); };
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* menu;
    };
    for (const Case& c :
         {Case{Qt::Key_F10, Qt::NoModifier, "file"}, Case{Qt::Key_F, Qt::AltModifier, "file"},
          Case{Qt::Key_V, Qt::AltModifier, "view"}}) {
        SCOPED_TRACE(c.menu);
        QTest::keyClick(pdf("a.pdf"), c.key, c.modifiers);
        ASSERT_TRUE(QTest::qWaitFor([&] { return open() == menu("a.pdf", c.menu); }));
        // A keyboard opening chooses the first item, so Down and Return go on from there.
        EXPECT_EQ(open()->activeAction(), open()->actions().first());
        // The arrow keys go on to the next menu; Escape closes the menu, and the bar lets go.
        QTest::keyClick(open(), Qt::Key_Right);
        ASSERT_TRUE(QTest::qWaitFor([&] { return open() && open() != menu("a.pdf", c.menu); }));
        QTest::keyClick(open(), Qt::Key_Escape);
        QTest::keyClick(bar, Qt::Key_Escape);
        ASSERT_TRUE(QTest::qWaitFor([&] { return open() == nullptr; }));
        front("a.pdf");
    }
}

TEST_F(DocumentWindows, CtrlWheelZoomsAboutThePointerAndCtrlEqualsZoomsIn) {
    front("b.pdf");
    KvScene* window = scene("b.pdf");
    PDFViewEdit* view = pdf("b.pdf");
    const double fitted = view->scaleFactor();
    QTest::keyClick(window, Qt::Key_Equal, Qt::ControlModifier);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return std::abs(view->scaleFactor() - fitted * 1.25) < 1e-9; }));
    QTest::keyClick(window, Qt::Key_0, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->autoScales(); }));

    // Zoomed in and scrolled half way, so the view can follow the pointer both ways. The wheel
    // as the window system delivers it: to the widget under the pointer, a third of the way down
    // the view.
    view->setScaleFactor(fitted * 2);
    QScrollBar* down = view->verticalScrollBar();
    ASSERT_GT(down->maximum(), 0);
    down->setValue(down->maximum() / 2);
    const QPoint at = view->viewport()->mapTo(
        window, QPoint(view->viewport()->width() / 2, view->viewport()->height() / 3));
    const auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
        QWidget* under = window->childAt(at);
        ASSERT_NE(under, nullptr);
        QWheelEvent event(under->mapFrom(window, QPointF(at)), window->mapToGlobal(QPointF(at)),
                          QPoint(), QPoint(0, delta), Qt::NoButton, modifiers, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(under, &event);
    };
    // The page's point under the pointer, as a fraction of the page's height.
    const auto pointed = [&] {
        const QRect shown = view->pageRect(0);
        const int y = view->viewport()->mapFrom(window, at).y();
        return static_cast<double>(y - shown.top()) / shown.height();
    };
    const struct {
        const char* what;
        int delta;
        Qt::KeyboardModifiers modifiers;
        double scale;
    } cases[] = {
        {"Ctrl+wheel up", 120, Qt::ControlModifier, fitted * 2 * 1.25},
        {"Ctrl+wheel up again", 120, Qt::ControlModifier, fitted * 2 * 1.25 * 1.25},
        {"Ctrl+wheel down", -120, Qt::ControlModifier, fitted * 2 * 1.25},
        {"the wheel alone", -120, Qt::NoModifier, fitted * 2 * 1.25},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const double before = pointed();
        wheel(c.delta, c.modifiers);
        EXPECT_NEAR(view->scaleFactor(), c.scale, 1e-9);
        if (c.modifiers) {
            EXPECT_NEAR(pointed(), before, 2.0 / view->pageRect(0).height());
        }
    }
}

} // namespace
} // namespace fen
