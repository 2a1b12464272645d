#include "cli/CommandLineSupport.h"

#include "intents/SkippedInput.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <iterator>

namespace fen::cli {

namespace {

// The paths of a list: separated by line ends (or NULs), empty entries left out.
std::vector<std::string> splitList(const std::string& text, char separator) {
    std::vector<std::string> paths;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = std::min(text.find(separator, start), text.size());
        if (end > start) {
            paths.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return paths;
}

} // namespace

void InputOptions::addTo(CLI::App& command) {
    command
        .add_option("files", files,
                    "Document: PDF files, and folders whose PDF files are taken (in name "
                    "order, without hidden files and subfolders)")
        ->type_name("FILE|FOLDER");
    command
        .add_option("--files-from", filesFrom,
                    "Takes further inputs from LIST, one path per line; '-' reads standard input")
        ->type_name("LIST");
    command.add_flag("-0,--null", nulSeparated,
                     "Paths in LIST are separated by NUL characters, and written files are "
                     "printed each followed by a NUL character instead of a line end");
}

std::vector<std::filesystem::path> InputOptions::collect(std::istream& in) const {
    std::vector<std::filesystem::path> inputs(files.begin(), files.end());
    if (filesFrom) {
        std::string text;
        if (*filesFrom == "-") {
            text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        } else {
            std::ifstream list(*filesFrom, std::ios::binary);
            if (!list) {
                throw UsageError{"--files-from: cannot read the list " + *filesFrom};
            }
            text.assign(std::istreambuf_iterator<char>(list), std::istreambuf_iterator<char>());
        }
        for (auto& path : splitList(text, nulSeparated ? '\0' : '\n')) {
            inputs.emplace_back(std::move(path));
        }
    } else if (inputs.empty()) {
        throw UsageError{"no input: give PDF files or folders, or --files-from LIST"};
    }
    return inputs;
}

std::string actionHelpText(const IntentDescription& description) {
    return std::string(description.title) + ": " +
           description.renderSummary([&](std::string_view field) {
               const IntentParameterInfo* info = description.parameter(field);
               return "<" + std::string(info ? info->title : field) + ">";
           });
}

ActionReporter::ActionReporter(bool nulSeparated, std::ostream& out, std::ostream& err)
    : err_(err) {
    observer.written = [&out, nulSeparated](const std::filesystem::path& path) {
        out << path.string() << (nulSeparated ? '\0' : '\n');
        out.flush();
    };
    observer.skipped = [&err](const SkippedInput& skipped) {
        err << programName << ": " << skipMessage(skipped) << '\n';
        err.flush();
    };
}

std::function<void(const std::string& name)> ActionReporter::notFound(std::string kind,
                                                                      std::string consequence) {
    return [this, kind, consequence](const std::string& name) {
        missing_ = true;
        err_ << programName << ": warning: no " << kind << " preset is named \"" << name << "\"; "
             << consequence << '\n';
        err_.flush();
    };
}

int ActionReporter::status(const ActionRunResult& result) const {
    return result.skippedCount == 0 && !missing_ ? exitAllWritten : exitSomeSkipped;
}

} // namespace fen::cli
