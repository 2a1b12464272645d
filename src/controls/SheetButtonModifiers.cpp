#include "controls/SheetButtonModifiers.h"

#include "controls/ButtonStyles.h"
#include "ui/Theme.h"
#include "ui/Tr.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace fen {

using ui::SymbolIcon;
using ui::Theme;

namespace {

// Lays out the title row (leading item, centred title, trailing item) over the content.
void layOut(QWidget* sheet, QWidget* leading, const QString& title, QWidget* trailing,
            QWidget* content) {
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QWidget(sheet);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(8, 4, 8, 4);
    auto* label = new QLabel(title, bar);
    label->setAlignment(Qt::AlignCenter);
    QFont bold = label->font();
    bold.setWeight(QFont::DemiBold);
    label->setFont(bold);
    // Equal room on both sides keeps the title centred.
    auto* left = new QWidget(bar);
    auto* leftLayout = new QHBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    if (leading) {
        leftLayout->addWidget(leading);
    }
    leftLayout->addStretch(1);
    auto* right = new QWidget(bar);
    auto* rightLayout = new QHBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addStretch(1);
    if (trailing) {
        rightLayout->addWidget(trailing);
    }
    row->addWidget(left, 1);
    row->addWidget(label, 0);
    row->addWidget(right, 1);
    layout->addWidget(bar);
    layout->addWidget(content, 1);
}

StyledButton* paddedLabelButton(const QString& label, ButtonStyle style, QWidget* parent) {
    auto* button = new StyledButton(style, false, parent);
    button->setLabel(label, QColor(Qt::white));
    button->setPadding(QMargins(14, 8, 14, 8));
    button->setAccessibleName(label);
    return button;
}

void onKey(QWidget* sheet, Qt::Key key, std::function<void()> run) {
    auto* shortcut = new QShortcut(QKeySequence(key), sheet);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, sheet, std::move(run));
}

// The round close button of the options sheet.
class CloseButton : public QAbstractButton {
public:
    explicit CloseButton(QWidget* parent) : QAbstractButton(parent) {
        setAccessibleName(ui::tr("Close"));
        setToolTip(ui::tr("Close"));
        setFixedSize(32 + 28, 32 + 16);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(0.7);
        const QRectF circle(14, 8, 32, 32);
        QPainterPath round;
        round.addRoundedRect(circle, 16, 16);
        painter.fillPath(round, Theme::withOpacity(Theme::gray(), 0.1));
        SymbolIcon::paint(painter, circle.adjusted(8, 8, -8, -8), QStringLiteral("xmark"),
                          Theme::primary(palette()), SymbolIcon::Weight::Semibold);
    }
};

} // namespace

SheetDoneButtonModifier::SheetDoneButtonModifier(QWidget* content, const QString& title,
                                                 std::function<void(bool)> isPresented,
                                                 QWidget* parent)
    : QWidget(parent) {
    done_ = paddedLabelButton(ui::tr("Done"), ButtonStyle::SheetDoneButtonButtonStyle, this);
    layOut(this, nullptr, title, done_, content);
    connect(done_, &QAbstractButton::clicked, this, [isPresented] { isPresented(false); });
    onKey(this, Qt::Key_Escape, [this] { done_->click(); });
}

SheetSettingCloseButtonModifier::SheetSettingCloseButtonModifier(QWidget* content,
                                                                 std::function<void()> dismiss,
                                                                 QWidget* parent)
    : QWidget(parent) {
    auto* close = new CloseButton(this);
    close_ = close;
    layOut(this, nullptr, QString(), close, content);
    connect(close, &QAbstractButton::clicked, this, [dismiss] { dismiss(); });
    onKey(this, Qt::Key_Escape, [close] { close->click(); });
}

SheetCancelOpenButtonModifier::SheetCancelOpenButtonModifier(QWidget* content, const QString& title,
                                                             std::function<void(bool)> isPresented,
                                                             bool isOpenButtonEnabled,
                                                             std::function<void()> actionValidate,
                                                             QWidget* parent)
    : QWidget(parent), isOpenButtonEnabled_(isOpenButtonEnabled) {
    auto* cancel = new QPushButton(ui::tr("Cancel"), this);
    cancel->setFlat(true);
    cancel->setAutoDefault(false);
    cancel_ = cancel;
    open_ = paddedLabelButton(ui::tr("Open"), ButtonStyle::SheetDoneButtonButtonStyle, this);
    layOut(this, cancel, ui::tr(title), open_, content);
    connect(cancel, &QPushButton::clicked, this, [isPresented] { isPresented(false); });
    connect(open_, &QAbstractButton::clicked, this, [isPresented, actionValidate] {
        if (actionValidate) {
            actionValidate();
        }
        isPresented(false);
    });
    onKey(this, Qt::Key_Escape, [cancel] { cancel->click(); });
    // The keypad's Enter confirms as Return does.
    onKey(this, Qt::Key_Return, [this] { open_->click(); });
    onKey(this, Qt::Key_Enter, [this] { open_->click(); });
    setOpenButtonEnabled(isOpenButtonEnabled);
}

void SheetCancelOpenButtonModifier::setOpenButtonEnabled(bool enabled) {
    isOpenButtonEnabled_ = enabled;
    open_->setEnabled(enabled);
    auto* effect = new QGraphicsOpacityEffect(open_);
    effect->setOpacity(enabled ? 1.0 : 0.5);
    open_->setGraphicsEffect(effect);
}

} // namespace fen
