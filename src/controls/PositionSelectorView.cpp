#include "controls/PositionSelectorView.h"

#include "controls/ButtonStyles.h"
#include "controls/SelectedStateAccessible.h"
#include "ui/Theme.h"
#include "ui/Tr.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace fen {

using ui::Theme;

namespace {

constexpr double cellWidth = positionItemHeight / 1.5;
constexpr double cellPadding = 4;

enum class Edge { start, centre, end };

// A mark of a watermark on a page: a dark bar, 40 % of the page wide.
void drawMark(QPainter& painter, const QRectF& page, Edge across, Edge down) {
    const QSizeF mark(page.width() * 0.4, std::max(4.0, page.height() * 0.08));
    const double inset = page.width() * 0.1;
    auto place = [inset](Edge edge, double from, double length, double size) {
        switch (edge) {
        case Edge::start:
            return from + inset;
        case Edge::centre:
            return from + (length - size) / 2;
        case Edge::end:
            break;
        }
        return from + length - inset - size;
    };
    const QRectF bar(place(across, page.left(), page.width(), mark.width()),
                     place(down, page.top(), page.height(), mark.height()), mark.width(),
                     mark.height());
    painter.fillRect(bar, QColor(0x4A, 0x4A, 0x4F));
}

// A page of the pair shown for the page-parity placements: a faint outline, and its mark.
void drawSmallPage(QPainter& painter, const QRectF& page, Edge across, Edge down) {
    painter.setPen(QPen(QColor(0, 0, 0, 60), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(page.adjusted(0.5, 0.5, -0.5, -0.5));
    drawMark(painter, page, across, down);
}

} // namespace

void drawPositionPicture(QPainter& painter, const QRectF& page, Positions position) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF upper(page.left() + 6, page.top() + 6, page.width() - 12, page.height() / 2 - 9);
    const QRectF lower(upper.left(), page.center().y() + 3, upper.width(), upper.height());
    switch (position) {
    case Positions::none:
        break;
    case Positions::topleft:
        drawMark(painter, page, Edge::start, Edge::start);
        break;
    case Positions::topcenter:
        drawMark(painter, page, Edge::centre, Edge::start);
        break;
    case Positions::topright:
        drawMark(painter, page, Edge::end, Edge::start);
        break;
    case Positions::middle:
        drawMark(painter, page, Edge::centre, Edge::centre);
        break;
    case Positions::bottomleft:
        drawMark(painter, page, Edge::start, Edge::end);
        break;
    case Positions::bottomcenter:
        drawMark(painter, page, Edge::centre, Edge::end);
        break;
    case Positions::bottomright:
        drawMark(painter, page, Edge::end, Edge::end);
        break;
    case Positions::diagonal: {
        painter.translate(page.center());
        painter.rotate(-56);
        const double length = page.height() * 0.7;
        painter.fillRect(QRectF(-length / 2, -3, length, 6), QColor(0x4A, 0x4A, 0x4F));
        break;
    }
    case Positions::triple:
        drawMark(painter, page, Edge::centre, Edge::start);
        drawMark(painter, page, Edge::centre, Edge::centre);
        drawMark(painter, page, Edge::centre, Edge::end);
        break;
    // An even page above an odd one, each marked where that parity puts the watermark.
    case Positions::topevenleft:
        drawSmallPage(painter, upper, Edge::start, Edge::start);
        drawSmallPage(painter, lower, Edge::end, Edge::start);
        break;
    case Positions::topoddleft:
        drawSmallPage(painter, upper, Edge::end, Edge::start);
        drawSmallPage(painter, lower, Edge::start, Edge::start);
        break;
    case Positions::bottomevenleft:
        drawSmallPage(painter, upper, Edge::start, Edge::end);
        drawSmallPage(painter, lower, Edge::end, Edge::end);
        break;
    case Positions::bottomoddleft:
        drawSmallPage(painter, upper, Edge::end, Edge::end);
        drawSmallPage(painter, lower, Edge::start, Edge::end);
        break;
    }
    painter.restore();
}

PositionSelector_Item_View::PositionSelector_Item_View(PositionSelectorModel& model, Positions item,
                                                       QWidget* parent)
    : QAbstractButton(parent), model_(model), item_(item) {
    SelectedStateAccessible::install();
    const QString name = ui::tr(std::string(localizationKey(item)));
    setAccessibleName(name);
    setToolTip(name);
    // The grid makes one cell a Tab stop (PositionSelectorView::updateTabStops).
    setFocusPolicy(Qt::ClickFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::clicked, this, [this] { model_.setSelectedItem(item_); });
    refresh();
}

QSize PositionSelector_Item_View::sizeHint() const {
    return QSize(int(cellWidth + 2 * cellPadding), int(positionItemHeight + 2 * cellPadding));
}

void PositionSelector_Item_View::refresh() {
    const bool selected = samePosition(item_, model_.selectedItem());
    if (selected != selected_) {
        selected_ = selected;
        update();
        SelectedStateAccessible::selectedStateChanged(this);
    }
}

void PositionSelector_Item_View::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (selected_) {
        QPainterPath frame;
        frame.addRoundedRect(QRectF(rect()), positionItemCornerRadius, positionItemCornerRadius);
        painter.fillPath(frame, Theme::accent(palette()));
    }
    const QRectF picture(cellPadding, cellPadding, cellWidth, positionItemHeight);
    QPainterPath clip;
    clip.addRoundedRect(picture, 6, 6);
    painter.setClipPath(clip);
    painter.fillRect(picture, Qt::white);
    drawPositionPicture(painter, picture, item_);
    painter.setPen(QPen(Theme::withOpacity(Theme::primary(palette()), 0.1), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(picture.adjusted(0.5, 0.5, -0.5, -0.5), 5.5, 5.5);
    const ButtonLook look =
        buttonLook(ButtonStyle::PositionSelectorButtonStyle, palette(), false, isDown(), false);
    painter.fillRect(picture, look.pressOverlay);
    painter.setClipping(false);
    paintFocusFrame(painter, *this, QRectF(rect()), positionItemCornerRadius);
}

PositionSelector_Page_View::PositionSelector_Page_View(PositionSelectorModel& model,
                                                       const std::vector<Positions>& items,
                                                       QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 8, 0, 0);
    auto* row = new QHBoxLayout;
    for (Positions item : items) {
        auto* cell = new PositionSelector_Item_View(model, item, this);
        cells_.push_back(cell);
        row->addWidget(cell);
    }
    if (std::int64_t(items.size()) < model.maxItemPerPage()) {
        row->addStretch(1);
    }
    layout->addLayout(row);
    layout->addStretch(1);
}

namespace {

// A page dot: a small circle, solid for the page shown, framed while it has the keyboard focus.
// Named as a page of the grid, never to be taken for a page of the document.
class PageDot : public QAbstractButton {
public:
    PageDot(int page, int pageCount, QWidget* parent) : QAbstractButton(parent) {
        setCheckable(false);
        setFocusPolicy(Qt::StrongFocus);
        setAccessibleName(ui::tr("Positions, page %1 of %2").arg(page + 1).arg(pageCount));
        setFixedSize(14, 14);
    }
    void setCurrent(bool current) {
        current_ = current;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const QColor primary = Theme::primary(palette());
        painter.setBrush(current_ ? primary : Theme::withOpacity(primary, 0.3));
        painter.drawEllipse(QRectF(rect()).center(), 3.5, 3.5);
        paintFocusFrame(painter, *this, QRectF(rect()), height() / 2.0);
    }

private:
    bool current_ = false;
};

// The capsule behind the page dots, always shown.
class DotsBackground : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::withOpacity(Theme::primary(palette()), 0.1));
        const double radius = height() / 2.0;
        painter.drawRoundedRect(QRectF(rect()), radius, radius);
    }
};

} // namespace

