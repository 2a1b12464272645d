#include "controls/ColorAndTypeLogic.h"

namespace fen {

ColorAndTypeLogic::ColorAndTypeLogic(bool isOutlined, const gfx::Color& colorValue)
    : setting_{colorValue, isOutlined}, isOutlined_(isOutlined),
      swatches_(SwatchRowLogic::blackIndex, colorValue, false) {}

void ColorAndTypeLogic::loadSetting(const ColorOutlineSetting& record) {
    setting_ = record;
    isOutlined_ = record.isOutlined;
    swatches_.setColor(record.color);
}

void ColorAndTypeLogic::chooseSwatch(int idx) {
    if (swatches_.choose(idx)) {
        store();
    }
}

void ColorAndTypeLogic::pickColor(const gfx::Color& color) {
    swatches_.setColor(color);
    store();
}

void ColorAndTypeLogic::setOutlined(bool isOutlined) {
    isOutlined_ = isOutlined;
    store();
}

void ColorAndTypeLogic::store() {
    const ColorOutlineSetting setting{swatches_.color(), isOutlined_};
    if (setting == setting_) {
        return;
    }
    setting_ = setting;
    settingEdited.emit(setting_);
}

} // namespace fen
