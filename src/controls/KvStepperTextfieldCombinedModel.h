#pragma once

#include "platform/foundation/Signal.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fen {

// A typed whole number: an optional single "+" or "-" and one or more ASCII digits, nothing
// else, within 64 bits. Anything else (empty text included) reads as none.
std::optional<std::int64_t> readNumber(std::string_view text);

// The text form of a number: plain digits, "-" for negatives ("8", "-100").
std::string numberText(std::int64_t number);

// The number behind the combined number control: the integer, the text being edited and the
// slider's position, kept in step. Typing reaches `value` at once, whether inside the bounds or
// not; only validateText() (Return, focus in or out) clamps the text to the bounds. A text made
// of a lone sign counts as empty, so that negative numbers can be typed: it changes nothing until
// a digit follows. Each setter announces one change on `changed` when it ends, and
// `valueChanged` when it ended with a different `value`. Main thread only.
class KvStepperTextfieldCombinedModel {
public:
    KvStepperTextfieldCombinedModel(std::int64_t minValue, std::int64_t maxValue,
                                    std::int64_t number, std::string unit, std::int64_t step);

    std::int64_t minValue() const { return minValue_; }
    std::int64_t maxValue() const { return maxValue_; }
    const std::string& unit() const { return unit_; }
    std::int64_t step() const { return step_; }
    std::int64_t value() const { return value_; }
    const std::string& valueText() const { return valueText_; }
    double valueDbl() const { return valueDbl_; }

    // The number itself (the text and the slider follow).
    void setValue(std::int64_t value);
    // The field's text as the user edits it.
    void setValueText(const std::string& text);
    // The slider's position: the number follows when its whole part changes.
    void setValueDbl(double position);
    // Clamps the text to the bounds: below `minValue` becomes `minValue`, above `maxValue`
    // becomes `maxValue`; an empty or unreadable text counts as 0 here.
    void validateText();

    Signal<> changed;
    Signal<std::int64_t> valueChanged;

private:
    // Ends one setter: the outermost one announces once.
    class Update;
    void storeValue(std::int64_t value);
    void storeValueText(const std::string& text);
    void storeValueDbl(double position);

    std::int64_t minValue_;
    std::int64_t maxValue_;
    std::string unit_;
    std::int64_t step_;
    std::int64_t value_;
    std::string valueText_;
    double valueDbl_;
    int depth_ = 0;
};

} // namespace fen
