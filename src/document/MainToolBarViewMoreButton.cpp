#include "document/MainToolBarViewMoreButton.h"

#include "controls/KvToggle.h"
#include "controls/SheetButtonModifiers.h"
#include "model/FenWatermarkModel.h"
#include "ui/Sheets.h"
#include "ui/UserDefaults.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace fen {

namespace {

const char* const overwriteTitle = "Overwrite Original";
const char* const secureTitle = "Secure Saving";
const char* const passwordTitle = "Password Protected";

} // namespace

MainToolBarViewMoreButton::MainToolBarViewMoreButton(std::shared_ptr<FenWatermarkModel> model,
                                                     HorizontalSizeClass sizeClass, QWidget* parent)
    : ToolBarViewButton(
          false, false, QStringLiteral("ellipsis.circle"), false, QStringLiteral("Export"),
          std::nullopt, [this] { togglePresented(); }, parent),
      model_(std::move(model)), sizeClass_(sizeClass) {
    // Export shares the tooltip; the button is told apart by its own action's name.
    setAccessibleName(QStringLiteral("More"));
}

void MainToolBarViewMoreButton::setOverwrite(bool value) {
    ui::UserDefaults defaults;
    defaults.setBool(ui::UserDefaults::overWrite, value);
    defaults.sync();
}

void MainToolBarViewMoreButton::changeOverwrite(bool value) {
    if (value == isOverwrite_) {
        return;
    }
    isOverwrite_ = value;
    model_->isOverwrite = value;
    setOverwrite(value);
}

void MainToolBarViewMoreButton::changeSecure(bool value) {
    if (value == isSecure_) {
        return;
    }
    isSecure_ = value;
    model_->isSecureSaving = value;
}

void MainToolBarViewMoreButton::changePassword(bool value) {
    if (value == isPassword_) {
        return;
    }
    isPassword_ = value;
    model_->isPasswordProtected = value;
}

void MainToolBarViewMoreButton::loadOptions() {
    changeSecure(model_->isSecureSaving);
    changePassword(model_->isPasswordProtected);
    changeOverwrite(ui::UserDefaults().boolValue(ui::UserDefaults::overWrite, false));
}

KvToggle* MainToolBarViewMoreButton::toggle(const QString& title) const {
    if (!popover_) {
        return nullptr;
    }
    for (KvToggle* toggle : popover_->findChildren<KvToggle*>()) {
        if (toggle->toggleSwitch()->accessibleName() == title) {
            return toggle;
        }
    }
    return nullptr;
}

bool MainToolBarViewMoreButton::eventFilter(QObject* watched, QEvent* event) {
    // Only the events that close a popover are looked at (others arrive while it is destroyed).
    const QEvent::Type type = event->type();
    if ((type != QEvent::MouseButtonPress && type != QEvent::KeyPress &&
         type != QEvent::ApplicationDeactivate) ||
        !isPresented()) {
        return ToolBarViewButton::eventFilter(watched, event);
    }
    switch (type) {
    case QEvent::MouseButtonPress:
        if (auto* widget = qobject_cast<QWidget*>(watched);
            widget && widget->window() != popover_) {
            dismiss();
            // The click that closes the popover on this button does not open it again.
            return widget == this;
        }
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            dismiss();
            return true;
        }
        break;
    case QEvent::ApplicationDeactivate:
        dismiss();
        break;
    default:
        break;
    }
    return ToolBarViewButton::eventFilter(watched, event);
}

MainToolBarViewMoreButton::~MainToolBarViewMoreButton() {
    qApp->removeEventFilter(this);
    delete popover_.data();
}

void MainToolBarViewMoreButton::dismiss() {
    qApp->removeEventFilter(this);
    if (popover_) {
        popover_->close();
    }
}

void MainToolBarViewMoreButton::togglePresented() {
    if (isPresented()) {
        dismiss();
        return;
    }
    loadOptions();
    // Qt leaves windows of the popup type out of the accessibility tree, so the popover is a
    // frameless tool window that closes itself as a popup does: on a click outside it, on Escape
    // and when the application loses the focus.
    auto* popover = new QFrame(window(), Qt::Tool | Qt::FramelessWindowHint);
    popover->setFrameShape(QFrame::StyledPanel);
    popover->setAttribute(Qt::WA_DeleteOnClose);
    popover->setAutoFillBackground(true);
    popover->setAccessibleName(QStringLiteral("More"));
    popover_ = popover;
    qApp->installEventFilter(this);

    auto* content = new QWidget;
    auto* rows = new QVBoxLayout(content);
    rows->setContentsMargins(16, 16, 16, 16);
    struct Row {
        const char* title;
        bool value;
        void (MainToolBarViewMoreButton::*change)(bool);
    };
    for (const Row& row :
         {Row{overwriteTitle, isOverwrite_, &MainToolBarViewMoreButton::changeOverwrite},
          Row{secureTitle, isSecure_, &MainToolBarViewMoreButton::changeSecure},
          Row{passwordTitle, isPassword_, &MainToolBarViewMoreButton::changePassword}}) {
        auto* toggle = new KvToggle(QString::fromUtf8(row.title), row.value, content);
        // The switch's own change, so that an assistive tool's toggle (which does not click)
        // changes the option too; the switches are never set after they are built.
        connect(toggle->toggleSwitch(), &QAbstractButton::toggled, this,
                [this, change = row.change](bool on) { (this->*change)(on); });
        rows->addWidget(toggle);
    }

    auto* layout = new QVBoxLayout(popover);
    layout->setContentsMargins(0, 0, 0, 0);
    if (sizeClass_ == HorizontalSizeClass::regular) {
        layout->addWidget(content);
    } else {
        rows->addStretch(1);
        layout->addWidget(new SheetSettingCloseButtonModifier(
            content, [this] { dismiss(); }, popover));
    }
    ui::showPopover(popover, this);
}

} // namespace fen
