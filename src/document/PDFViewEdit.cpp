#include "document/PDFViewEdit.h"

#include "document/EditorPageRenderer.h"
#include "document/EditorPageRendererQueue.h"
#include "export/NotificationDocumentCenter.h"
#include "platform/foundation/MainQueue.h"
#include "rendering/FenDocument.h"
#include "rendering/FenObjectHolder.h"
#include "ui/Observe.h"
#include "ui/Theme.h"
#include "ui/Tr.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>

namespace fen {

namespace {

constexpr int margin = PDFViewEditLayout::margin;
constexpr double zoomStep = 1.25;

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

QString lockedDescription() {
    return ui::tr("This document is protected by a password. Type it to open the document.");
}

int toInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

} // namespace

PDFViewEdit::PDFViewEdit(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(ui::tr("Document"));
    verticalScrollBar()->setAccessibleName(QStringLiteral("Pages"));
    // The area itself takes the focus; the viewport is no second focused node behind it.
    viewport()->setFocusProxy(nullptr);
    password_ = new QLineEdit(viewport());
    password_->setEchoMode(QLineEdit::Password);
    password_->setPlaceholderText(ui::tr("Password"));
    password_->setAccessibleName(ui::tr("Password"));
    // Spoken as the field takes the focus: the field alone does not say the document is locked.
    password_->setAccessibleDescription(lockedDescription());
    password_->setFixedWidth(240);
    password_->hide();
    passwordMessage_ = new QLabel(ui::tr("Incorrect password"), viewport());
    passwordMessage_->setAccessibleName(passwordMessage_->text());
    passwordMessage_->setAlignment(Qt::AlignCenter);
    QPalette warning = passwordMessage_->palette();
    warning.setColor(QPalette::WindowText, ui::Theme::red());
    passwordMessage_->setPalette(warning);
    passwordMessage_->hide();
    connect(password_, &QLineEdit::returnPressed, this,
            [this] { unlockWithPassword(password_->text()); });
    connect(password_, &QLineEdit::textEdited, this, [this] { showPasswordMessage(false); });
}

PDFViewEdit::~PDFViewEdit() = default;

void PDFViewEdit::setDocument(std::shared_ptr<FenDocument> document, std::vector<gfx::Size> sizes,
                              std::unique_ptr<EditorPageRendererQueue> renderer) {
    queue_.reset();
    document_ = std::move(document);
    cache_.clear();
    modelConnection_.disconnect();
    if (!document_) {
        layout_.setSizes({});
        password_->hide();
        showPasswordMessage(false);
        layoutPages();
        return;
    }
    if (sizes.empty() && !document_->isLocked()) {
        for (int i = 0; i < document_->pageCount(); ++i) {
            sizes.push_back(EditorPageRenderer::displaySize(*document_, i));
        }
    }
    layout_.setSizes(std::move(sizes));
    QPointer<PDFViewEdit> guard(this);
    queue_ = renderer && renderer->document() == document_
                 ? std::move(renderer)
                 : std::make_unique<EditorPageRendererQueue>(document_);

    std::shared_ptr<FenObjectHolder> holder = document_->wmObjectHolder;
    if (std::shared_ptr<FenWatermarkModel> model = holder ? holder->model.lock() : nullptr) {
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
    showPasswordMessage(false);
    placePasswordField();
    refresh();
    fitIfAutomatic();
    // Once the scale is set: pictures the queue drew before are taken at once.
    queue_->deliverTo([guard](const ContentRequest& request, const gfx::Image& content) {
        if (guard) {
            guard->received(request, content);
        }
    });
}

PDFViewEdit::FirstContent PDFViewEdit::firstContent() const {
    const int width = viewport()->width();
    const int height = viewport()->height();
    const double ratio = devicePixelRatioF();
    const bool fits = autoScales_;
    const double scale = layout_.scale();
    return [=](const std::vector<gfx::Size>& sizes) -> std::optional<ContentRequest> {
        if (sizes.empty()) {
            return std::nullopt;
        }
        // As setDocument lays the pages out, and as pixelScale and pagePixels measure them.
        PDFViewEditLayout layout;
        layout.setSizes(sizes);
        const double pixels =
            (fits ? layout.fitScale(width, height) : layout.clampScale(scale)) * ratio;
        const PixelRect page{0, 0, std::max<std::int64_t>(1, std::llround(sizes[0].width * pixels)),
                             std::max<std::int64_t>(1, std::llround(sizes[0].height * pixels))};
        // renderRegion gives the whole page whatever is near the view, or only what is near it.
        if (PDFViewEditLayout::renderRegion(page.width, page.height, {}) != page) {
            return std::nullopt;
        }
        return ContentRequest{0, pixels, page};
    };
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
        showPasswordMessage(true);
        return false;
    }
    password_->clear();
    password_->hide();
    showPasswordMessage(false);
    std::vector<gfx::Size> sizes;
    for (int i = 0; i < document_->pageCount(); ++i) {
        sizes.push_back(EditorPageRenderer::displaySize(*document_, i));
    }
    layout_.setSizes(std::move(sizes));
    cache_.clear();
    fitIfAutomatic();
    NotificationCenter::defaultCenter().post(
        NotificationDocumentCenter::scopedName("PDFDidUnlock_", identifierOf(*document_)));
    return true;
}

double PDFViewEdit::fitScale() const {
    return layout_.fitScale(viewport()->width(), viewport()->height());
}

void PDFViewEdit::setAutoScales(bool on) {
    autoScales_ = on;
    if (on) {
        setScale(fitScale());
    }
}

void PDFViewEdit::setScaleFactor(double scale) {
    autoScales_ = false;
    setScale(layout_.clampScale(scale));
}

void PDFViewEdit::zoomIn() {
    autoScales_ = false;
    setScale(layout_.clampScale(scaleFactor() * zoomStep));
}

void PDFViewEdit::zoomOut() {
    autoScales_ = false;
    setScale(layout_.clampScale(scaleFactor() / zoomStep));
}

void PDFViewEdit::setScale(double scale) {
    // The point at the middle of the view stays there.
    setScale(scale, QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
}

void PDFViewEdit::setScale(double scale, const QPointF& anchor) {
    if (scale == layout_.scale()) {
        return;
    }
    if (pageCount() == 0) {
        layout_.setScale(scale);
        layoutPages();
        return;
    }
    // Where the anchor lies on the page under it, as fractions of that page's size, which the
    // new scale keeps; margins do not scale, so fractions of the whole column would drift.
    QScrollBar* across = horizontalScrollBar();
    QScrollBar* down = verticalScrollBar();
    const double x = across->value() + anchor.x();
    const double y = down->value() + anchor.y();
    const int index = layout_.pageAt(static_cast<std::int64_t>(std::floor(y)));
    const auto fraction = [](double at, std::int64_t start, std::int64_t length) {
        return (at - static_cast<double>(start)) /
               static_cast<double>(std::max<std::int64_t>(1, length));
    };
    const PixelRect before = layout_.pageRect(index, viewport()->width());
    const double fx = fraction(x, before.x, before.width);
    const double fy = fraction(y, before.y, before.height);
    layout_.setScale(scale);
    layoutPages();
    const PixelRect after = layout_.pageRect(index, viewport()->width());
    across->setValue(toInt(std::llround(static_cast<double>(after.x) +
                                        fx * static_cast<double>(after.width) - anchor.x())));
    down->setValue(toInt(std::llround(static_cast<double>(after.y) +
                                      fy * static_cast<double>(after.height) - anchor.y())));
}

double PDFViewEdit::pixelScale() const {
    return layout_.scale() * devicePixelRatioF();
}

void PDFViewEdit::layoutPages() {
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setRange(
        0, toInt(std::max<std::int64_t>(0, layout_.contentHeight() - viewport()->height())));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(
        0, toInt(std::max<std::int64_t>(0, layout_.contentWidth() - viewport()->width())));
    updateDescription();
    viewport()->update();
}

QRect PDFViewEdit::pageRect(int index) const {
    const PixelRect page = layout_.pageRect(index, viewport()->width());
    if (page.isEmpty()) {
        return {};
    }
    return {toInt(page.x - horizontalScrollBar()->value()),
            toInt(page.y - verticalScrollBar()->value()), toInt(page.width), toInt(page.height)};
}

int PDFViewEdit::currentPage() const {
    return layout_.pageAt(verticalScrollBar()->value() + viewport()->height() / 2);
}

void PDFViewEdit::updateDescription() {
    const QString text =
        pageCount() > 0 ? QStringLiteral("Page %1 of %2").arg(currentPage() + 1).arg(pageCount())
                        : QString();
    if (accessibleDescription() != text) {
        setAccessibleDescription(text);
    }
}

PixelRect PDFViewEdit::viewRect(std::int64_t dx, std::int64_t dy) const {
    return {horizontalScrollBar()->value() - dx, verticalScrollBar()->value() - dy,
            viewport()->width() + 2 * dx, viewport()->height() + 2 * dy};
}

PixelRect PDFViewEdit::pagePixels(int index) const {
    const gfx::Size& size = layout_.sizes()[static_cast<std::size_t>(index)];
    const double scale = pixelScale();
    return {0, 0, std::max<std::int64_t>(1, std::llround(size.width * scale)),
            std::max<std::int64_t>(1, std::llround(size.height * scale))};
}

PixelRect PDFViewEdit::pagePart(int index, const PixelRect& window) const {
    const PixelRect page = layout_.pageRect(index, viewport()->width());
    const PixelRect part = window.intersected(page);
    if (part.isEmpty()) {
        return {};
    }
    const double ratio = devicePixelRatioF();
    const auto left = static_cast<std::int64_t>(std::floor((part.x - page.x) * ratio));
    const auto top = static_cast<std::int64_t>(std::floor((part.y - page.y) * ratio));
    const auto right = static_cast<std::int64_t>(std::ceil((part.right() - page.x) * ratio));
    const auto bottom = static_cast<std::int64_t>(std::ceil((part.bottom() - page.y) * ratio));
    return PixelRect{left, top, right - left, bottom - top}.intersected(pagePixels(index));
}

PixelRect PDFViewEdit::wantedRegion(int index) const {
    const PixelRect page = pagePixels(index);
    const PixelRect near =
        pagePart(index, viewRect(viewport()->width() / 4, viewport()->height() / 2));
    return PDFViewEditLayout::renderRegion(page.width, page.height, near);
}

PixelRect PDFViewEdit::neededRegion(int index) const {
    return pagePart(index, viewRect(viewport()->width() / 8, viewport()->height() / 8));
}

bool PDFViewEdit::covers(const CachedPage& page, const PixelRect& needed) const {
    return page.hasContent && page.contentScale == pixelScale() &&
           (needed.isEmpty() || page.contentRegion.contains(needed));
}

bool PDFViewEdit::hasContent(int index) const {
    auto found = cache_.find(index);
    return found != cache_.end() && covers(found->second, neededRegion(index));
}

void PDFViewEdit::keepAround() {
    if (!document_ || !queue_ || pageCount() == 0) {
        return;
    }
    const double scale = pixelScale();
    const PixelRect view = viewRect();
    const auto [from, to] = layout_.pagesWithin(view.y - view.height, view.bottom() + view.height);
    const auto [first, last] = layout_.pagesWithin(view.y, view.bottom());
    for (auto it = cache_.begin(); it != cache_.end();) {
        it = (it->first < from || it->first > to) ? cache_.erase(it) : std::next(it);
    }
    std::vector<ContentRequest> shown;
    std::vector<ContentRequest> near;
    for (int index = from; index <= to; ++index) {
        CachedPage& page = cache_[index];
        if (page.hasContent && page.contentScale != scale) {
            page = CachedPage{}; // a picture at another scale is no use
        }
        const bool visible = index >= first && index <= last;
        if (!visible) {
            page.composed = {};
        }
        const PixelRect needed = neededRegion(index);
        if (covers(page, needed)) {
            continue;
        }
        const bool pendingDoes = page.pendingScale == scale && !page.pendingRegion.isEmpty() &&
                                 (needed.isEmpty() || page.pendingRegion.contains(needed));
        if (!pendingDoes) {
            page.pendingScale = scale;
            page.pendingRegion = wantedRegion(index);
        }
        if (!page.pendingRegion.isEmpty()) {
            (visible ? shown : near).push_back({index, scale, page.pendingRegion});
        }
    }
    shown.insert(shown.end(), near.begin(), near.end());
    queue_->want(std::move(shown));
}

void PDFViewEdit::received(const ContentRequest& request, const gfx::Image& content) {
    if (request.scale != pixelScale() || request.index < 0 || request.index >= pageCount()) {
        return;
    }
    // A page not painted yet (the first page, drawn while the view took the document) is held
    // from now on; the next paint lets go of it if it is not near the view.
    CachedPage& page = cache_[request.index];
    if (page.pendingScale == request.scale && page.pendingRegion == request.region) {
        page.pendingScale = 0;
        page.pendingRegion = {};
    }
    page.content = content;
    page.hasContent = true;
    page.contentScale = request.scale;
    page.contentRegion = request.region;
    page.contentSerial = ++contentSerial_;
    ++contentRenders_;
    viewport()->update();
}

const QImage& PDFViewEdit::ensureComposed(int index) {
    CachedPage& page = cache_[index];
    const double scale = pixelScale();
    const bool withContent = page.hasContent && page.contentScale == scale;
    PixelRect region = covers(page, neededRegion(index)) ? page.contentRegion : wantedRegion(index);
    if (region.isEmpty()) {
        region = pagePart(index, viewRect());
    }
    const std::uint64_t serial = withContent ? page.contentSerial : 0;
    if (page.composed.isNull() || page.composedScale != scale ||
        page.composedRevision != revision_ || page.composedRegion != region ||
        page.composedSerial != serial) {
        page.composed = {};
        page.composed =
            toQImage(EditorPageRenderer::compose(*document_, index, scale,
                                                 withContent ? page.content : gfx::Image(), region,
                                                 page.contentRegion),
                     devicePixelRatioF());
        page.composedScale = scale;
        page.composedRevision = revision_;
        page.composedRegion = region;
        page.composedSerial = serial;
    }
    return page.composed;
}

void PDFViewEdit::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), ui::Theme::secondarySystemBackground(palette()));
    if (document_ && pageCount() > 0) {
        keepAround();
        const PixelRect view = viewRect();
        const auto [first, last] = layout_.pagesWithin(view.y, view.bottom());
        const double ratio = devicePixelRatioF();
        for (int index = first; index <= last; ++index) {
            const QRect rect = pageRect(index);
            painter.fillRect(rect.adjusted(-1, -1, 1, 1), QColor(0, 0, 0, 40));
            const QImage& image = ensureComposed(index);
            const CachedPage& page = cache_[index];
            painter.drawImage(
                QPointF(rect.x() + static_cast<double>(page.composedRegion.x) / ratio,
                        rect.y() + static_cast<double>(page.composedRegion.y) / ratio),
                image);
            if (covers(page, neededRegion(index))) {
                Q_EMIT pageDrawn(index);
            }
        }
    }
    if (hasFocus()) {
        // Where the keyboard focus is, in the scheme's own highlight colour.
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(viewport()->rect()).adjusted(1, 1, -1, -1));
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
    passwordMessage_->setFixedWidth(password_->width());
    passwordMessage_->adjustSize();
    passwordMessage_->move(password_->x(), password_->geometry().bottom() + 6);
}

