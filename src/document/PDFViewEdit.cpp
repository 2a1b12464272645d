#include "document/PDFViewEdit.h"

#include "document/EditorPageRenderer.h"
#include "export/NotificationDocumentCenter.h"
#include "platform/foundation/MainQueue.h"
#include "rendering/FenDocument.h"
#include "rendering/FenObjectHolder.h"
#include "ui/Observe.h"
#include "ui/Theme.h"
#include "ui/Tr.h"

#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace fen {

namespace {

// Room around and between the pages, in points.
constexpr int margin = 10;
constexpr double zoomStep = 1.25;
constexpr double minScale = 0.1;
constexpr double maxScale = 8;

// A QImage over the pixels of `image` (premultiplied ARGB32, the layout of both), which keeps
// the picture alive as long as the QImage.
QImage toQImage(const gfx::Image& image, double devicePixelRatio) {
    if (image.isNull()) {
        return {};
    }
    auto* kept = new gfx::Image(image);
    QImage result(
        kept->data(), kept->width(), kept->height(), kept->stride(),
        QImage::Format_ARGB32_Premultiplied,
        [](void* info) { delete static_cast<gfx::Image*>(info); }, kept);
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

std::string identifierOf(const FenDocument& document) {
    return document.processorID.value_or(std::string());
}

} // namespace

PDFViewEdit::PDFViewEdit(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setAccessibleName(ui::tr("Document"));
    password_ = new QLineEdit(viewport());
    password_->setEchoMode(QLineEdit::Password);
    password_->setPlaceholderText(ui::tr("Password"));
    password_->setAccessibleName(ui::tr("Password"));
    password_->setFixedWidth(240);
    password_->hide();
    connect(password_, &QLineEdit::returnPressed, this,
            [this] { unlockWithPassword(password_->text()); });
}

PDFViewEdit::~PDFViewEdit() = default;

void PDFViewEdit::setDocument(std::shared_ptr<FenDocument> document, std::vector<gfx::Size> sizes) {
    document_ = std::move(document);
    cache_.clear();
    prefetch_.clear();
    modelConnection_.disconnect();
    sizes_.clear();
    if (!document_) {
        password_->hide();
        layoutPages();
        return;
    }
    if (sizes.empty() && !document_->isLocked()) {
        for (int i = 0; i < document_->pageCount(); ++i) {
            sizes.push_back(EditorPageRenderer::displaySize(*document_, i));
        }
    }
    sizes_ = std::move(sizes);

    std::shared_ptr<FenObjectHolder> holder = document_->wmObjectHolder;
    if (std::shared_ptr<FenWatermarkModel> model = holder ? holder->model.lock() : nullptr) {
        QPointer<PDFViewEdit> guard(this);
        // Whatever thread changes the model, the refresh runs on the main queue.
        modelConnection_ = model->watermarkModelPublisher.connect([guard] {
            MainQueue::post([guard] {
                if (guard) {
                    guard->refresh();
                }
            });
        });
    }
    const std::string id = identifierOf(*document_);
    ui::observe(this, NotificationDocumentCenter::scopedName("MenuReuqestZoomToFit_", id),
                [this](const Notification&) { setAutoScales(true); });
    ui::observe(this, NotificationDocumentCenter::scopedName("MenuReuqestZoomIn_", id),
                [this](const Notification&) { zoomIn(); });
    ui::observe(this, NotificationDocumentCenter::scopedName("MenuReuqestZoomOut_", id),
                [this](const Notification&) { zoomOut(); });

    password_->setVisible(document_->isLocked());
    placePasswordField();
    refresh();
    fitIfAutomatic();
}

void PDFViewEdit::refresh() {
    if (document_) {
        std::shared_ptr<FenObjectHolder> holder = document_->wmObjectHolder;
        if (std::shared_ptr<FenWatermarkModel> model = holder ? holder->model.lock() : nullptr) {
            holder->refreshImageObject(model->imageConf);
            holder->refreshStampObject(model->stampConf);
            holder->refreshOtherObject(model->otherConf);
        }
    }
    ++revision_;
    viewport()->update();
}

bool PDFViewEdit::unlockWithPassword(const QString& password) {
    if (!document_ || !document_->isLocked()) {
        return false;
    }
    if (!document_->unlock(password.toStdString())) {
        password_->clear();
        return false;
    }
    password_->clear();
    password_->hide();
    std::vector<gfx::Size> sizes;
    for (int i = 0; i < document_->pageCount(); ++i) {
        sizes.push_back(EditorPageRenderer::displaySize(*document_, i));
    }
    sizes_ = std::move(sizes);
    cache_.clear();
    fitIfAutomatic();
    NotificationCenter::defaultCenter().post(
        NotificationDocumentCenter::scopedName("PDFDidUnlock_", identifierOf(*document_)));
    return true;
}

double PDFViewEdit::fitScale() const {
    if (sizes_.empty()) {
        return 1;
    }
    double widest = 0;
    for (const gfx::Size& size : sizes_) {
        widest = std::max(widest, size.width);
    }
    // One pixel to spare, so that rounding never makes the fitted page scroll.
    const double width = std::max(1, viewport()->width() - 2 * margin - 1);
    const double height = std::max(1, viewport()->height() - 2 * margin - 1);
    const double scale = std::min(width / widest, height / sizes_.front().height);
    return std::clamp(scale, minScale, maxScale);
}

void PDFViewEdit::setAutoScales(bool on) {
    autoScales_ = on;
    if (on) {
        setScale(fitScale());
    }
}

void PDFViewEdit::setScaleFactor(double scale) {
    autoScales_ = false;
    setScale(std::clamp(scale, minScale, maxScale));
}

void PDFViewEdit::zoomIn() {
    autoScales_ = false;
    setScale(std::min(scale_ * zoomStep, maxScale));
}

void PDFViewEdit::zoomOut() {
    autoScales_ = false;
    setScale(std::max(scale_ / zoomStep, minScale));
}

void PDFViewEdit::setScale(double scale) {
    if (scale == scale_) {
        return;
    }
    // The point at the middle of the view stays there.
    QScrollBar* bar = verticalScrollBar();
    const double middle =
        contentHeight_ > 0 ? (bar->value() + viewport()->height() / 2.0) / contentHeight_ : 0;
    scale_ = scale;
    layoutPages();
    bar->setValue(static_cast<int>(middle * contentHeight_ - viewport()->height() / 2.0));
}

void PDFViewEdit::layoutPages() {
    tops_.clear();
    int y = margin;
    int widest = 0;
    for (const gfx::Size& size : sizes_) {
        tops_.push_back(y);
        y += static_cast<int>(std::lround(size.height * scale_)) + margin;
        widest = std::max(widest, static_cast<int>(std::lround(size.width * scale_)));
    }
    contentHeight_ = y;
    contentWidth_ = widest + 2 * margin;
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setRange(0, std::max(0, contentHeight_ - viewport()->height()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth_ - viewport()->width()));
    viewport()->update();
}

QRect PDFViewEdit::pageRect(int index) const {
    if (index < 0 || index >= pageCount()) {
        return {};
    }
    const gfx::Size& size = sizes_[static_cast<size_t>(index)];
    const int width = static_cast<int>(std::lround(size.width * scale_));
    const int height = static_cast<int>(std::lround(size.height * scale_));
    const int x = std::max(margin, (viewport()->width() - width) / 2);
    return {x - horizontalScrollBar()->value(),
            tops_[static_cast<size_t>(index)] - verticalScrollBar()->value(), width, height};
}

std::pair<int, int> PDFViewEdit::pagesWithin(int top, int bottom) const {
    // The first page whose bottom lies below `top`, up to the last whose top lies above `bottom`.
    auto first = std::upper_bound(tops_.begin(), tops_.end(), top);
    int from = static_cast<int>(first - tops_.begin()) - 1;
    from = std::max(0, from);
    auto last = std::lower_bound(tops_.begin(), tops_.end(), bottom);
    int to = static_cast<int>(last - tops_.begin()) - 1;
    return {from, std::min(to, pageCount() - 1)};
}

PDFViewEdit::CachedPage& PDFViewEdit::ensureContent(int index) {
    CachedPage& page = cache_[index];
    const double pixelScale = scale_ * devicePixelRatioF();
    if (page.contentScale != pixelScale) {
        page.content = EditorPageRenderer::renderContent(*document_, index, pixelScale);
        page.contentScale = pixelScale;
        page.composed = {};
        ++contentRenders_;
    }
    return page;
}

const QImage& PDFViewEdit::ensureComposed(int index) {
    CachedPage& page = ensureContent(index);
    if (page.composedScale != page.contentScale || page.composedRevision != revision_ ||
        page.composed.isNull()) {
        page.composed = toQImage(
            EditorPageRenderer::compose(*document_, index, page.contentScale, page.content),
            devicePixelRatioF());
        page.composedScale = page.contentScale;
        page.composedRevision = revision_;
    }
    return page.composed;
}

void PDFViewEdit::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), ui::Theme::secondarySystemBackground(palette()));
    if (!document_ || sizes_.empty()) {
        return;
    }
    const int top = verticalScrollBar()->value();
    auto [from, to] = pagesWithin(top, top + viewport()->height());
    for (int index = from; index <= to; ++index) {
        const QRect rect = pageRect(index);
        painter.fillRect(rect.adjusted(-1, -1, 1, 1), QColor(0, 0, 0, 40));
        const QImage& image = ensureComposed(index);
        painter.drawImage(rect.topLeft(), image);
        Q_EMIT pageDrawn(index);
    }
    keepAround();
}

