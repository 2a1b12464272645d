#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace fen {

// One parameter of an action: the field that holds it and the title users see.
struct IntentParameterInfo {
    std::string_view field;
    std::string_view title;
};

// One piece of an action's one-line summary: a literal text, or the place of a parameter (named
// by its field), which the one who shows the summary fills in.
struct SummaryPiece {
    std::string_view text;
    bool isParameter = false;
};

// What an action tells about itself: its title, its parameters in order and its summary.
struct IntentDescription {
    std::string_view title;
    std::span<const IntentParameterInfo> parameters;
    std::span<const SummaryPiece> summary;

    // The summary with each parameter piece replaced by `parameterText(field)`.
    std::string
    renderSummary(const std::function<std::string(std::string_view field)>& parameterText) const;
    // The parameter held in `field`; null when there is none.
    const IntentParameterInfo* parameter(std::string_view field) const;
};

// The command-line name of an action: its title in lower case, words joined by hyphens ("Add a
// Stamp" gives "add-a-stamp").
std::string commandName(std::string_view title);

} // namespace fen
