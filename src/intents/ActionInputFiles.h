#pragma once

#include "intents/SkippedInput.h"

#include <filesystem>
#include <functional>
#include <vector>

namespace fen {

// Called for each input that the expansion drops with a reason worth telling the user.
using SkipReporter = std::function<void(const SkippedInput&)>;

// True when the path's text ends in ".pdf" in any letter case (the test every action input
// passes).
bool hasPdfSuffix(const std::filesystem::path& path);

// The PDF files directly inside a folder, in name order (byte order of the names): regular files
// (or symbolic links to them) whose name ends in ".pdf" in any letter case; hidden entries (names
// beginning with ".") and the contents of subfolders are left out, and so are pipes, sockets and
// devices. A subfolder whose name ends in ".pdf" is reported as skipped. A folder that cannot be
// listed gives nothing and is reported; an entry that cannot be examined is passed over.
std::vector<std::filesystem::path> pdfFilesInDirectory(const std::filesystem::path& folder,
                                                       const SkipReporter& report = {});

// Expands the inputs of an action into the PDF files to process, in input order: a path whose
// name ends in ".pdf" is taken as it is (whether it can be read is found out when it is read),
// a folder gives its PDF files at its place (a folder without any is reported), and anything else
// is reported and dropped. A file
// given directly and again inside a given folder is taken twice.
std::vector<std::filesystem::path> collectPDFURLs(const std::vector<std::filesystem::path>& inputs,
                                                  const SkipReporter& report = {});

} // namespace fen
