#include "intents/FenAppSimpleStampIntent.h"

#include "intents/PDFOutputGenerator.h"

#include <array>

namespace fen {

const IntentDescription& FenAppSimpleStampIntent::description() {
    static constexpr std::array<IntentParameterInfo, 3> parameters = {{
        {"intentFiles", "Document"},
        {"stampText", "Text"},
        {"isDateIncluded", "Include Today Date"},
    }};
    static constexpr std::array<SummaryPiece, 7> summary = {{
        {"Apply Stamp to "},
        {"intentFiles", true},
        {" with "},
        {"stampText", true},
        {". Include the date is "},
        {"isDateIncluded", true},
        {""},
    }};
    static const IntentDescription info{"Add a Stamp", parameters, summary};
    return info;
}

ActionRunResult FenAppSimpleStampIntent::perform(const ActionRunObserver& observer) const {
    return runActionFileLoop(
        intentFiles,
        [this](const std::string& bytes, const std::string& fileName) {
            return std::vector<PDFOutput>{PDFOutputGenerator::watermarkFileWithStamp(
                stampText, bytes, fileName, isDateIncluded)};
        },
        observer);
}

} // namespace fen
