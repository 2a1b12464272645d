#include "controls/DistanceToEdgeView.h"

#include "controls/SlidersBlock.h"
#include "ui/Separator.h"

#include <QVBoxLayout>

namespace fen {

DistanceToEdgeView::DistanceToEdgeView(const DistanceToEdgeSetting& value, QWidget* parent)
    : QWidget(parent), record_(value), value1_(value.vertical), value2_(value.horizontal) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    vertical_ = new SlidersBlockUnit("Vertical", value1_, -100, 100, "pt", this);
    horizontal_ = new SlidersBlockUnit("Horizontal", value2_, -100, 100, "pt", this);
    layout->addWidget(vertical_);
    layout->addWidget(new ui::Separator(Qt::Horizontal, this));
    layout->addWidget(horizontal_);
    connect(vertical_, &SlidersBlockUnit::valueEdited, this, [this](std::int64_t number) {
        value1_ = number;
        if (number != record_.vertical) {
            write({number, value2_});
        }
    });
    connect(horizontal_, &SlidersBlockUnit::valueEdited, this, [this](std::int64_t number) {
        value2_ = number;
        if (number != record_.horizontal) {
            write({value1_, number});
        }
    });
}

void DistanceToEdgeView::write(const DistanceToEdgeSetting& value) {
    record_ = value;
    Q_EMIT valueEdited(value);
}

void DistanceToEdgeView::setValue(const DistanceToEdgeSetting& value) {
    record_ = value;
    value1_ = value.vertical;
    value2_ = value.horizontal;
    vertical_->setValue(value1_);
    horizontal_->setValue(value2_);
}

} // namespace fen
