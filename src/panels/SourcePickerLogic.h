#pragma once

#include "model/StampTextColor.h"
#include "storage/SPAOptions.h"

#include <functional>
#include <string>
#include <vector>

namespace fen {

// The rules of a source section that picks a stored text for a watermark (the stamp text, the
// page-number format) without a widget: the option list shown, the chosen entry's identifier, the
// colour shown in the well and the bound text and colour. The record keeps the entry's text, not
// its identifier: choosing an entry copies its title, and an incoming text is matched back to the
// first entry with that title. Loading the bound value (its appearance and each change from
// outside) only moves the picker and the well, it never writes: a loaded text that matches no
// entry stays. A change of the list from the store returns the picker to "none" and, when another
// entry was chosen, removes the text. Main thread only.
class SourcePickerLogic {
public:
    // `write` is the binding's setter: it receives each value the section makes that differs from
    // the bound one.
    explicit SourcePickerLogic(std::function<void(const StampTextColor&)> write);

    const std::vector<SPAOptions>& options() const { return options_; }
    const std::string& selection() const { return selection_; }
    const gfx::Color& colorValue() const { return colorValue_; }
    const StampTextColor& bound() const { return bound_; }

    // The section appears with the bound value and the store's options: applies the bound value,
    // takes the options (the first fill, which is no change of the list) and applies the bound
    // value again, now that its entry can be found.
    void appear(const StampTextColor& bound, std::vector<SPAOptions> storeOptions);
    // The bound value changed from outside (a loaded preset): applies it when it differs.
    void boundChanged(const StampTextColor& bound);
    // The user chose the entry `id`: the bound text becomes its title (none for "none" or an
    // unknown identifier), keeping the bound colour.
    void selectionChosen(const std::string& id);
    // The user chose a colour: the bound colour becomes it, keeping the bound text.
    void colorChosen(const gfx::Color& color);
    // The store's option list changed (an edit in the list sheet, another window).
    void storeOptionsChanged(std::vector<SPAOptions> storeOptions);

    // The picker or the well moved (the widget shows the state again).
    std::function<void()> changed;

private:
    // Moves the picker and the well to a text and colour, writing nothing.
    void apply(const StampTextColor& value);
    void setSelection(const std::string& id);
    void setOptions(std::vector<SPAOptions> options);
    void writeBound(const StampTextColor& value);

    std::function<void(const StampTextColor&)> write_;
    std::vector<SPAOptions> options_;
    std::string selection_ = SPAOptions::kNoneID;
    gfx::Color colorValue_{128.0 / 255.0, 128.0 / 255.0, 128.0 / 255.0, 1};
    StampTextColor bound_;
};

} // namespace fen
