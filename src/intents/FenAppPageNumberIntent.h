#pragma once

#include "intents/ActionFileLoop.h"
#include "intents/IntentDescription.h"
#include "intents/IntentPositions.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace fen {

// The action "Page Number": numbers the pages of PDF files (and of the PDF files in folders)
// and gives back the numbered copies. Only the placement is chosen; without one the numbers go
// to the bottom right.
struct FenAppPageNumberIntent {
    // "Document": PDF files and folders.
    std::vector<std::filesystem::path> intentFiles;
    // "Position".
    std::optional<IntentPositions> position;

    static const IntentDescription& description();
    // The placement used when none is chosen.
    static constexpr IntentPositions defaultPosition = IntentPositions::bottomright;

    // Runs the action over every input, one file after another; never stops early.
    ActionRunResult perform(const ActionRunObserver& observer = {}) const;
};

} // namespace fen
