#include "controls/CustomSegmentedPickerView.h"

#include "controls/ButtonStyles.h"
#include "ui/Animation.h"
#include "ui/Separator.h"
#include "ui/SymbolIcon.h"
#include "ui/Theme.h"
#include "ui/Tr.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace fen {

using ui::SymbolIcon;
using ui::Theme;

namespace {

// A tab of the row as the accessibility tree sees it: a page tab that can be pressed and that
// states whether it is the selected one.
class PickerTabAccessible : public QAccessibleWidget {
public:
    explicit PickerTabAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::PageTab) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        const auto* tab = static_cast<const CustomSegmentedPickerButton*>(widget());
        state.selectable = true;
        state.selected = tab->isSelectedTab();
        state.checkable = true;
        state.checked = tab->isSelectedTab();
        return state;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction()) {
            static_cast<CustomSegmentedPickerButton*>(widget())->click();
        }
    }
};

QAccessibleInterface* pickerAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("fen::CustomSegmentedPickerButton") && object &&
        object->isWidgetType()) {
        return new PickerTabAccessible(static_cast<QWidget*>(object));
    }
    if (className == QLatin1String("fen::CustomSegmentedPickerView") && object &&
        object->isWidgetType()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::PageTabList);
    }
    return nullptr;
}

void installAccessibleFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(pickerAccessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

CustomSegmentedPickerButton::CustomSegmentedPickerButton(const MainSettingsTab& tab,
                                                         QWidget* parent)
    : QAbstractButton(parent), imagename_(QString::fromStdString(tab.imagename)) {
    installAccessibleFactory();
    setAccessibleName(QString::fromStdString(tab.title));
    // The tab shows only its symbol: its name tells the pointer's user what it is.
    setToolTip(accessibleName());
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CustomSegmentedPickerButton::setSelectedTab(bool selected) {
    if (selected_ == selected) {
        return;
    }
    selected_ = selected;
    update();
    QAccessible::State changed;
    changed.selected = true;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void CustomSegmentedPickerButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), 6, 6);
    painter.setClipPath(clip);
    const QColor shade = Theme::withOpacity(Theme::primary(palette()), 0.04);
    if (isHover_) {
        painter.fillRect(rect(), shade);
    }
    const QColor colour = selected_ ? Theme::accent(palette()) : Theme::primary(palette());
    const QRectF symbol(width() / 2.0 - 8.5, height() / 2.0 - 8.5, 17, 17);
    SymbolIcon::paint(painter, symbol, imagename_, colour, SymbolIcon::Weight::Medium);
    if (isDown()) {
        painter.fillRect(rect(), shade);
    }
    paintFocusFrame(painter, *this, QRectF(rect()), 6);
}

void CustomSegmentedPickerButton::keyPressEvent(QKeyEvent* event) {
    // Return selects the focused tab as Space does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && !event->isAutoRepeat()) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

bool CustomSegmentedPickerButton::event(QEvent* event) {
    if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverLeave) {
        isHover_ = event->type() == QEvent::HoverEnter;
        update();
    }
    return QAbstractButton::event(event);
}

CustomSegmentedPickerView::CustomSegmentedPickerView(int selection,
                                                     std::vector<MainSettingsTab> tabs,
                                                     QWidget* parent)
    : QWidget(parent), tabs_(std::move(tabs)), selection_(selection) {
    installAccessibleFactory();
    setAccessibleName(ui::tr("Tabs"));
    auto* column = new QVBoxLayout(this);
    const int padding = style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
    column->setContentsMargins(padding, 0, padding, 0);
    column->setSpacing(0);

    row_ = new QWidget(this);
    row_->setFixedHeight(40);
    bar_ = new QWidget(row_);
    bar_->setAttribute(Qt::WA_TransparentForMouseEvents);
    bar_->setAutoFillBackground(true);
    auto* buttons = new QHBoxLayout(row_);
    buttons->setContentsMargins(0, 0, 0, 0);
    for (size_t i = 0; i < tabs_.size(); ++i) {
        auto* button = new CustomSegmentedPickerButton(tabs_[i], row_);
        button->setSelectedTab(static_cast<int>(i) == selection_);
        buttons->addWidget(button, 1);
        buttons_.push_back(button);
        connect(button, &QAbstractButton::clicked, this, [this, i] {
            const int position = this->position(tabs_[i]);
            if (position != selection_) {
                setSelection(position);
                Q_EMIT selectionEdited(position);
            }
        });
    }
    bar_->lower();
    row_->installEventFilter(this);
    column->addWidget(row_);
    column->addWidget(new ui::Separator(Qt::Horizontal, this));

    slide_ = new QVariantAnimation(this);
    connect(slide_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { bar_->setGeometry(value.toRect()); });
    placeBar(false);
}

int CustomSegmentedPickerView::position(const MainSettingsTab& tab) const {
    for (size_t i = 0; i < tabs_.size(); ++i) {
        if (tabs_[i] == tab) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

CustomSegmentedPickerButton* CustomSegmentedPickerView::button(int position) const {
    if (position < 0 || static_cast<size_t>(position) >= buttons_.size()) {
        return nullptr;
    }
    return buttons_[static_cast<size_t>(position)];
}

void CustomSegmentedPickerView::setSelection(int selection) {
    if (selection == selection_) {
        return;
    }
    selection_ = selection;
    for (size_t i = 0; i < buttons_.size(); ++i) {
        buttons_[i]->setSelectedTab(static_cast<int>(i) == selection_);
    }
    placeBar(true);
}

QRect CustomSegmentedPickerView::barGeometry() const {
    return QRect(row_->mapTo(this, bar_->pos()), bar_->size());
}

QRect CustomSegmentedPickerView::targetBarGeometry() const {
    if (buttons_.empty()) {
        return {};
    }
    std::vector<TabFrame> frames;
    for (const auto* button : buttons_) {
        const QPoint global = button->mapTo(button->window(), QPoint(0, 0));
        frames.push_back({double(global.x()), double(global.y()), double(button->width()),
                          double(button->height())});
    }
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    const SelectionBar bar = selectionBar(frames, selection_, rightToLeft);
    const QRect first = buttons_.front()->geometry();
    const int width = qRound(bar.width);
    const int x = rightToLeft ? first.x() + first.width() - qRound(bar.leadingPadding) - width
                              : first.x() + qRound(bar.leadingPadding);
    return QRect(x, row_->height() - 4, width, 4);
}

void CustomSegmentedPickerView::placeBar(bool animated) {
    QPalette accent = bar_->palette();
    accent.setColor(QPalette::Window, Theme::accent(palette()));
    bar_->setPalette(accent);
    const QRect target = targetBarGeometry();
    slide_->stop();
    if (!animated || ui::animationDuration() == 0 || !isVisible()) {
        bar_->setGeometry(target);
        return;
    }
    slide_->setDuration(ui::animationDuration());
    slide_->setStartValue(bar_->geometry());
    slide_->setEndValue(target);
    slide_->start();
}

bool CustomSegmentedPickerView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == row_ &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move ||
         event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show)) {
        // The buttons' geometry is final once the row's layout has run.
        QMetaObject::invokeMethod(
            this, [this] { placeBar(false); }, Qt::QueuedConnection);
    } else if (watched == row_ && event->type() == QEvent::PaletteChange) {
        placeBar(false);
    }
    return false;
}

} // namespace fen
