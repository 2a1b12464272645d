#include "intents/ActionFileLoop.h"

#include "platform/foundation/WholeFileReader.h"

#include <system_error>

namespace fen {

namespace fs = std::filesystem;

std::string fileNameWithoutExtension(const fs::path& path) {
    return path.filename().stem().string();
}

namespace {

void report(const ActionRunObserver& observer, ActionRunResult& result, SkippedInput skipped) {
    ++result.skippedCount;
    if (observer.skipped) {
        observer.skipped(skipped);
    }
}

// Removes the folder made for an output that was not written, when it holds nothing.
void removeEmptyOutputFolder(const fs::path& file) {
    std::error_code ec;
    fs::path folder = file.parent_path();
    if (!folder.empty() && fs::is_directory(folder, ec) && fs::is_empty(folder, ec) && !ec) {
        fs::remove(folder, ec);
    }
}

} // namespace

ActionRunResult runActionFileLoop(const std::vector<fs::path>& inputs,
                                  const ActionOperation& operation,
                                  const ActionRunObserver& observer) {
    ActionRunResult result;
    auto files = collectPDFURLs(
        inputs, [&](const SkippedInput& skipped) { report(observer, result, skipped); });
    for (const auto& file : files) {
        if (observer.stopped && observer.stopped()) {
            break;
        }
        if (observer.reading) {
            observer.reading(true);
        }
        WholeFile read = WholeFileReader::read(file);
        if (observer.reading) {
            observer.reading(false);
        }
        if (!read) {
            if (read.error == std::errc::is_a_directory) {
                report(observer, result, SkippedInput{file, SkipReason::folderNamedLikePdf, {}});
            } else {
                report(observer, result, SkippedInput{file, SkipReason::unreadable, read.reason()});
            }
            continue;
        }
        auto outputs = operation(*read.bytes, fileNameWithoutExtension(file));
        read.bytes.reset();
        for (auto& output : outputs) {
            if (!output.location) {
                report(observer, result, SkippedInput{file, output.failure, output.detail});
                continue;
            }
            fs::path written = output.location->path();
            std::error_code ec;
            if (written.empty() || !fs::is_regular_file(written, ec)) {
                if (!written.empty()) {
                    removeEmptyOutputFolder(written);
                }
                report(observer, result, SkippedInput{file, SkipReason::notWritten, {}});
                continue;
            }
            result.outputs.push_back(written);
            if (observer.written) {
                observer.written(written);
            }
        }
    }
    return result;
}

} // namespace fen
