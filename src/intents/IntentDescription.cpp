#include "intents/IntentDescription.h"

namespace fen {

std::string IntentDescription::renderSummary(
    const std::function<std::string(std::string_view field)>& parameterText) const {
    std::string text;
    for (const auto& piece : summary) {
        if (piece.isParameter) {
            text += parameterText(piece.text);
        } else {
            text += piece.text;
        }
    }
    return text;
}

const IntentParameterInfo* IntentDescription::parameter(std::string_view field) const {
    for (const auto& info : parameters) {
        if (info.field == field) {
            return &info;
        }
    }
    return nullptr;
}

std::string commandName(std::string_view title) {
    std::string name;
    bool pendingHyphen = false;
    for (char c : title) {
        if (c == ' ') {
            pendingHyphen = !name.empty();
            continue;
        }
        if (pendingHyphen) {
            name += '-';
            pendingHyphen = false;
        }
        name += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return name;
}

} // namespace fen
