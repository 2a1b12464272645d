#include "controls/FormContainers.h"

#include "controls/BackgroundModifiers.h"
#include "ui/Theme.h"
#include "ui/Tr.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

namespace fen {

QWidget* FenNavigationView(QWidget* content) {
    return content;
}

FenForm::FenForm(QWidget* parent) : QScrollArea(parent), column_(new QWidget) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    // The column scrolls with the wheel and follows the focus; it is no Tab stop of its own, which
    // would show no focus.
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    rows_ = new QVBoxLayout(column_);
    rows_->setSpacing(20);
    const int vertical = style()->pixelMetric(QStyle::PM_LayoutTopMargin);
    const int horizontal = style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
    rows_->setContentsMargins(horizontal, vertical, horizontal, vertical);
    rows_->addStretch(1);
    setWidget(column_);
    applyBackground();
}

void FenForm::addRow(QWidget* row) {
    rows_->insertWidget(rows_->count() - 1, row);
}

bool FenForm::event(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        applyBackground();
    }
    return QScrollArea::event(event);
}

void FenForm::applyBackground() {
    QPalette background = palette();
    background.setColor(QPalette::Window, ui::Theme::systemBackground(palette()));
    viewport()->setPalette(background);
    viewport()->setAutoFillBackground(true);
    column_->setAutoFillBackground(false);
}

namespace {

QAccessibleInterface* plateAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("fen::SectionPlate") && object && object->isWidgetType()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Grouping);
    }
    return nullptr;
}

} // namespace

SectionPlate::SectionPlate(const QString& name, QWidget* parent) : QWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(plateAccessible);
        return true;
    }();
    Q_UNUSED(installed);
    setAccessibleName(name);
}

namespace {

QWidget* makeSection(QWidget* content, const QString& header, const QString& name,
                     const QMargins& padding) {
    auto* plate = new SectionPlate(name);
    auto* plateLayout = new QVBoxLayout(plate);
    plateLayout->setContentsMargins(padding);
    plateLayout->addWidget(content);
    FenSectionBackgroundColorModifier::apply(plate);
    if (header.isEmpty()) {
        return plate;
    }
    auto* section = new QWidget;
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(header, section);
    QFont font = label->font();
    font.setPixelSize(13);
    font.setWeight(QFont::Medium);
    label->setFont(font);
    label->setContentsMargins(8, 0, 0, 0);
    auto* opacity = new QGraphicsOpacityEffect(label);
    opacity->setOpacity(0.5);
    label->setGraphicsEffect(opacity);
    layout->addWidget(label);
    layout->addWidget(plate);
    return section;
}

} // namespace

QWidget* SectionModifier::apply(QWidget* content, const QString& title) {
    const QString translated = title.isEmpty() ? QString() : ui::tr(title);
    return makeSection(content, translated.toUpper(), translated, QMargins(16, 8, 16, 8));
}

QWidget* SectionPositionModifier::apply(QWidget* content, const QString& title) {
    return makeSection(content, title.toUpper(), title.isEmpty() ? ui::tr("Position") : title,
                       QMargins(16, 0, 16, 0));
}

} // namespace fen
