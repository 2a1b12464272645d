#include "panels/QRCodeCreatorDetailsForm.h"

#include "controls/DateSelectorPicker.h"
#include "controls/FormContainers.h"
#include "controls/TextInputs.h"
#include "ui/Separator.h"
#include "ui/StoreFailureAlerts.h"
#include "ui/Tr.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextBlock>
#include <QVBoxLayout>

#include <memory>

namespace fen {

namespace {

// The fields of a form are drawn on the section's plate, without a ground of their own.
void clearGround(QWidget* field) {
    QPalette clear = field->palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    field->setPalette(clear);
}

} // namespace

QRCodeMultilineField::QRCodeMultilineField(const QString& prompt, std::function<void()> submit,
                                           QWidget* parent)
    : QPlainTextEdit(parent), submit_(std::move(submit)) {
    setPlaceholderText(ui::tr(prompt));
    setAccessibleName(ui::tr(prompt));
    setTabChangesFocus(true);
    setFrameShape(QFrame::NoFrame);
    clearGround(this);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { updateGeometry(); });
}

QSize QRCodeMultilineField::sizeHint() const {
    // As tall as its lines, at least one.
    const int lines = std::max(1, document()->lineCount());
    const int height = lines * fontMetrics().lineSpacing() +
                       static_cast<int>(2 * document()->documentMargin()) + frameWidth() * 2;
    return QSize(160, height);
}

void QRCodeMultilineField::keyPressEvent(QKeyEvent* event) {
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && (event->modifiers() & Qt::ControlModifier)) {
        submit_();
        return;
    }
    if (isReturn) {
        insertPlainText(QStringLiteral("\n"));
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void QRCodeMultilineField::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    submit_();
}

void QRCodeMultilineField::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    submit_();
}

QRCodeCreatorDetailsFormFields::QRCodeCreatorDetailsFormFields(QrEditorState& state,
                                                               QWidget* parent)
    : QWidget(parent), state_(state), type_(state.qrcode().type) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    showType(type_);
}

void QRCodeCreatorDetailsFormFields::showType(QRCodeTypes type) {
    type_ = type;
    writers_.clear();
    dates_.clear();
    if (form_) {
        form_->hide();
        form_->deleteLater();
    }
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    const QRCodeStructure& code = state_.qrcode();
    bool first = true;
    for (const QrFormRow& row : qrFormRows(type)) {
        if (!first) {
            column->addWidget(new ui::Separator(Qt::Horizontal, content));
        }
        first = false;
        const QString label = QString::fromStdString(row.label);
        switch (row.kind) {
        case QrFormRow::Kind::line: {
            auto* field = new QLineEdit(QString::fromStdString(qrText(code, row.textKey)), content);
            field->setPlaceholderText(ui::tr(label));
            field->setAccessibleName(ui::tr(label));
            field->setObjectName(label);
            field->setFrame(false);
            clearGround(field);
            if (row.verbatim) {
                field->setInputMethodHints(Qt::ImhNoAutoUppercase | Qt::ImhNoPredictiveText);
            }
            auto writer = [this, field, key = row.textKey] {
                const ui::StoreFailureAlerts::Origin origin(this);
                state_.commitText(key, field->text().toStdString());
            };
            TextFieldOnValidate::apply(field, writer);
            writers_.push_back(writer);
            column->addWidget(field);
            break;
        }
        case QrFormRow::Kind::multiline: {
            // The field commits through this writer, which needs the field itself.
            auto commit = std::make_shared<std::function<void()>>([] {});
            auto* field = new QRCodeMultilineField(
                label, [commit] { (*commit)(); }, content);
            *commit = [this, field, key = row.textKey] {
                const ui::StoreFailureAlerts::Origin origin(this);
                state_.commitText(key, field->toPlainText().toStdString());
            };
            field->setObjectName(label);
            field->setPlainText(QString::fromStdString(qrText(code, row.textKey)));
            writers_.push_back([commit] { (*commit)(); });
            column->addWidget(field);
            break;
        }
        case QrFormRow::Kind::date: {
            auto* line = new QWidget(content);
            auto* h = new QHBoxLayout(line);
            h->setContentsMargins(0, 0, 0, 0);
            h->addWidget(new QLabel(ui::tr(label), line));
            h->addStretch(1);
            // A date not stored shows as none: the form shows only what the code holds.
            // Named by the date it sets; "From" and "To" only say so beside it.
            auto* picker = new DateSelectorPicker(
                ui::tr(row.dateKey == QrDateKey::from ? "Start date" : "End date"),
                qrDateShown(code, row.dateKey), line);
            picker->setObjectName(label);
            // Return in the form's fields never opens the calendar.
            picker->setAutoDefault(false);
            connect(picker, &DateSelectorPicker::dateEdited, this,
                    [this, key = row.dateKey](const Date& date) {
                        const ui::StoreFailureAlerts::Origin origin(this);
                        state_.commitDate(key, date);
                    });
            h->addWidget(picker);
            dates_.push_back(picker);
            column->addWidget(line);
            break;
        }
        }
    }
    form_ = SectionModifier::apply(content, QString());
    layout()->addWidget(form_);
}

void QRCodeCreatorDetailsFormFields::commit() {
    for (const auto& writer : writers_) {
        writer();
    }
}

QWidget* QRCodeCreatorDetailsFormFields::field(const QString& label) const {
    if (!form_) {
        return nullptr;
    }
    for (QWidget* child : form_->findChildren<QWidget*>(label)) {
        if (qobject_cast<QLineEdit*>(child) || qobject_cast<QPlainTextEdit*>(child) ||
            qobject_cast<DateSelectorPicker*>(child)) {
            return child;
        }
    }
    return nullptr;
}

} // namespace fen