void PDFViewEdit::keepAround() {
    const int top = verticalScrollBar()->value();
    const int screen = viewport()->height();
    auto [from, to] = pagesWithin(top - screen, top + 2 * screen);
    for (auto it = cache_.begin(); it != cache_.end();) {
        it = (it->first < from || it->first > to) ? cache_.erase(it) : std::next(it);
    }
    prefetch_.clear();
    const double pixelScale = scale_ * devicePixelRatioF();
    for (int index = from; index <= to; ++index) {
        auto found = cache_.find(index);
        if (found == cache_.end() || found->second.contentScale != pixelScale) {
            prefetch_.push_back(index);
        }
    }
    if (!prefetch_.empty() && !prefetchQueued_) {
        prefetchQueued_ = true;
        QTimer::singleShot(0, this, [this] { prefetchNext(); });
    }
}

void PDFViewEdit::prefetchNext() {
    prefetchQueued_ = false;
    if (prefetch_.empty() || !document_) {
        return;
    }
    const int index = prefetch_.front();
    prefetch_.erase(prefetch_.begin());
    ensureContent(index);
    if (!prefetch_.empty()) {
        prefetchQueued_ = true;
        QTimer::singleShot(0, this, [this] { prefetchNext(); });
    }
}

QImage PDFViewEdit::pageImage(int index) {
    if (!document_ || index < 0 || index >= pageCount()) {
        return {};
    }
    return ensureComposed(index);
}

void PDFViewEdit::placePasswordField() {
    password_->adjustSize();
    password_->move((viewport()->width() - password_->width()) / 2,
                    (viewport()->height() - password_->height()) / 3);
}

void PDFViewEdit::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    placePasswordField();
    fitIfAutomatic();
}

void PDFViewEdit::fitIfAutomatic() {
    if (autoScales_) {
        scale_ = fitScale();
    }
    layoutPages();
}

void PDFViewEdit::scrollContentsBy(int, int) {
    viewport()->update();
}

} // namespace fen
