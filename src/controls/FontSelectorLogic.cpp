#include "controls/FontSelectorLogic.h"

namespace fen {

FontSelectorLogic::FontSelectorLogic(const FontSelectorCatalog& catalog)
    : model_(catalog), font_(modelSetting()) {}

FontSetting FontSelectorLogic::modelSetting() const {
    return FontSetting{model_.selectedFont(), model_.selectedStyle(), model_.fontSizeValue()};
}

void FontSelectorLogic::loadFontSetting(const FontSetting& record) {
    const FontSetting before = modelSetting();
    font_ = record;
    model_.setSelectedFont(record.familyname.empty() ? FontSetting::defaultFamilyName()
                                                     : record.familyname);
    model_.setSelectedStyle(record.style.empty()
                                ? faceStyleName(model_.catalog(), model_.selectedFont())
                                : record.style);
    model_.setFontSizeValue(
        record.size >= 1 ? record.size : static_cast<std::int64_t>(FontSetting::defaultSize()));
    if (modelSetting() != before) {
        storeFontSetting();
    }
}

void FontSelectorLogic::chooseFamily(const std::string& family) {
    model_.setSelectedFont(family);
    storeFontSetting();
}

void FontSelectorLogic::chooseStyle(const std::string& style) {
    model_.setSelectedStyle(style);
    storeFontSetting();
}

void FontSelectorLogic::chooseSize(std::int64_t size) {
    model_.setFontSizeValue(size);
    storeFontSetting();
}

void FontSelectorLogic::storeFontSetting() {
    const FontSetting setting = modelSetting();
    if (setting == font_) {
        return;
    }
    font_ = setting;
    fontEdited.emit(font_);
}

} // namespace fen
