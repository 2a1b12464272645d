#include "ui/Sheets.h"

#include "ui/Tr.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>
#include <utility>

namespace fen::ui {

QDialog* makeSheet(QWidget* parent, const QString& accessibleName) {
    auto* sheet = new QDialog(parent);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    if (!accessibleName.isEmpty()) {
        sheet->setAccessibleName(accessibleName);
        sheet->setWindowTitle(accessibleName);
    }
    return sheet;
}

namespace {

// Deletes a finished dialog once none of its message boxes runs: each box still there is waited
// for (a box it runs is its child while it runs), and the dialog is looked at again afterwards.
void deleteWhenIdle(const QPointer<QDialog>& dialog) {
    if (!dialog) {
        return;
    }
    const QList<QMessageBox*> boxes = dialog->findChildren<QMessageBox*>();
    if (boxes.isEmpty()) {
        dialog->deleteLater();
        return;
    }
    // Queued: the box goes while its owner's question still unwinds; the next look comes after.
    QObject::connect(
        boxes.front(), &QObject::destroyed, dialog, [dialog] { deleteWhenIdle(dialog); },
        Qt::QueuedConnection);
}

} // namespace

void openFileDialog(QFileDialog* dialog) {
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    QObject::connect(dialog, &QDialog::finished, dialog,
                     [guard = QPointer<QDialog>(dialog)] { deleteWhenIdle(guard); });
    dialog->open();
}

FormSheet::FormSheet(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setWindowModality(Qt::WindowModal);
}

void FormSheet::finish() {
    finishing_ = true;
    done(QDialog::Accepted);
    finishing_ = false;
}

void FormSheet::reject() {
    // Only Escape rejects a form sheet: its close request is refused before it would.
    if (finishing_) {
        QDialog::reject();
    } else if (escapeAction_) {
        escapeAction_();
    }
}

void FormSheet::closeEvent(QCloseEvent* event) {
    if (finishing_) {
        QDialog::closeEvent(event);
    } else {
        event->ignore();
    }
}

QDialog* makeAlert(QWidget* parent, const QString& title, const QString& message,
                   const std::vector<AlertButton>& buttons,
                   const std::optional<AlertTextField>& field) {
    auto* alert = makeSheet(parent, title);
    auto* layout = new QVBoxLayout(alert);
    auto* titleLabel = new QLabel(title, alert);
    QFont bold = titleLabel->font();
    bold.setBold(true);
    titleLabel->setFont(bold);
    titleLabel->setWordWrap(true);
    layout->addWidget(titleLabel);
    if (!message.isEmpty()) {
        auto* messageLabel = new QLabel(message, alert);
        messageLabel->setWordWrap(true);
        layout->addWidget(messageLabel);
    }
    if (field) {
        auto* edit = new QLineEdit(field->text, alert);
        edit->setPlaceholderText(field->placeholder);
        edit->setAccessibleName(field->placeholder);
        if (field->edited) {
            QObject::connect(edit, &QLineEdit::textEdited, alert, field->edited);
        }
        layout->addWidget(edit);
        edit->setFocus();
    }
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (const AlertButton& entry : buttons) {
        auto* button = new QPushButton(entry.title, alert);
        button->setAutoDefault(false);
        button->setDefault(entry.isDefault);
        row->addWidget(button);
        QObject::connect(button, &QPushButton::clicked, alert, [alert, action = entry.action] {
            if (action) {
                action();
            }
            alert->accept();
        });
        if (entry.isCancel && entry.action) {
            // Escape rejects the alert: that is the cancel button's answer too.
            QObject::connect(alert, &QDialog::rejected, alert, entry.action);
        }
    }
    layout->addLayout(row);
    return alert;
}

Popover::Popover(QWidget* anchor)
    : QFrame(anchor->window(), Qt::Tool | Qt::FramelessWindowHint), anchor_(anchor) {
    setFrameShape(QFrame::StyledPanel);
    setAttribute(Qt::WA_DeleteOnClose);
    // A window takes neither palette nor font from its parent unless asked to.
    setAttribute(Qt::WA_WindowPropagation);
    setAutoFillBackground(true);
    if (!anchor->accessibleName().isEmpty()) {
        setAccessibleName(anchor->accessibleName());
    }
}

Popover::~Popover() {
    qApp->removeEventFilter(this);
}

bool Popover::holds(const QWidget* widget) const {
    for (; widget; widget = widget->parentWidget()) {
        if (widget == this) {
            return true;
        }
    }
    return false;
}

void Popover::showEvent(QShowEvent* event) {
    QFrame::showEvent(event);
    qApp->installEventFilter(this);
}

void Popover::closeEvent(QCloseEvent* event) {
    Q_EMIT closing(escaped_);
    QFrame::closeEvent(event);
    qApp->removeEventFilter(this);
    if (anchor_) {
        // The anchor's window gets the keyboard back only from the popover itself: a popover
        // closed because another window took the focus leaves it there. A popover that a popover
        // above it is handing the keyboard back to holds it already (a press outside closes both
        // before the activation arrives). It is handed back once this window is hidden, so that
        // no deactivation of the hidden window comes after it.
        handingBack_ = QApplication::activeWindow() == this || awaitingActivation_;
        anchor_->setFocus(Qt::PopupFocusReason);
    }
}

void Popover::hideEvent(QHideEvent* event) {
    qApp->removeEventFilter(this);
    QFrame::hideEvent(event);
    if (std::exchange(handingBack_, false) && anchor_) {
        QWidget* window = anchor_->window();
        if (auto* below = qobject_cast<Popover*>(window)) {
            below->awaitingActivation_ = true;
        }
        window->activateWindow();
    }
}

void Popover::closeUnlessActive() {
    // A popover opened from this one hands the keyboard back as it closes; until the activation
    // arrives no window is active, which is no reason to close.
    QWidget* active = QApplication::activeWindow();
    if (isVisible() && !holds(active) && !(awaitingActivation_ && !active)) {
        close();
    }
}

bool Popover::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        awaitingActivation_ = false;
    } else if (event->type() == QEvent::WindowDeactivate) {
        // Looked at once the activation has settled: a window opened from the popover keeps it.
        QTimer::singleShot(0, this, &Popover::closeUnlessActive);
    }
    return QFrame::event(event);
}