PositionSelectorView::PositionSelectorView(Positions position, std::vector<Positions> items,
                                           QWidget* parent)
    : QWidget(parent), model_(PositionSelectorModel::make()), position_(position),
      items_(std::move(items)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    pages_ = new QStackedWidget(this);
    layout->addWidget(pages_, 1);
    auto* dotsRow = new QHBoxLayout;
    dots_ = new DotsBackground(this);
    auto* dotsLayout = new QHBoxLayout(dots_);
    dotsLayout->setContentsMargins(6, 2, 6, 2);
    dotsLayout->setSpacing(2);
    dotsRow->addStretch(1);
    dotsRow->addWidget(dots_);
    dotsRow->addStretch(1);
    layout->addLayout(dotsRow);
    layout->addSpacing(4);
    setFixedHeight(int(positionItemHeight + 54));

    changed_ = model_->changed.connect([this] { refresh(); });
    // Loading the offered positions selects the first one for a moment; the binding's value
    // is then selected again, and neither step is written back.
    loading_ = true;
    model_->setItems(items_);
    model_->setSelectedItem(position_);
    loading_ = false;
}

PositionSelectorView::~PositionSelectorView() {
    changed_.disconnect();
}

void PositionSelectorView::setPosition(Positions position) {
    position_ = position;
    if (!samePosition(model_->selectedItem(), position)) {
        model_->setSelectedItem(position);
    }
}

