#include "controls/SelectedStateAccessible.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>

namespace fen {

namespace {

bool declaresSelected(const QObject* object) {
    return object->metaObject()->indexOfProperty("selected") >= 0;
}

class SelectableButtonAccessible : public QAccessibleWidget {
public:
    explicit SelectableButtonAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::Button) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = widget()->property("selected").toBool();
        return state;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction()) {
            static_cast<QAbstractButton*>(widget())->click();
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (auto* button = qobject_cast<QAbstractButton*>(object); button && declaresSelected(button)) {
        return new SelectableButtonAccessible(button);
    }
    return nullptr;
}

} // namespace

void SelectedStateAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

void SelectedStateAccessible::selectedStateChanged(QAbstractButton* button) {
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent event(button, changed);
    QAccessible::updateAccessibility(&event);
}

} // namespace fen
