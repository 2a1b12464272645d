#pragma once

#include "export/FenFilesStorage.h"
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
    // A document write that gave no file: a temporary folder that could not be made, or that had
    // no room left, with the folder that could not be used (when known) and the system's reason;
    // any other failure as notWritten with `detail`.
    static PDFOutput writeFailed(const FenFilesStorage::WriteFailure& failure,
                                 std::string detail = {}) {
        if (!failure.noFolder && failure.folder.empty()) {
            return failed(SkipReason::notWritten, std::move(detail));
        }
        std::string reason = failure.error.message();
        if (!failure.folder.empty()) {
            reason = failure.folder.string() + ": " + reason;
        }
        return failed(failure.noFolder ? SkipReason::noTemporaryFolder
                                       : SkipReason::noRoomInTemporaryFolder,
                      std::move(reason));
    }
};

} // namespace fen
