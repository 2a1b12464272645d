#include "intents/SkippedInput.h"

namespace fen {

namespace {

const char* reasonText(SkipReason reason) {
    switch (reason) {
    case SkipReason::noPath:
        return "no file path given";
    case SkipReason::notPdf:
        return "not a PDF file or folder";
    case SkipReason::folderNamedLikePdf:
        return "a folder, not a PDF file";
    case SkipReason::folderUnreadable:
        return "the folder cannot be listed";
    case SkipReason::folderWithoutPdf:
        return "no PDF files in it";
    case SkipReason::unreadable:
        return "the file cannot be read";
    case SkipReason::damaged:
        return "not a PDF document, or damaged";
    case SkipReason::locked:
        return "protected by a password";
    case SkipReason::noTemporaryFolder:
        return "no temporary folder could be created for the output";
    case SkipReason::noRoomInTemporaryFolder:
        return "no room for the output in the temporary folder";
    case SkipReason::notWritten:
        return "the watermarked file could not be written";
    }
    return "skipped";
}

} // namespace

std::string skipMessage(const SkippedInput& skipped) {
    std::string line = skipped.path.empty() ? std::string("\"\"") : skipped.path.string();
    line += skipped.reason == SkipReason::folderWithoutPdf ? ": " : ": skipped, ";
    line += reasonText(skipped.reason);
    if (!skipped.detail.empty()) {
        line += ": ";
        line += skipped.detail;
    }
    return line;
}

} // namespace fen
