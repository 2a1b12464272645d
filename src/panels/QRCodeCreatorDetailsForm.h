#pragma once

#include "panels/QrEditorState.h"

#include <QObject>
#include <QPlainTextEdit>
#include <QWidget>

#include <functional>
#include <vector>

class QLineEdit;

namespace fen {

class DateSelectorPicker;

// A growing text field of the QR forms: no label, its prompt shown while empty (also its
// accessible name), as tall as its text. Return types a line break; Ctrl+Return submits, and so
// does every change of its focus, gained or lost.
class QRCodeMultilineField : public QPlainTextEdit {
    Q_OBJECT
public:
    QRCodeMultilineField(const QString& prompt, std::function<void()> submit,
                         QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    std::function<void()> submit_;
};

// The data-entry form of the record's type, built anew for each type shown. Its fields are local
// copies loaded from the record when the form is built; a field is written back alone, as typed,
// when it is committed (Return, Ctrl+Return in the growing fields, a change of its focus), a date
// when a day is confirmed in its calendar.
class QRCodeCreatorDetailsFormFields : public QWidget {
    Q_OBJECT
public:
    QRCodeCreatorDetailsFormFields(QrEditorState& state, QWidget* parent = nullptr);

    // Shows the form of `type`, loading its fields from the current record.
    void showType(QRCodeTypes type);
    QRCodeTypes type() const { return type_; }
    // Writes every text field's copy back (each only changes the record when it was edited).
    void commit();

    // The text field named `label` ("Name", "URL", "Multiline Text"…), or none.
    QWidget* field(const QString& label) const;
    // The date pickers of the calendar form ("From", then "To").
    const std::vector<DateSelectorPicker*>& datePickers() const { return dates_; }

private:
    QrEditorState& state_;
    QRCodeTypes type_;
    QWidget* form_ = nullptr;
    std::vector<std::function<void()>> writers_;
    std::vector<DateSelectorPicker*> dates_;
};

} // namespace fen
