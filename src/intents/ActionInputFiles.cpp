#include "intents/ActionInputFiles.h"

#include <algorithm>
#include <system_error>

namespace fen {

namespace fs = std::filesystem;

namespace {

void tell(const SkipReporter& report, const fs::path& path, SkipReason reason,
          std::string detail = {}) {
    if (report) {
        report(SkippedInput{path, reason, std::move(detail)});
    }
}

bool isFolder(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

} // namespace

bool hasPdfSuffix(const fs::path& path) {
    const std::string& text = path.native();
    static constexpr std::string_view suffix = ".pdf";
    if (text.size() < suffix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        char c = text[text.size() - suffix.size() + i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != suffix[i]) {
            return false;
        }
    }
    return true;
}

std::vector<fs::path> pdfFilesInDirectory(const fs::path& folder, const SkipReporter& report) {
    std::vector<fs::path> found;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        tell(report, folder, SkipReason::folderUnreadable, ec.message());
        return found;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) {
            break;
        }
        const fs::path& entry = it->path();
        const std::string name = entry.filename().string();
        if (name.empty() || name.front() == '.' || !hasPdfSuffix(entry)) {
            continue;
        }
        // The entry's type, through a symbolic link: a pipe, socket or device named like a PDF
        // file is no document (a pipe would hold up the whole run), nor is a link that leads
        // nowhere. They are left out without a word.
        std::error_code statusError;
        const fs::file_status status = it->status(statusError);
        if (fs::is_regular_file(status) || fs::is_directory(status)) {
            found.push_back(entry);
        }
    }
    if (ec) {
        tell(report, folder, SkipReason::folderUnreadable, ec.message());
    }
    // The listing order of a file system is arbitrary; users expect the order of the names.
    std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
        return a.filename().native() < b.filename().native();
    });
    std::vector<fs::path> files;
    files.reserve(found.size());
    for (auto& entry : found) {
        if (isFolder(entry)) {
            tell(report, entry, SkipReason::folderNamedLikePdf);
        } else {
            files.push_back(std::move(entry));
        }
    }
    return files;
}

std::vector<fs::path> collectPDFURLs(const std::vector<fs::path>& inputs,
                                     const SkipReporter& report) {
    std::vector<fs::path> files;
    for (const auto& input : inputs) {
        if (input.empty()) {
            tell(report, input, SkipReason::noPath);
        } else if (hasPdfSuffix(input)) {
            if (isFolder(input)) {
                tell(report, input, SkipReason::folderNamedLikePdf);
            } else {
                files.push_back(input);
            }
        } else if (isFolder(input)) {
            bool told = false;
            auto inside = pdfFilesInDirectory(input, [&](const SkippedInput& skipped) {
                told = true;
                if (report) {
                    report(skipped);
                }
            });
            // A folder that gave nothing, and no other reason for it, is one line of its own.
            if (inside.empty() && !told) {
                tell(report, input, SkipReason::folderWithoutPdf);
            }
            files.insert(files.end(), std::make_move_iterator(inside.begin()),
                         std::make_move_iterator(inside.end()));
        } else {
            std::error_code ec;
            std::string detail;
            if (!fs::exists(input, ec)) {
                detail = ec ? ec.message() : "no such file or folder";
            }
            tell(report, input, SkipReason::notPdf, std::move(detail));
        }
    }
    return files;
}

} // namespace fen
