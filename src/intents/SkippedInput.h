#pragma once

#include <filesystem>
#include <string>

namespace fen {

// Why an input of an action gave no output file.
enum class SkipReason {
    // An empty path.
    noPath,
    // Neither a file whose name ends in ".pdf" nor a folder.
    notPdf,
    // A folder whose name ends in ".pdf": it is not a PDF file and is not looked into.
    folderNamedLikePdf,
    // A folder whose entries cannot be listed.
    folderUnreadable,
    // A folder given as an input that holds no PDF file to take.
    folderWithoutPdf,
    // A PDF file that cannot be read.
    unreadable,
    // Bytes that are not a PDF document, or one damaged beyond repair.
    damaged,
    // A PDF document that needs a password to be opened.
    locked,
    // The temporary folder for the output could not be created.
    noTemporaryFolder,
    // The temporary folder had no room left for the output (a full disk, a quota used up).
    noRoomInTemporaryFolder,
    // The watermarked document could not be written.
    notWritten,
};

// One skipped input: its path as given or found, the reason and, where the system gave one, the
// reason's detail (such as "Permission denied").
struct SkippedInput {
    std::filesystem::path path;
    SkipReason reason = SkipReason::notPdf;
    std::string detail;

    bool operator==(const SkippedInput&) const = default;
};

// One line for standard error, without the line end: "PATH: skipped, REASON[: DETAIL]"; for a
// folder without PDF files, "PATH: no PDF files in it". The path is kept byte for byte, a line
// end in it too: a pipe gets the name exactly, and what writes to a terminal escapes it.
std::string skipMessage(const SkippedInput& skipped);

} // namespace fen
