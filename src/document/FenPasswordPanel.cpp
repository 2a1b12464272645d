#include "document/FenPasswordPanel.h"

#include "export/PasswordMatchRule.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace fen {

namespace {

QLineEdit* secureField(const QString& name, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setPlaceholderText(name);
    field->setAccessibleName(name);
    field->setEchoMode(QLineEdit::Password);
    field->setClearButtonEnabled(true);
    // The clear button, which shows while the field holds text, says which field it clears.
    for (QToolButton* clear : field->findChildren<QToolButton*>()) {
        clear->setAccessibleName(QStringLiteral("Clear %1").arg(name));
    }
    field->setFrame(false);
    return field;
}

} // namespace

FenPasswordPanel* FenPasswordPanel::presentPasswordPanel(QWidget* parent, Completion completion) {
    auto* panel = new FenPasswordPanel(parent, std::move(completion));
    panel->open();
    panel->password_->setFocus();
    return panel;
}

FenPasswordPanel::FenPasswordPanel(QWidget* parent, Completion completion)
    : QDialog(parent), completion_(std::move(completion)) {
    const QString title = QStringLiteral("Password");
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    setAccessibleName(title);

    auto* layout = new QVBoxLayout(this);
    auto* titleLabel = new QLabel(title, this);
    QFont bold = titleLabel->font();
    bold.setBold(true);
    titleLabel->setFont(bold);
    titleLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(titleLabel);
    // The message keeps its room while it is hidden, so the fields do not move when it shows;
    // hidden, a screen reader does not come upon a blank label.
    message_ = new QLabel(QString::fromLatin1(PasswordMatchRule::mismatchMessage), this);
    message_->setAlignment(Qt::AlignCenter);
    QSizePolicy keep = message_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    message_->setSizePolicy(keep);
    QPalette red = message_->palette();
    red.setColor(QPalette::WindowText, ui::Theme::red());
    message_->setPalette(red);
    layout->addWidget(message_);
    password_ = secureField(QStringLiteral("Password"), this);
    verify_ = secureField(QStringLiteral("Verify"), this);
    layout->addWidget(password_);
    layout->addWidget(verify_);

    auto* row = new QHBoxLayout;
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    ok_ = new QPushButton(QStringLiteral("Ok"), this);
    cancel_->setAutoDefault(false);
    ok_->setAutoDefault(false);
    ok_->setDefault(true);
    row->addWidget(cancel_);
    row->addWidget(ok_);
    layout->addLayout(row);

    connect(password_, &QLineEdit::textChanged, this, &FenPasswordPanel::validate);
    connect(verify_, &QLineEdit::textChanged, this, &FenPasswordPanel::validate);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    // Escape and the window's close request reject the alert: the answer of Cancel.
    connect(this, &QDialog::rejected, this, [this] { answer({true, std::nullopt}); });
    connect(ok_, &QPushButton::clicked, this, [this] {
        const FelDocumentSaverModel::PasswordAnswer result{
            false, PasswordMatchRule::handedOver(password_->text().toStdString())};
        accept();
        answer(result);
    });
    validate();
}

void FenPasswordPanel::validate() {
    const std::string password = password_->text().toStdString();
    const std::string verify = verify_->text().toStdString();
    const std::optional<std::string> message = PasswordMatchRule::message(password, verify);
    if (message) {
        message_->setText(QString::fromUtf8(*message));
    }
    message_->setVisible(message.has_value());
    // Disabled, "Ok" is not pressed by Return either: the alert's Return presses only an enabled
    // default button.
    ok_->setEnabled(PasswordMatchRule::confirms(password, verify));
}

void FenPasswordPanel::answer(const FelDocumentSaverModel::PasswordAnswer& result) {
    if (Completion completion = std::exchange(completion_, nullptr)) {
        completion(result);
    }
}

} // namespace fen
