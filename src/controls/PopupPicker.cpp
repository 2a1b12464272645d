#include "controls/PopupPicker.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLineEdit>

namespace fen {

namespace {

// The value is also the combo box's read-only text: Qt's bridge to AT-SPI carries no value text
// of a combo box, and a screen reader reads the text of one that has it.
class PopupPickerAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit PopupPickerAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::ComboBox) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) {
            return static_cast<QAccessibleTextInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(int startOffset, int endOffset) const override {
        return value().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(value().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return 0; }
    void selection(int, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
    }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = offset;
        return {};
    }

    // The name is the widget's own (its accessible name, else its buddy's text), never the value.
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? value() : QAccessibleWidget::text(t);
    }

    // The list of entries, and the field of an editable box.
    int childCount() const override { return box()->isEditable() ? 2 : 1; }
    QAccessibleInterface* child(int index) const override {
        if (index == 0) {
            return QAccessible::queryAccessibleInterface(box()->view());
        }
        if (index == 1 && box()->isEditable()) {
            return QAccessible::queryAccessibleInterface(box()->lineEdit());
        }
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) {
            return -1;
        }
        if (child->object() == box()->view()) {
            return 0;
        }
        return box()->isEditable() && child->object() == box()->lineEdit() ? 1 : -1;
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString& actionName) override {
        if (actionName != showMenuAction() && actionName != pressAction()) {
            return;
        }
        if (box()->view()->isVisible()) {
            box()->hidePopup();
        } else {
            box()->showPopup();
        }
    }

private:
    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
    QString value() const {
        return box()->isEditable() ? box()->lineEdit()->text() : box()->currentText();
    }
};

QAccessibleInterface* pickerAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("fen::PopupPicker") && object && object->isWidgetType()) {
        return new PopupPickerAccessible(static_cast<QWidget*>(object));
    }
    return nullptr;
}

} // namespace

PopupPicker::PopupPicker(QWidget* parent) : QComboBox(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(pickerAccessibleFactory);
        return true;
    }();
    (void)installed;
}

void PopupPicker::showPopup() {
    // Named when it drops down, by the name the picker has then (its buddy's text may come later
    // than the picker).
    if (QAccessibleInterface* picker = QAccessible::queryAccessibleInterface(this)) {
        view()->setAccessibleName(picker->text(QAccessible::Name));
    }
    QComboBox::showPopup();
}

} // namespace fen
