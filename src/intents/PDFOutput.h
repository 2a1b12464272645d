#pragma once

#include "intents/SkippedInput.h"
#include "platform/foundation/Url.h"

#include <optional>
#include <string>

namespace fen {

// What one windowless watermarking operation gave for one output: the written file's location,
// or none with the reason (and its detail) why nothing was written.
struct PDFOutput {
    std::optional<Url> location;
    SkipReason failure = SkipReason::notWritten;
    std::string detail;

    static PDFOutput written(Url location) { return PDFOutput{std::move(location), {}, {}}; }
    static PDFOutput failed(SkipReason reason, std::string detail = {}) {
        return PDFOutput{std::nullopt, reason, std::move(detail)};
    }
};

} // namespace fen
