#include "controls/ColorAndTypeView.h"

#include "controls/Color_Color_Selector_View.h"
#include "controls/KvToggle.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace fen {

namespace {
constexpr double cWellWidth = 50;
}

ColorAndTypeView::ColorAndTypeView(const ColorOutlineSetting& colorOutline, bool isOutlined,
                                   const gfx::Color& colorValue, QWidget* parent,
                                   DFColorWell::ColorChooser chooser)
    : QWidget(parent), logic_(isOutlined, colorValue),
      swatches_(new Color_Color_Selector_View(cWellWidth * 0.6, this)),
      well_(new DFColorWell(cWellWidth, colorValue, this, std::move(chooser))),
      outline_(new KvToggle(QStringLiteral("Outline"), isOutlined, this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    row->addWidget(swatches_);
    row->addStretch(1);
    row->addWidget(well_);
    column->addLayout(row);
    column->addWidget(outline_);

    edited_ = logic_.settingEdited.connect(
        [this](const ColorOutlineSetting& setting) { Q_EMIT valueEdited(setting); });
    connect(swatches_, &Color_Color_Selector_View::swatchChosen, this, [this](int idx) {
        logic_.chooseSwatch(idx);
        refresh();
    });
    connect(well_, &DFColorWell::colorValueEdited, this, [this](const gfx::Color& color) {
        logic_.pickColor(color);
        refresh();
    });
    connect(outline_, &KvToggle::isOnEdited, this, [this](bool on) {
        logic_.setOutlined(on);
        refresh();
    });
    setValue(colorOutline);
}

void ColorAndTypeView::setValue(const ColorOutlineSetting& colorOutline) {
    logic_.loadSetting(colorOutline);
    refresh();
}

void ColorAndTypeView::refresh() {
    swatches_->setSelectedIdx(logic_.swatches().selectedIdx());
    well_->setColorValue(logic_.colorValue());
    well_->setVisible(logic_.showsWell());
    outline_->setIsOn(logic_.isOutlined());
}

} // namespace fen
