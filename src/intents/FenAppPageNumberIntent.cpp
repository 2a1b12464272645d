#include "intents/FenAppPageNumberIntent.h"

#include "intents/PDFOutputGenerator.h"

#include <array>

namespace fen {

const IntentDescription& FenAppPageNumberIntent::description() {
    static constexpr std::array<IntentParameterInfo, 2> parameters = {{
        {"intentFiles", "Document"},
        {"position", "Position"},
    }};
    static constexpr std::array<SummaryPiece, 5> summary = {{
        {"Apply Page Numbering to "},
        {"intentFiles", true},
        {" at "},
        {"position", true},
        {"."},
    }};
    static const IntentDescription info{"Page Number", parameters, summary};
    return info;
}

ActionRunResult FenAppPageNumberIntent::perform(const ActionRunObserver& observer) const {
    return runActionFileLoop(
        intentFiles,
        [this](const std::string& bytes, const std::string& fileName) {
            Positions where = positionsValue(position.value_or(defaultPosition));
            return std::vector<PDFOutput>{
                PDFOutputGenerator::watermarkFileWithPageNumber(where, bytes, fileName)};
        },
        observer);
}

} // namespace fen