void PDFViewEdit::showPasswordMessage(bool shown) {
    if (passwordMessage_->isVisibleTo(this) == shown) {
        return;
    }
    passwordMessage_->setVisible(shown);
    // A screen reader speaks the field's description on a change while the field has the focus,
    // so a wrong password is heard where it was typed.
    password_->setAccessibleDescription(shown ? passwordMessage_->text() : lockedDescription());
    if (shown) {
        passwordMessage_->raise();
        QAccessibleEvent alert(passwordMessage_, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

void PDFViewEdit::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    placePasswordField();
    fitIfAutomatic();
}

void PDFViewEdit::fitIfAutomatic() {
    layout_.setScale(autoScales_ ? fitScale() : layout_.clampScale(layout_.scale()));
    layoutPages();
}

void PDFViewEdit::scrollContentsBy(int, int) {
    updateDescription();
    viewport()->update();
}

void PDFViewEdit::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~(Qt::ControlModifier | Qt::KeypadModifier)) == 0;
    if (plain && pageCount() > 0 && (event->key() == Qt::Key_Home || event->key() == Qt::Key_End)) {
        QScrollBar* bar = verticalScrollBar();
        if (event->key() == Qt::Key_Home) {
            bar->setValue(0);
        } else {
            bar->setValue(toInt(
                std::min<std::int64_t>(bar->maximum(), layout_.top(pageCount() - 1) - margin)));
        }
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void PDFViewEdit::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    // A notch (120 eighths of a degree) is one step; a finer wheel or a touchpad takes its share.
    event->accept();
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        return;
    }
    autoScales_ = false;
    setScale(layout_.clampScale(scaleFactor() * std::pow(zoomStep, delta / 120.0)),
             event->position());
}

void PDFViewEdit::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void PDFViewEdit::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

} // namespace fen
