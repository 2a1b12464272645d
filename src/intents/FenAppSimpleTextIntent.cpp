#include "intents/FenAppSimpleTextIntent.h"

#include "intents/PDFOutputGenerator.h"

#include <array>

namespace fen {

const IntentDescription& FenAppSimpleTextIntent::description() {
    static constexpr std::array<IntentParameterInfo, 2> parameters = {{
        {"intentFiles", "Document"},
        {"text", "Text"},
    }};
    static constexpr std::array<SummaryPiece, 5> summary = {{
        {"Apply word to "},
        {"intentFiles", true},
        {" with "},
        {"text", true},
        {"."},
    }};
    static const IntentDescription info{"Add Some Text", parameters, summary};
    return info;
}

ActionRunResult FenAppSimpleTextIntent::perform(const ActionRunObserver& observer) const {
    return runActionFileLoop(
        intentFiles,
        [this](const std::string& bytes, const std::string& fileName) {
            return std::vector<PDFOutput>{
                PDFOutputGenerator::watermarkFileWithText(text, bytes, fileName)};
        },
        observer);
}

} // namespace fen
