#pragma once

#include "intents/AppEnum.h"

#include <optional>

namespace fen {

// At which end of an output file's name the text-preset action puts its text: end gives
// "Report_Final", start "Final_Report".
enum class IntentFilenameTextAddedPosition {
    end,
    start,
};

template <> struct AppEnumCases<IntentFilenameTextAddedPosition> {
    static constexpr std::string_view typeTitle = "Type";
    static constexpr std::array<AppEnumCase, 2> cases = {{
        {"end", "end"},
        {"start", "start"},
    }};
};

// The text-at-start flag of the writer: only start sets it; end and no value leave it off.
inline bool isTextAtStart(std::optional<IntentFilenameTextAddedPosition> position) {
    return position == IntentFilenameTextAddedPosition::start;
}

} // namespace fen
