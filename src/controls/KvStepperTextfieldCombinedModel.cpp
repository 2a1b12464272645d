#include "controls/KvStepperTextfieldCombinedModel.h"

#include <charconv>
#include <cmath>

namespace fen {

namespace {

// A lone sign is what the user types before the digits of a signed number.
bool countsAsEmpty(std::string_view text) {
    return text.empty() || text == "-" || text == "+";
}

} // namespace

std::optional<std::int64_t> readNumber(std::string_view text) {
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty()) {
        return std::nullopt;
    }
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    // Read with the sign, so that the lowest 64-bit number is readable too.
    const std::string signedDigits = (negative ? "-" : "") + std::string(digits);
    std::int64_t number = 0;
    const auto [end, error] =
        std::from_chars(signedDigits.data(), signedDigits.data() + signedDigits.size(), number);
    if (error != std::errc() || end != signedDigits.data() + signedDigits.size()) {
        return std::nullopt;
    }
    return number;
}

std::string numberText(std::int64_t number) {
    return std::to_string(number);
}

class KvStepperTextfieldCombinedModel::Update {
public:
    explicit Update(KvStepperTextfieldCombinedModel& model) : model_(model), before_(model.value_) {
        ++model_.depth_;
    }
    ~Update() {
        if (--model_.depth_ == 0) {
            model_.changed();
            if (model_.value_ != before_) {
                model_.valueChanged(model_.value_);
            }
        }
    }
    Update(const Update&) = delete;
    Update& operator=(const Update&) = delete;

private:
    KvStepperTextfieldCombinedModel& model_;
    std::int64_t before_;
};

KvStepperTextfieldCombinedModel::KvStepperTextfieldCombinedModel(std::int64_t minValue,
                                                                 std::int64_t maxValue,
                                                                 std::int64_t number,
                                                                 std::string unit,
                                                                 std::int64_t step)
    : minValue_(minValue), maxValue_(maxValue), unit_(std::move(unit)), step_(step), value_(number),
      valueText_(numberText(number)), valueDbl_(static_cast<double>(number)) {}

void KvStepperTextfieldCombinedModel::setValue(std::int64_t value) {
    const Update update(*this);
    storeValue(value);
}

void KvStepperTextfieldCombinedModel::setValueText(const std::string& text) {
    if (countsAsEmpty(text)) {
        // Nothing follows an empty text, not even an announcement.
        valueText_ = text;
        return;
    }
    const Update update(*this);
    storeValueText(text);
}

void KvStepperTextfieldCombinedModel::setValueDbl(double position) {
    const Update update(*this);
    storeValueDbl(position);
}

void KvStepperTextfieldCombinedModel::storeValue(std::int64_t value) {
    value_ = value;
    const std::string text = numberText(value_);
    if (text != valueText_) {
        storeValueText(text);
        storeValueDbl(static_cast<double>(value_));
    }
}

void KvStepperTextfieldCombinedModel::storeValueText(const std::string& text) {
    valueText_ = text;
    if (countsAsEmpty(text)) {
        return;
    }
    const std::optional<std::int64_t> number = readNumber(text);
    if (number && *number == value_) {
        return; // the text stays as typed ("007")
    }
    storeValue(number.value_or(minValue_));
}

void KvStepperTextfieldCombinedModel::storeValueDbl(double position) {
    valueDbl_ = position;
    const auto whole = static_cast<std::int64_t>(std::trunc(position));
    if (whole != value_) {
        storeValue(whole);
    }
}

void KvStepperTextfieldCombinedModel::validateText() {
    auto current = [this] {
        return countsAsEmpty(valueText_) ? 0 : readNumber(valueText_).value_or(0);
    };
    // A text within the bounds is left alone, without an announcement.
    std::optional<Update> update;
    if (current() < minValue_) {
        update.emplace(*this);
        storeValueText(numberText(minValue_));
    }
    if (current() > maxValue_) {
        if (!update) {
            update.emplace(*this);
        }
        storeValueText(numberText(maxValue_));
    }
}

} // namespace fen
