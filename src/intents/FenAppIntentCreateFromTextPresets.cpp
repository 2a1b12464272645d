#include "intents/FenAppIntentCreateFromTextPresets.h"

#include "intents/PDFOutputGenerator.h"

#include <array>

namespace fen {

const IntentDescription& FenAppIntentCreateFromTextPresets::description() {
    static constexpr std::array<IntentParameterInfo, 4> parameters = {{
        {"intentFiles", "Document"},
        {"presetText", "Preset Name"},
        {"text", "Text"},
        {"position", "Position"},
    }};
    static constexpr std::array<SummaryPiece, 9> summary = {{
        {"Apply Text Preset Watermark to "},
        {"intentFiles", true},
        {" with "},
        {"presetText", true},
        {" with "},
        {"text", true},
        {", and append the text at the "},
        {"position", true},
        {" of the filename."},
    }};
    static const IntentDescription info{"Create from Text Presets", parameters, summary};
    return info;
}

std::string FenAppIntentCreateFromTextPresets::parameterSummary() const {
    const IntentDescription& info = description();
    return info.renderSummary([&](std::string_view field) -> std::string {
        if (field == "intentFiles" && !intentFiles.empty()) {
            std::string files;
            for (const auto& path : intentFiles) {
                files += (files.empty() ? "" : ", ") + path.string();
            }
            return files;
        }
        if (field == "presetText" && presetText) {
            return *presetText;
        }
        if (field == "text" && !text.empty()) {
            return text;
        }
        if (field == "position") {
            return std::string(caseTitle(position.value_or(IntentFilenameTextAddedPosition::end)));
        }
        const IntentParameterInfo* parameter = info.parameter(field);
        return std::string(parameter ? parameter->title : field);
    });
}

ActionRunResult
FenAppIntentCreateFromTextPresets::perform(const ActionRunObserver& observer,
                                           const PresetProblemReporter& problem) const {
    bool told = false;
    return runActionFileLoop(
        intentFiles,
        [&](const std::string& bytes, const std::string& fileName) -> std::vector<PDFOutput> {
            if (!presetText) {
                return {};
            }
            std::string identifier = FenAppIntentCreateFromPresets::findPresetForRun(
                PresetStoreKind::text, *presetText, told, problem);
            if (identifier.empty()) {
                return {};
            }
            return PDFOutputGenerator::watermarkFileWithTextPreset(
                text, bytes, fileName, identifier, isTextAtStart(position));
        },
        observer);
}

} // namespace fen
