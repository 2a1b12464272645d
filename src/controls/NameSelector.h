#pragma once

#include <QWidget>

#include <string>

class QLineEdit;

namespace fen {

class KvToggle;

// A bare switch (named "Include Name") and a one-line, trailing-aligned name field with the
// prompt "Enter a name" (also its accessible name). While the switch is off the field keeps its
// text but is disabled and drawn at half opacity. Every keystroke emits textEdited; the setters
// never emit.
class NameSelector : public QWidget {
    Q_OBJECT
public:
    NameSelector(const std::string& text, bool isOn, QWidget* parent = nullptr);

    void setText(const std::string& text);
    void setIsOn(bool isOn);
    KvToggle* toggle() const { return toggle_; }
    QLineEdit* field() const { return field_; }

Q_SIGNALS:
    void textEdited(const std::string& text);
    void isOnEdited(bool isOn);

private:
    void follow(bool isOn);

    KvToggle* toggle_;
    QLineEdit* field_;
};

} // namespace fen
