#pragma once

#include "controls/FontSelectorModel.h"
#include "model/FontSetting.h"
#include "platform/foundation/Signal.h"

namespace fen {

// The font editor's exchange with the font record it edits, without a widget. A record given to
// it is applied to the model whole; the rows' choices are written back at once as a whole record.
// Only a record the owner does not hold is ever written (fontEdited).
class FontSelectorLogic {
public:
    explicit FontSelectorLogic(const FontSelectorCatalog& catalog);

    FontSelectorModel& model() { return model_; }
    const FontSelectorModel& model() const { return model_; }
    // The record as last given or written.
    const FontSetting& font() const { return font_; }

    // Copies a record into the model: the family (else "Helvetica Neue"), then the style (else
    // the family's default face's style; a style the family lacks is kept), then the size (else
    // 17). An empty or missing value's replacement is written back only when it changes what the
    // model held before, so a new editor given {"", "", 0} writes nothing.
    void loadFontSetting(const FontSetting& record);

    // The rows' choices.
    void chooseFamily(const std::string& family);
    void chooseStyle(const std::string& style);
    void chooseSize(std::int64_t size);

    // What the model holds, as a record.
    FontSetting modelSetting() const;

    Signal<const FontSetting&> fontEdited;

private:
    void storeFontSetting();

    FontSelectorModel model_;
    FontSetting font_;
};

} // namespace fen