bool Popover::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && !holds(widget)) {
            const bool onAnchor = anchor_ && (widget == anchor_ || anchor_->isAncestorOf(widget));
            close();
            // The press that closes the popover on its anchor does not open it again.
            return onAnchor;
        }
        break;
    case QEvent::ShortcutOverride:
        // Escape belongs to the popover before any shortcut of the sheet or window it stands
        // over (a sheet's Escape would close the whole sheet): the key then comes as a press.
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && holds(widget)) {
                event->accept();
                return true;
            }
        }
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && (holds(widget) || (anchor_ && widget->window() == anchor_->window()))) {
                escaped_ = true;
                close();
                return true;
            }
        }
        break;
    case QEvent::ApplicationDeactivate:
        close();
        break;
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}

Popover* makePopover(QWidget* anchor) {
    return new Popover(anchor);
}

void showPopover(QFrame* popover, QWidget* anchor) {
    popover->adjustSize();
    QPoint place = anchor->mapToGlobal(QPoint(0, anchor->height()));
    place.rx() += (anchor->width() - popover->width()) / 2;
    if (const QScreen* screen = anchor->screen()) {
        const QRect room = screen->availableGeometry();
        if (place.y() + popover->height() > room.bottom()) {
            place.ry() = anchor->mapToGlobal(QPoint(0, 0)).y() - popover->height();
        }
        place.rx() =
            qBound(room.left(), place.x(), qMax(room.left(), room.right() - popover->width()));
    }
    popover->move(place);
    popover->show();
    popover->activateWindow();
    for (QWidget* next = popover->nextInFocusChain(); next && next != popover;
         next = next->nextInFocusChain()) {
        if ((next->focusPolicy() & Qt::TabFocus) && next->isEnabled() &&
            next->isVisibleTo(popover)) {
            next->setFocus(Qt::PopupFocusReason);
            break;
        }
    }
}

QDialog* presentNotice(QWidget* parent, const QString& title, const QString& message) {
    QDialog* alert =
        makeAlert(parent, title, message, {AlertButton{tr("OK"), nullptr, true, true}});
    alert->open();
    return alert;
}

QDialog* presentNameAlert(QWidget* parent, const QString& title, const QString& text,
                          std::function<void(const QString& name)> ok,
                          std::function<void()> closed) {
    // The alert's own copy of the field's text.
    auto name = std::make_shared<QString>(text);
    AlertTextField field{tr("Enter a name"), text, [name](const QString& typed) { *name = typed; }};
    QDialog* alert = makeAlert(
        parent, title, QString(),
        {AlertButton{tr("Cancel"), nullptr, false, true}, AlertButton{tr("OK"),
                                                                      [name, ok = std::move(ok)] {
                                                                          if (ok) {
                                                                              ok(*name);
                                                                          }
                                                                      },
                                                                      true, false}},
        field);
    if (closed) {
        QObject::connect(alert, &QDialog::finished, alert, [closed] { closed(); });
    }
    alert->open();
    return alert;
}

} // namespace fen::ui
