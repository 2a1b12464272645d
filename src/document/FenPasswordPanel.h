#pragma once

#include "export/FelDocumentSaverModel.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace fen {

// The alert that asks for the password of the files a save writes: "Password" and "Verify",
// both hidden as they are typed. "Ok", the default button (Return), is enabled only while both
// hold the same text, it is not empty and a written file takes it (PasswordMatchRule), so two
// empty fields cannot be confirmed; a line in red says why "Ok" is not enabled ("Passwords do
// not match", or that the password is too long; hidden otherwise, its room kept). "Ok" hands over
// the first field's text; "Cancel", and Escape, hand over the cancellation: the save ends.
class FenPasswordPanel : public QDialog {
    Q_OBJECT
public:
    using Completion = std::function<void(const FelDocumentSaverModel::PasswordAnswer&)>;

    // Opens the alert over the window of `parent`; `completion` runs once, when it closes.
    static FenPasswordPanel* presentPasswordPanel(QWidget* parent, Completion completion);

    QLineEdit* passwordField() const { return password_; }
    QLineEdit* verifyField() const { return verify_; }
    QLabel* messageLabel() const { return message_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    FenPasswordPanel(QWidget* parent, Completion completion);
    // Re-checks the two fields: the message and "Ok" follow the match rule.
    void validate();
    void answer(const FelDocumentSaverModel::PasswordAnswer& result);

    Completion completion_;
    QLabel* message_;
    QLineEdit* password_;
    QLineEdit* verify_;
    QPushButton* cancel_;
    QPushButton* ok_;
};

} // namespace fen
