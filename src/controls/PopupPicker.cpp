#include "controls/PopupPicker.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLineEdit>

namespace fen {

namespace {

class PopupPickerAccessible : public QAccessibleWidget {
public:
    explicit PopupPickerAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::ComboBox) {}

    // The name is the widget's own (its accessible name, else its buddy's text), never the value.
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            return box()->isEditable() ? box()->lineEdit()->text() : box()->currentText();
        }
        return QAccessibleWidget::text(t);
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

} // namespace fen