void PositionSelectorView::refresh() {
    if (!samePages(shownPages_, model_->pagedItems())) {
        rebuildPages();
    }
    for (int i = 0; i < pages_->count(); ++i) {
        for (PositionSelector_Item_View* cell : page(i)->cells()) {
            cell->refresh();
        }
    }
    if (!loading_ && !samePosition(position_, model_->selectedItem())) {
        position_ = model_->selectedItem();
        Q_EMIT positionEdited(position_);
    }
}

void PositionSelectorView::rebuildPages() {
    const int current = pages_->currentIndex();
    while (pages_->count() > 0) {
        QWidget* old = pages_->widget(0);
        pages_->removeWidget(old);
        delete old;
    }
    for (QAbstractButton* dot : dotButtons_) {
        delete dot;
    }
    dotButtons_.clear();
    shownPages_ = model_->pagedItems();
    // All pages before all dots, so that Tab goes from the cells to the dots.
    for (const auto& items : shownPages_) {
        auto* pageView = new PositionSelector_Page_View(*model_, items, pages_);
        for (PositionSelector_Item_View* cell : pageView->cells()) {
            cell->installEventFilter(this);
        }
        pages_->addWidget(pageView);
    }
    for (int i = 0; i < int(shownPages_.size()); ++i) {
        auto* dot = new PageDot(i, int(shownPages_.size()), dots_);
        dots_->layout()->addWidget(dot);
        // Shown now, not on the layout's next turn, so that Tab reaches it at once.
        dot->show();
        dot->installEventFilter(this);
        connect(dot, &QAbstractButton::clicked, this, [this, i] { setCurrentPage(i); });
        dotButtons_.push_back(dot);
    }
    dots_->setVisible(!dotButtons_.empty());
    const int shown = std::clamp(current, 0, std::max(0, pages_->count() - 1));
    focusPlace_ = model_->entryOnPage(shown);
    setCurrentPage(shown);
}

void PositionSelectorView::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    if (std::abs(delta.x()) <= std::abs(delta.y())) {
        event->ignore();
        return;
    }
    // One notch of a wheel, or a swipe of the same length, turns one page.
    swipe_ += delta.x();
    if (std::abs(swipe_) >= QWheelEvent::DefaultDeltasPerStep) {
        setCurrentPage(currentPage() + (swipe_ < 0 ? 1 : -1));
        swipe_ = 0;
    }
    event->accept();
}

int PositionSelectorView::pageCount() const {
    return pages_->count();
}

int PositionSelectorView::currentPage() const {
    return pages_->currentIndex();
}

void PositionSelectorView::setCurrentPage(int index) {
    if (index < 0 || index >= pages_->count()) {
        return;
    }
    showPage(index);
    if (focusPlace_.page != index) {
        focusPlace_ = model_->entryOnPage(index);
    }
    updateTabStops();
}

void PositionSelectorView::showPage(int index) {
    pages_->setCurrentIndex(index);
    for (int i = 0; i < int(dotButtons_.size()); ++i) {
        static_cast<PageDot*>(dotButtons_[size_t(i)])->setCurrent(i == index);
    }
    setAccessibleDescription(
        QString::fromStdString(PositionSelectorModel::pageDescription(index, pages_->count())));
}

void PositionSelectorView::moveFocus(PositionGridPlace place) {
    PositionSelector_Item_View* target = cellAt(place);
    if (!target) {
        return;
    }
    focusPlace_ = place;
    showPage(place.page);
    updateTabStops();
    target->setFocus(Qt::TabFocusReason);
}

