#include "ui/Sheets.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

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

FormSheet::FormSheet(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setWindowModality(Qt::WindowModal);
}

void FormSheet::finish() {
    finishing_ = true;
    done(QDialog::Accepted);
    finishing_ = false;
}

void FormSheet::reject() {
    if (finishing_) {
        QDialog::reject();
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

QFrame* makePopover(QWidget* anchor) {
    auto* popover = new QFrame(anchor, Qt::Popup);
    popover->setFrameShape(QFrame::StyledPanel);
    popover->setAttribute(Qt::WA_DeleteOnClose);
    return popover;
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
}

} // namespace fen::ui
