#pragma once

#include "intents/ActionFileLoop.h"
#include "intents/IntentDescription.h"
#include "intents/IntentPresetType.h"
#include "intents/PresetProblem.h"
#include "model/PresetRequests.h"
#include "storage/PresetStoreKind.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fen {

// The action "Create from Presets": applies one stored preset (a text, stamp, image or
// page-number preset saved from a document window), chosen by kind and name, to PDF files and
// gives back the watermarked files. A text preset gives one file per text of its list; the other
// kinds one file per input.
struct FenAppIntentCreateFromPresets {
    // "Document": PDF files and folders.
    std::vector<std::filesystem::path> intentFiles;
    // "Watermark type".
    IntentPresetType type = IntentPresetType::text;
    // "Preset Name" of each kind; only the one of `type` is read.
    std::optional<std::string> presetStamp;
    std::optional<std::string> presetPage;
    std::optional<std::string> presetText;
    std::optional<std::string> presetImage;

    // The title, the parameters and the summary of the chosen kind; without a kind, the summary
    // that names none.
    static const IntentDescription& description(std::optional<IntentPresetType> type = {});
    // The summary of this action with its values filled in: the inputs as given, the kind's
    // title and the preset name; a parameter without a value shows its title.
    std::string parameterSummary() const;

    // The preset name of the chosen kind.
    const std::optional<std::string>& presetName() const;

    // What the "Preset Name" options offer for a kind: the names of its stored presets, in the
    // order they were saved (oldest first); nothing when none is stored.
    static std::vector<std::string> presetNames(IntentPresetType type);
    // The stored presets of a kind, in stored order.
    static std::vector<PresetItem> presetItems(PresetsList kind);
    // The items whose title equals `title`: whole text, letter case counts, canonically equivalent
    // Unicode texts are equal, nothing is trimmed. In their order.
    static std::vector<PresetItem> filterPresetItems(const std::vector<PresetItem>& items,
                                                     const std::string& title);
    // The identifier of the earliest saved preset of the kind named `name`; "" when none is.
    static std::string presetIdentifierForName(PresetsList kind, const std::string& name);
    // The same for a run: "" also when the kind's stored presets cannot be read. Either is told
    // to `problem` unless `told` is set, and sets it.
    static std::string findPresetForRun(PresetStoreKind kind, const std::string& name, bool& told,
                                        const PresetProblemReporter& problem);

    // Runs the action over every input, one file after another; never stops early. The preset is
    // looked up anew for every file. A name that matches nothing, presets of the kind that cannot
    // be read and an image preset whose picture is gone or is not one are told to `problem`
    // (once); a text preset then writes nothing, the other kinds write copies without that
    // watermark. Without a name every file is passed over.
    ActionRunResult perform(const ActionRunObserver& observer = {},
                            const PresetProblemReporter& problem = {}) const;
};

} // namespace fen
