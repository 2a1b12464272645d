#include "intents/FenAppIntentCreateFromPresets.h"

#include "intents/PDFOutputGenerator.h"
#include "storage/FenDatabaseManager.h"

#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <array>

namespace fen {

namespace {

constexpr std::array<IntentParameterInfo, 6> parameters = {{
    {"intentFiles", "Document"},
    {"type", "Watermark type"},
    {"presetStamp", "Preset Name"},
    {"presetPage", "Preset Name"},
    {"presetText", "Preset Name"},
    {"presetImage", "Preset Name"},
}};

constexpr std::string_view title = "Create from Presets";

// The summary of one kind: the files, the kind and the preset name of that kind.
constexpr std::array<SummaryPiece, 7> summaryWith(std::string_view presetField) {
    return {{
        {"Apply Preset Watermark to "},
        {"intentFiles", true},
        {" for "},
        {"type", true},
        {" with "},
        {presetField, true},
        {"."},
    }};
}

constexpr auto pageNumberSummary = summaryWith("presetPage");
constexpr auto stampSummary = summaryWith("presetStamp");
constexpr auto imageSummary = summaryWith("presetImage");
constexpr auto textSummary = summaryWith("presetText");
constexpr std::array<SummaryPiece, 5> kindlessSummary = {{
    {"Apply Preset Watermark to "},
    {"intentFiles", true},
    {" for "},
    {"type", true},
    {"."},
}};

// The options providers of the four "Preset Name" parameters.
struct StampOptionsProvider {
    static std::vector<PresetItem> results() { return FenDatabaseManager::listStampPresetItems(); }
};
struct PageOptionsProvider {
    static std::vector<PresetItem> results() {
        return FenDatabaseManager::listPageNumberPresetItems();
    }
};
struct TextOptionsProvider {
    static std::vector<PresetItem> results() { return FenDatabaseManager::listTextPresetItems(); }
};
struct ImageOptionsProvider {
    static std::vector<PresetItem> results() { return FenDatabaseManager::listImagePresetItems(); }
};

// The text in Unicode normalisation form C, so that canonically equivalent texts compare equal;
// nothing for text that is not valid UTF-8.
std::optional<std::u16string> normalized(const std::string& text) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, text.data(), static_cast<int32_t>(text.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
        return std::nullopt;
    }
    std::u16string utf16(static_cast<std::size_t>(length), u'\0');
    status = U_ZERO_ERROR;
    u_strFromUTF8(utf16.data(), length, nullptr, text.data(), static_cast<int32_t>(text.size()),
                  &status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    int32_t needed = unorm2_normalize(nfc, utf16.data(), length, nullptr, 0, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
        return std::nullopt;
    }
    std::u16string result(static_cast<std::size_t>(needed), u'\0');
    status = U_ZERO_ERROR;
    unorm2_normalize(nfc, utf16.data(), length, result.data(), needed, &status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    return result;
}

bool canonicallyEqual(const std::string& a, const std::string& b) {
    if (a == b) {
        return true;
    }
    auto na = normalized(a);
    auto nb = normalized(b);
    return na && nb && *na == *nb;
}

std::string joinedPaths(const std::vector<std::filesystem::path>& paths) {
    std::string text;
    for (const auto& path : paths) {
        text += (text.empty() ? "" : ", ") + path.string();
    }
    return text;
}

} // namespace

const IntentDescription&
FenAppIntentCreateFromPresets::description(std::optional<IntentPresetType> type) {
    static const IntentDescription pageNumber{title, parameters, pageNumberSummary};
    static const IntentDescription stamp{title, parameters, stampSummary};
    static const IntentDescription image{title, parameters, imageSummary};
    static const IntentDescription text{title, parameters, textSummary};
    static const IntentDescription kindless{title, parameters, kindlessSummary};
    if (!type) {
        return kindless;
    }
    switch (*type) {
    case IntentPresetType::pagenumber:
        return pageNumber;
    case IntentPresetType::stamp:
        return stamp;
    case IntentPresetType::image:
        return image;
    case IntentPresetType::text:
        return text;
    }
    return kindless;
}

std::string FenAppIntentCreateFromPresets::parameterSummary() const {
    const IntentDescription& info = description(type);
    return info.renderSummary([&](std::string_view field) -> std::string {
        std::optional<std::string> value;
        if (field == "intentFiles") {
            if (!intentFiles.empty()) {
                value = joinedPaths(intentFiles);
            }
        } else if (field == "type") {
            value = std::string(caseTitle(type));
        } else {
            value = presetName();
        }
        if (value) {
            return *value;
        }
        const IntentParameterInfo* parameter = info.parameter(field);
        return std::string(parameter ? parameter->title : field);
    });
}

const std::optional<std::string>& FenAppIntentCreateFromPresets::presetName() const {
    switch (type) {
    case IntentPresetType::stamp:
        return presetStamp;
    case IntentPresetType::image:
        return presetImage;
    case IntentPresetType::pagenumber:
        return presetPage;
    case IntentPresetType::text:
        break;
    }
    return presetText;
}

std::vector<PresetItem> FenAppIntentCreateFromPresets::presetItems(PresetsList kind) {
    switch (kind) {
    case PresetsList::image:
        return ImageOptionsProvider::results();
    case PresetsList::stamp:
        return StampOptionsProvider::results();
    case PresetsList::pagenumber:
        return PageOptionsProvider::results();
    case PresetsList::text:
        break;
    }
    return TextOptionsProvider::results();
}

std::vector<std::string> FenAppIntentCreateFromPresets::presetNames(IntentPresetType type) {
    std::vector<std::string> names;
    for (auto& item : presetItems(presetsListValue(type))) {
        names.push_back(std::move(item.title));
    }
    return names;
}

std::vector<PresetItem>
FenAppIntentCreateFromPresets::filterPresetItems(const std::vector<PresetItem>& items,
                                                 const std::string& title) {
    std::vector<PresetItem> matching;
    for (const auto& item : items) {
        if (canonicallyEqual(item.title, title)) {
            matching.push_back(item);
        }
    }
    return matching;
}

std::string FenAppIntentCreateFromPresets::presetIdentifierForName(PresetsList kind,
                                                                   const std::string& name) {
    auto matching = filterPresetItems(presetItems(kind), name);
    return matching.empty() ? std::string() : matching.front().id;
}

std::string FenAppIntentCreateFromPresets::findPresetForRun(PresetStoreKind kind,
                                                            const std::string& name, bool& told,
                                                            const PresetProblemReporter& problem) {
    FenDatabaseManager::StoredPresetItems stored = FenDatabaseManager::readPresetItems(kind);
    std::vector<PresetItem> matching = filterPresetItems(stored.items, name);
    if (!matching.empty()) {
        return matching.front().id;
    }
    if (!told && problem) {
        problem(stored.unreadable ? PresetProblem::unreadable : PresetProblem::notFound, name,
                stored.unreadable.value_or(std::string()));
    }
    told = true;
    return {};
}

ActionRunResult FenAppIntentCreateFromPresets::perform(const ActionRunObserver& observer,
                                                       const PresetProblemReporter& problem) const {
    bool told = false;
    return runActionFileLoop(
        intentFiles,
        [&](const std::string& bytes, const std::string& fileName) -> std::vector<PDFOutput> {
            const std::optional<std::string>& name = presetName();
            if (!name) {
                return {};
            }
            const PresetStoreKind kind = presetStoreKindValue(type);
            std::string identifier = findPresetForRun(kind, *name, told, problem);
            return PDFOutputGenerator::watermarkFileWithPreset(
                kind, bytes, fileName, identifier,
                [&](PresetProblem leftOut, const std::string& detail) {
                    if (!told && problem) {
                        problem(leftOut, *name, detail);
                    }
                    told = true;
                });
        },
        observer);
}

} // namespace fen