void PositionSelectorView::updateTabStops() {
    for (int i = 0; i < pages_->count(); ++i) {
        const auto& cells = page(i)->cells();
        for (int c = 0; c < int(cells.size()); ++c) {
            const bool stop = focusPlace_ == PositionGridPlace{i, c};
            cells[size_t(c)]->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
        }
    }
}

PositionSelector_Item_View* PositionSelectorView::cellAt(PositionGridPlace place) const {
    if (place.page < 0 || place.page >= pages_->count()) {
        return nullptr;
    }
    const auto& cells = page(place.page)->cells();
    return place.cell >= 0 && place.cell < int(cells.size()) ? cells[size_t(place.cell)] : nullptr;
}

bool PositionSelectorView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        // A cell focused by a click (or by an assistive tool) becomes the keyboard stop.
        for (int i = 0; i < pages_->count(); ++i) {
            const auto& cells = page(i)->cells();
            for (int c = 0; c < int(cells.size()); ++c) {
                if (cells[size_t(c)] == watched && focusPlace_ != PositionGridPlace{i, c}) {
                    focusPlace_ = {i, c};
                    updateTabStops();
                }
            }
        }
    } else if (event->type() == QEvent::KeyPress) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (auto* cell = qobject_cast<PositionSelector_Item_View*>(watched)) {
            return cellKey(cell, key);
        }
        if (auto* dot = qobject_cast<QAbstractButton*>(watched)) {
            return dotKey(dot, key);
        }
    }
    return QWidget::eventFilter(watched, event);
}

namespace {

bool isReturn(const QKeyEvent& key) {
    return (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) &&
           (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

bool PositionSelectorView::cellKey(PositionSelector_Item_View* cell, const QKeyEvent& key) {
    if (isReturn(key)) {
        if (!key.isAutoRepeat()) {
            cell->click();
        }
        return true;
    }
    if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        return false;
    }
    // Left and Right follow the reading direction; Up and Down go as Left and Right would in a
    // left-to-right grid (the cells stand in one row).
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    std::optional<PositionGridMove> move;
    switch (key.key()) {
    case Qt::Key_Left:
        move = rtl ? PositionGridMove::next : PositionGridMove::previous;
        break;
    case Qt::Key_Right:
        move = rtl ? PositionGridMove::previous : PositionGridMove::next;
        break;
    case Qt::Key_Up:
        move = PositionGridMove::previous;
        break;
    case Qt::Key_Down:
        move = PositionGridMove::next;
        break;
    case Qt::Key_PageUp:
        move = PositionGridMove::previousPage;
        break;
    case Qt::Key_PageDown:
        move = PositionGridMove::nextPage;
        break;
    default:
        return false;
    }
    moveFocus(model_->moved(focusPlace_, *move));
    return true;
}

bool PositionSelectorView::dotKey(QAbstractButton* dot, const QKeyEvent& key) {
    if (isReturn(key)) {
        if (!key.isAutoRepeat()) {
            dot->click();
        }
        return true;
    }
    if (key.modifiers() == Qt::NoModifier &&
        (key.key() == Qt::Key_PageUp || key.key() == Qt::Key_PageDown)) {
        setCurrentPage(currentPage() + (key.key() == Qt::Key_PageDown ? 1 : -1));
        if (QAbstractButton* shown = pageDot(currentPage())) {
            shown->setFocus(Qt::TabFocusReason);
        }
        return true;
    }
    return false;
}

PositionSelector_Page_View* PositionSelectorView::page(int index) const {
    return static_cast<PositionSelector_Page_View*>(pages_->widget(index));
}

QAbstractButton* PositionSelectorView::pageDot(int index) const {
    return index >= 0 && index < int(dotButtons_.size()) ? dotButtons_[size_t(index)] : nullptr;
}

PositionSelector_Item_View* PositionSelectorView::cell(Positions position) const {
    for (int i = 0; i < pages_->count(); ++i) {
        for (PositionSelector_Item_View* c : page(i)->cells()) {
            if (samePosition(c->item(), position)) {
                return c;
            }
        }
    }
    return nullptr;
}

} // namespace fen
