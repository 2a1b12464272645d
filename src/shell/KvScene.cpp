#include "shell/KvScene.h"

#include "shell/KvCatalystSceneDelegate.h"
#include "shell/SceneManager.h"
#include "ui/Tr.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFileDialog>
#include <QVBoxLayout>

#include <algorithm>

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
    auto* quit = new QAction(ui::tr("Quit"), this);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, [this] { manager_.quitKeepingSessions(); });
    addAction(quit);
    // Closing with the keyboard, as the title bar's close does: the session is discarded.
    auto* closeWindow = new QAction(ui::tr("Close"), this);
    closeWindow->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(closeWindow, &QAction::triggered, this, &QWidget::close);
    addAction(closeWindow);
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

void KvScene::makeKeyAndVisible() {
    show();
    raise();
    activateWindow();
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
