#include "controls/NameSelector.h"

#include "controls/KvToggle.h"
#include "ui/Tr.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLineEdit>

namespace fen {

NameSelector::NameSelector(const std::string& text, bool isOn, QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    toggle_ = new KvToggle(QString(), isOn, this);
    toggle_->toggleSwitch()->setAccessibleName(ui::tr("Include Name"));
    row->addWidget(toggle_);
    row->addStretch(1);
    field_ = new QLineEdit(QString::fromStdString(text), this);
    field_->setPlaceholderText(ui::tr("Enter a name"));
    field_->setAccessibleName(ui::tr("Enter a name"));
    field_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field_->setFrame(false);
    field_->setGraphicsEffect(new QGraphicsOpacityEffect(field_));
    row->addWidget(field_, 1);
    follow(isOn);
    connect(field_, &QLineEdit::textEdited, this,
            [this](const QString& typed) { Q_EMIT textEdited(typed.toStdString()); });
    connect(toggle_, &KvToggle::isOnEdited, this, [this](bool on) {
        follow(on);
        Q_EMIT isOnEdited(on);
    });
}

void NameSelector::setText(const std::string& text) {
    const QString shown = QString::fromStdString(text);
    if (field_->text() != shown) {
        field_->setText(shown);
    }
}

void NameSelector::setIsOn(bool isOn) {
    toggle_->setIsOn(isOn);
    follow(isOn);
}

void NameSelector::follow(bool isOn) {
    field_->setEnabled(isOn);
    static_cast<QGraphicsOpacityEffect*>(field_->graphicsEffect())->setOpacity(isOn ? 1.0 : 0.5);
}

} // namespace fen
