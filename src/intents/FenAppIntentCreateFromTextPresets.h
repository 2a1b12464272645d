#pragma once

#include "intents/ActionFileLoop.h"
#include "intents/FenAppIntentCreateFromPresets.h"
#include "intents/IntentDescription.h"
#include "intents/IntentFilenameTextAddedPosition.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fen {

// The action "Create from Text Presets": draws one given text on PDF files with the look (font,
// colour, outline, position, opacity, layer) of a stored text preset chosen by name, and adds the
// text to each written file's name, at its end or its start. One file per input.
struct FenAppIntentCreateFromTextPresets {
    // "Document": PDF files and folders.
    std::vector<std::filesystem::path> intentFiles;
    // "Preset Name": a stored text preset.
    std::optional<std::string> presetText;
    // "Text": drawn on the pages and added to the file names.
    std::string text;
    // "Position": where the text goes in the file names; none means the end.
    std::optional<IntentFilenameTextAddedPosition> position;

    static const IntentDescription& description();
    // The summary with this action's values filled in; a parameter without a value shows its
    // title, and "Position" without one shows the end it defaults to.
    std::string parameterSummary() const;

    // Runs the action over every input, one file after another; never stops early. The preset is
    // looked up anew for every file; the earliest saved of several presets of one name gives the
    // look, and its own list of texts is not used. A name that matches nothing, and text presets
    // that cannot be read, are told to `problem` (once) and no file is written; without a name
    // every file is passed over.
    ActionRunResult perform(const ActionRunObserver& observer = {},
                            const PresetProblemReporter& problem = {}) const;
};

} // namespace fen
