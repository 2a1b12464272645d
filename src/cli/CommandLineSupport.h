#pragma once

#include "cli/FenCommandLine.h"
#include "intents/ActionEnumerations.h"
#include "intents/ActionFileLoop.h"
#include "intents/IntentDescription.h"

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
} // namespace CLI

namespace fen::cli {

// What every command of fenmoor-cli shares: the program name in messages, usage errors, the
// inputs of an action command, its help line, enumeration values and the report of a run.

inline constexpr const char* programName = "fenmoor-cli";

// A usage error found after parsing: one line, ending the run with exitUsage.
struct UsageError {
    std::string message;
};

// The inputs every action command takes: PDF files and folders, and a list of further paths.
struct InputOptions {
    std::vector<std::string> files;
    std::optional<std::string> filesFrom;
    bool nulSeparated = false;

    // Adds `FILE|FOLDER...`, `--files-from LIST` and `-0,--null` to `command`.
    void addTo(CLI::App& command);

    // The files given on the command line, then those of the list (read from `in` for "-").
    // Throws UsageError for a list that cannot be read, or when there is no input at all.
    std::vector<std::filesystem::path> collect(std::istream& in) const;
};

// The help's first line of an action: its title and its summary, parameters shown as <Title>.
std::string actionHelpText(const IntentDescription& description);

// The case of E whose raw value is `text`; otherwise a UsageError that names `option` and lists
// the raw values of the action enumeration `enumName`.
template <typename E>
E parseEnumValue(const std::string& text, const char* option, const char* enumName) {
    if (auto value = appEnumFromRawValue<E>(text)) {
        return *value;
    }
    throw UsageError{std::string(option) + ": unknown value \"" + text +
                     "\"; valid values: " + findActionEnumeration(enumName)->rawValueList()};
}

// Reports as an action goes: written files on `out` (each followed by a line end, or a NUL with
// `nulSeparated`), skipped inputs and preset names that matched nothing on `err`. The exit status
// counts both.
class ActionReporter {
public:
    ActionReporter(bool nulSeparated, std::ostream& out, std::ostream& err);

    // Warns that no `kind` preset has the name, and says what follows from that.
    std::function<void(const std::string& name)> notFound(std::string kind,
                                                          std::string consequence);

    // exitAllWritten when nothing was skipped and every preset name was found.
    int status(const ActionRunResult& result) const;

    ActionRunObserver observer;

private:
    std::ostream& err_;
    bool missing_ = false;
};

} // namespace fen::cli
