#include "shell/KvScene.h"

#include "shell/KvCatalystSceneDelegate.h"
#include "shell/SceneManager.h"
#include "shell/Shell.h"
#include "shell/WelcomeWhatsNewView.h"
#include "ui/Tr.h"
#include "ui/UserDefaults.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFileDialog>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

namespace fen {

namespace {

QSize toQt(SceneSize size) {
    const auto clamp = [](double v) {
        return static_cast<int>(std::clamp(v, 0.0, SceneSize::unrestricted));
    };
    return {clamp(size.width), clamp(size.height)};
}

SceneSize fromQt(QSize size) {
    return {static_cast<double>(size.width()), static_cast<double>(size.height())};
}

} // namespace

KvScene::KvScene(SceneManager& manager, const std::string& session)
    : Scene(session), manager_(manager) {
    auto* page = new QWidget(this);
    layout_ = new QVBoxLayout(page);
    layout_->setContentsMargins(0, 0, 0, 0);
    setCentralWidget(page);
    // Quit (Ctrl+Q) and Close Window (Ctrl+W) are commands of the File menu, which the manager
    // draws into the window's menu bar.
}

KvScene::~KvScene() {
    takeBrowser();
}

std::string KvScene::title() const {
    return windowTitle().toStdString();
}

void KvScene::setTitle(const std::string& title) {
    setWindowTitle(QString::fromStdString(title));
}

QWidget* KvScene::takeBrowser() {
    if (root_ != SceneRoot::browser || !content_) {
        return nullptr;
    }
    QWidget* browser = content_;
    layout_->removeWidget(browser);
    browser->hide();
    browser->setParent(nullptr);
    content_ = nullptr;
    root_ = SceneRoot::none;
    return browser;
}

void KvScene::setRootNone() {
    if (!takeBrowser() && content_) {
        delete content_;
    }
    root_ = SceneRoot::none;
}

void KvScene::setRootBrowser() {
    setRootNone();
    QFileDialog& browser = manager_.browserView();
    manager_.browserMovedTo(this);
    browser.setParent(centralWidget());
    layout_->addWidget(&browser);
    browser.show();
    content_ = &browser;
    root_ = SceneRoot::browser;
    setWindowTitle(ui::tr("Open"));
    if (!isVisible() && !frameRestored_) {
        resize(QSize(900, 640).boundedTo(toQt(manager_.availableScreenSize())));
    }
}

void KvScene::setRootDocument(std::weak_ptr<KvDocument> document) {
    setRootNone();
    content_ = manager_.documentView()(std::move(document), centralWidget());
    layout_->addWidget(content_);
    content_->show();
    root_ = SceneRoot::document;
    setMinimumWidth(std::max(minimumWidth(), 700));
    if (!isVisible() && !frameRestored_) {
        resize(toQt(KvCatalystSceneDelegate::documentWindowSize(manager_.availableScreenSize())));
    }
}

void KvScene::restoreFrame(const QByteArray& geometry) {
    frameRestored_ = restoreGeometry(geometry);
}

void KvScene::setRootWelcome() {
    setRootNone();
    const int style =
        ui::UserDefaults().intValue(ui::UserDefaults::welcomeWhatsNewPresentationStyle);
    const nlohmann::json info =
        manager_.shell() ? manager_.shell()->appDelegate().info() : mainBundleInfo();
    content_ = new WelcomeWhatsNewView(
        OnBoardingWhatsNew::forStyle(style, info), [this] { close(); }, centralWidget());
    layout_->addWidget(content_);
    content_->show();
    root_ = SceneRoot::welcome;
}

void KvScene::setTitleHidden(bool hidden) {
    setProperty("titleHidden", hidden);
}

void KvScene::setMiniaturizable(bool miniaturizable) {
    setProperty("miniaturizable", miniaturizable);
    setWindowFlag(Qt::CustomizeWindowHint, !miniaturizable);
    setWindowFlag(Qt::WindowMinMaxButtonsHint, miniaturizable);
    setWindowFlag(Qt::WindowCloseButtonHint, true);
    setWindowFlag(Qt::WindowTitleHint, true);
}

void KvScene::setAllowsFullScreen(bool allows) {
    setProperty("allowsFullScreen", allows);
}

bool KvScene::requestFrame(double x, double y, SceneSize size) {
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        return false;
    }
    const QRect frame(static_cast<int>(x), static_cast<int>(y), static_cast<int>(size.width),
                      static_cast<int>(size.height));
    setGeometry(frame);
    requestedFrame_ = frame;
    return true;
}

void KvScene::makeKeyAndVisible() {
    show();
    raise();
    activateWindow();
    if (requestedFrame_) {
        // Once shown, the window is where the window system put it.
        QTimer::singleShot(0, this, [this, asked = *requestedFrame_] {
            if (geometry() != asked) {
                std::printf("The window \"%s\" could not be placed at %d, %d: the window system "
                            "put it at %d, %d\n",
                            windowTitle().toUtf8().constData(), asked.x(), asked.y(), x(), y());
                std::fflush(stdout);
            }
        });
        requestedFrame_.reset();
    }
}

void KvScene::presentDocumentModally(std::weak_ptr<KvDocument> document, bool) {
    auto* cover = new QDialog(this);
    cover->setAttribute(Qt::WA_DeleteOnClose);
    cover->setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(cover);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(manager_.documentView()(std::move(document), cover));
    cover->resize(size());
    cover->open();
}

bool KvScene::isForegroundActive() const {
    return isVisible() && isActiveWindow();
}

bool KvScene::isKeyWindow() const {
    return QApplication::activeWindow() == this;
}

SceneSize KvScene::minimumSize() const {
    return fromQt(QMainWindow::minimumSize());
}

SceneSize KvScene::maximumSize() const {
    return fromQt(QMainWindow::maximumSize());
}

void KvScene::setMinimumSize(SceneSize size) {
    QMainWindow::setMinimumSize(toQt(size));
}

void KvScene::setMaximumSize(SceneSize size) {
    QMainWindow::setMaximumSize(toQt(size));
}

void KvScene::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!going_) {
        manager_.userClosed(persistentIdentifier());
    }
}

} // namespace fen
