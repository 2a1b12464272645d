#include "panels/SourcePickerLogic.h"

#include <algorithm>

namespace fen {

SourcePickerLogic::SourcePickerLogic(std::function<void(const StampTextColor&)> write)
    : write_(std::move(write)) {}

void SourcePickerLogic::appear(const StampTextColor& bound, std::vector<SPAOptions> storeOptions) {
    bound_ = bound;
    apply(bound_);
    // The first fill is no change of the list: the picker is not reset and nothing is removed.
    if (options_ != storeOptions) {
        options_ = std::move(storeOptions);
        if (changed) {
            changed();
        }
    }
    apply(bound_);
}

void SourcePickerLogic::boundChanged(const StampTextColor& bound) {
    if (bound == bound_) {
        return;
    }
    bound_ = bound;
    apply(bound_);
}

void SourcePickerLogic::selectionChosen(const std::string& id) {
    if (id == selection_) {
        return;
    }
    setSelection(id);
    std::optional<std::string> text;
    if (id != SPAOptions::kNoneID) {
        auto entry = std::find_if(options_.begin(), options_.end(),
                                  [&](const SPAOptions& option) { return option.id == id; });
        if (entry != options_.end()) {
            text = entry->title;
        }
    }
    writeBound(StampTextColor{text, bound_.stampColor});
}

void SourcePickerLogic::colorChosen(const gfx::Color& color) {
    if (color == colorValue_) {
        return;
    }
    colorValue_ = color;
    if (changed) {
        changed();
    }
    writeBound(StampTextColor{bound_.stampText, color});
}

void SourcePickerLogic::storeOptionsChanged(std::vector<SPAOptions> storeOptions) {
    setOptions(std::move(storeOptions));
}

void SourcePickerLogic::apply(const StampTextColor& value) {
    // The title of "none", looked up only while another entry is chosen.
    std::optional<std::string> noneTitle;
    if (selection_ != SPAOptions::kNoneID) {
        auto none = std::find_if(options_.begin(), options_.end(), [](const SPAOptions& option) {
            return option.id == SPAOptions::kNoneID;
        });
        if (none != options_.end()) {
            noneTitle = none->title;
        }
    }
    if (!value.stampText) {
        if (noneTitle) {
            setSelection(SPAOptions::kNoneID);
        }
    } else if (!(noneTitle && *value.stampText == *noneTitle)) {
        auto entry = std::find_if(options_.begin(), options_.end(), [&](const SPAOptions& option) {
            return option.title == *value.stampText;
        });
        setSelection(entry != options_.end() ? entry->id : std::string(SPAOptions::kNoneID));
    }
    if (colorValue_ != value.stampColor) {
        colorValue_ = value.stampColor;
        if (changed) {
            changed();
        }
    }
}

void SourcePickerLogic::setSelection(const std::string& id) {
    if (selection_ == id) {
        return;
    }
    selection_ = id;
    if (changed) {
        changed();
    }
}

void SourcePickerLogic::setOptions(std::vector<SPAOptions> options) {
    if (options == options_) {
        return;
    }
    options_ = std::move(options);
    if (changed) {
        changed();
    }
    // A changed list returns the picker to "none"; leaving another entry removes the text.
    if (selection_ != SPAOptions::kNoneID) {
        setSelection(SPAOptions::kNoneID);
        writeBound(StampTextColor{std::nullopt, bound_.stampColor});
    }
}

void SourcePickerLogic::writeBound(const StampTextColor& value) {
    if (value == bound_) {
        return;
    }
    bound_ = value;
    if (write_) {
        write_(value);
    }
}

} // namespace fen
