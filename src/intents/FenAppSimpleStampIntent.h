#pragma once

#include "intents/ActionFileLoop.h"
#include "intents/IntentDescription.h"

#include <filesystem>
#include <string>
#include <vector>

namespace fen {

// The action "Add a Stamp": puts a red rubber stamp with a text, and today's date when asked,
// at the top left of every page of PDF files and gives back the stamped copies.
struct FenAppSimpleStampIntent {
    // "Document": PDF files and folders.
    std::vector<std::filesystem::path> intentFiles;
    // "Text", passed on as it is.
    std::string stampText;
    // "Include Today Date".
    bool isDateIncluded = false;

    static const IntentDescription& description();

    // Runs the action over every input, one file after another; never stops early.
    ActionRunResult perform(const ActionRunObserver& observer = {}) const;
};

} // namespace fen
