#pragma once

#include <QObject>
#include <QString>
#include <QWidget>

#include <functional>

class QAbstractButton;
class QLineEdit;

namespace fen {

// Commits a field of an edit form without a save button: runs `action` when the user presses
// Return in `field` and whenever the field gains or loses the keyboard focus. The focus state is
// the field's own: a window that is deactivated and activated again does not change it. One edit
// can run the action several times, so actions must be idempotent.
class TextFieldOnValidate : public QObject {
    Q_OBJECT
public:
    static TextFieldOnValidate* apply(QLineEdit* field, std::function<void()> action);
    bool focusState() const { return focusState_; }

Q_SIGNALS:
    void focusStateChanged(bool focused);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TextFieldOnValidate(QLineEdit* field, std::function<void()> action);
    void setFocusState(bool focused);

    std::function<void()> action_;
    bool focusState_ = false;
};

// Lays a clear button ("multiply.circle.fill" in the secondary colour, 4 points from the trailing
// edge, named "Clear Text") over `field` while it holds text. Pressing it empties the field as an
// edit of the user's (textEdited("") is emitted); no other action runs.
class TextFieldClearButton {
public:
    static QAbstractButton* apply(QLineEdit* field);
};

// The single-line entry field of the list editors: a framed field with a translated prompt
// (also its accessible name), a clear button and a fill that brightens while it has the focus.
// Return runs `action`, also in an empty field; the field never clears itself. setText never
// emits; textEdited follows the user's edits, isTextInputFocusedEdited every change of focus.
class FenViewInputNew : public QWidget {
    Q_OBJECT
public:
    FenViewInputNew(const QString& prompt, const QString& text, std::function<void()> action,
                    QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    bool focusState() const { return focusState_; }
    QLineEdit* lineEdit() const { return field_; }
    QAbstractButton* clearButton() const { return clear_; }

Q_SIGNALS:
    void textEdited(const QString& text);
    void isTextInputFocusedEdited(bool focused);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* field_;
    QWidget* plate_;
    QAbstractButton* clear_;
    std::function<void()> action_;
    bool focusState_ = false;
};

} // namespace fen
