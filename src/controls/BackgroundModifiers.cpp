#include "controls/BackgroundModifiers.h"

#include "ui/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include <functional>

namespace fen {

using ui::Theme;

namespace {

QWidget* paintTarget(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Paint) {
        return nullptr;
    }
    return qobject_cast<QWidget*>(watched);
}

// Strokes a rounded rectangle inside the widget's edge.
void strokeInside(QPainter& painter, const QRectF& frame, double radius, const QColor& colour) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
}

// Paints a background under a widget's own drawing: an event filter that draws at each paint
// event before the widget does, owned by the widget.
class BackgroundPainter : public QObject {
public:
    using Paint = std::function<void(QWidget*, QPainter&)>;
    BackgroundPainter(QWidget* widget, Paint paint) : QObject(widget), paint_(std::move(paint)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (QWidget* widget = paintTarget(watched, event)) {
            QPainter painter(widget);
            paint_(widget, painter);
        }
        return false;
    }

private:
    Paint paint_;
};

void paintUnder(QWidget* widget, BackgroundPainter::Paint paint) {
    widget->installEventFilter(new BackgroundPainter(widget, std::move(paint)));
}

} // namespace

void FenSectionBackgroundColorModifier::apply(QWidget* content) {
    paintUnder(content, [](QWidget* widget, QPainter& painter) {
        painter.fillRect(widget->rect(), Theme::sectionTint(widget->palette()));
        strokeInside(painter, QRectF(widget->rect()), 10,
                     Theme::withOpacity(Theme::primary(widget->palette()), 0.07));
    });
}

void FenSectionBackgroundColorNoBorderModifier::apply(QWidget* content) {
    paintUnder(content, [](QWidget* widget, QPainter& painter) {
        painter.fillRect(widget->rect(), Theme::sectionTint(widget->palette()));
    });
}

QColor FenBackgroundControlColorModifier::colour(const QPalette& palette) {
    return Theme::isDark(palette) ? Theme::secondarySystemBackground(palette)
                                  : Theme::systemBackground(palette);
}

void FenBackgroundControlColorModifier::apply(QWidget* content) {
    paintUnder(content, [](QWidget* widget, QPainter& painter) {
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(widget->rect()), 6, 6);
        painter.fillPath(clip, colour(widget->palette()));
    });
}

namespace {

// The 1-point frame around a bordered field.
class FieldFrame : public QWidget {
public:
    explicit FieldFrame(QWidget* field) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(1, 1, 1, 1);
        layout->setSpacing(0);
        layout->addWidget(field);
        setFocusProxy(field);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        strokeInside(painter, QRectF(rect()), 6,
                     Theme::withOpacity(Theme::primary(palette()), 0.2));
    }
};

} // namespace

QWidget* FenBackgroundModifier::apply(QWidget* field) {
    FenBackgroundControlColorModifier::apply(field);
    // The field's own base would cover the control background.
    field->setAutoFillBackground(false);
    QPalette clear = field->palette();
    clear.setBrush(QPalette::Base, Qt::transparent);
    field->setPalette(clear);
    if (field->property("frame").isValid()) {
        field->setProperty("frame", false);
    }
    return new FieldFrame(field);
}

QColor FenListRowBackgroundModifier::colour(const QPalette& palette, bool isSelected,
                                            bool isFocused) {
    if (!isSelected) {
        return Theme::sectionTint(palette);
    }
    return isFocused ? Theme::accent(palette) : Theme::withOpacity(Theme::lightGray(), 0.5);
}

FenListRowBackgroundModifier* FenListRowBackgroundModifier::apply(QWidget* row, bool isSelected,
                                                                  bool isFocused) {
    auto* modifier = new FenListRowBackgroundModifier(row);
    modifier->isSelected_ = isSelected;
    modifier->isFocused_ = isFocused;
    row->installEventFilter(modifier);
    return modifier;
}

void FenListRowBackgroundModifier::setState(bool isSelected, bool isFocused) {
    isSelected_ = isSelected;
    isFocused_ = isFocused;
    if (auto* row = qobject_cast<QWidget*>(parent())) {
        row->update();
    }
}

bool FenListRowBackgroundModifier::eventFilter(QObject* watched, QEvent* event) {
    if (QWidget* widget = paintTarget(watched, event)) {
        QPainter painter(widget);
        painter.fillRect(widget->rect(), colour(widget->palette(), isSelected_, isFocused_));
    }
    return false;
}

} // namespace fen
