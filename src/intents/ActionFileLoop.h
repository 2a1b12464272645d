#pragma once

#include "intents/ActionInputFiles.h"
#include "intents/PDFOutput.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fen {

// The watermarking an action makes for one input file: given the whole file's bytes and its name
// without the extension, the outputs it produced (one for the simple actions, one per text for
// the preset actions).
using ActionOperation =
    std::function<std::vector<PDFOutput>(const std::string& bytes, const std::string& fileName)>;

// Told of every result as soon as it is known, so a long run shows its progress.
struct ActionRunObserver {
    // A regular file was written here.
    std::function<void(const std::filesystem::path&)> written;
    // An input, or one output of an input, gave nothing.
    SkipReporter skipped;
    // Asked before each input: true ends the run there (the program is being stopped).
    std::function<bool()> stopped;
    // Told true just before an input is opened and read, and false once it has been: while it
    // is read nothing of it is written yet, and the read may wait without end (a pipe no one
    // writes to).
    std::function<void(bool)> reading;
};

// What a run produced: the written files in input order, and how many inputs or outputs were
// skipped.
struct ActionRunResult {
    std::vector<std::filesystem::path> outputs;
    std::size_t skippedCount = 0;
};

// The loop every action runs: expands the inputs into PDF files (collectPDFURLs), then, strictly
// one file after another, reads each file whole, hands its bytes and name to `operation` and
// keeps each output that is a regular file. Nothing stops the run: a file that cannot be read, an
// operation that writes nothing and an output that is not a regular file are reported and
// skipped. A fresh output folder that holds no file is removed, so nothing empty stays behind.
ActionRunResult runActionFileLoop(const std::vector<std::filesystem::path>& inputs,
                                  const ActionOperation& operation,
                                  const ActionRunObserver& observer = {});

// The name an output is named after: the last path component without its extension
// ("Report.final.pdf" gives "Report.final").
std::string fileNameWithoutExtension(const std::filesystem::path& path);

} // namespace fen
