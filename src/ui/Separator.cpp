#include "ui/Separator.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace fen::ui {

namespace {

QAccessibleInterface* separatorAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("fen::ui::Separator") && object && object->isWidgetType()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Separator);
    }
    return nullptr;
}

} // namespace

Separator::Separator(Qt::Orientation orientation, QWidget* parent) : QFrame(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(separatorAccessible);
        return true;
    }();
    Q_UNUSED(installed);
    setFrameShadow(QFrame::Plain);
    if (orientation == Qt::Horizontal) {
        setFrameShape(QFrame::HLine);
        setFixedHeight(1);
    } else {
        setFrameShape(QFrame::VLine);
        setFixedWidth(1);
    }
}

} // namespace fen::ui
