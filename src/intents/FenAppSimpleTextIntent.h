#pragma once

#include "intents/ActionFileLoop.h"
#include "intents/IntentDescription.h"

#include <filesystem>
#include <string>
#include <vector>

namespace fen {

// The action "Add Some Text": writes a text across every page of PDF files and gives back the
// copies.
struct FenAppSimpleTextIntent {
    // "Document": PDF files and folders.
    std::vector<std::filesystem::path> intentFiles;
    // "Text", passed on as it is.
    std::string text;

    static const IntentDescription& description();

    // Runs the action over every input, one file after another; never stops early.
    ActionRunResult perform(const ActionRunObserver& observer = {}) const;
};

} // namespace fen
