#pragma once

#include "cli/FenCommandLine.h"
#include "intents/ActionEnumerations.h"
#include "intents/ActionFileLoop.h"
#include "intents/IntentDescription.h"
#include "intents/PresetProblem.h"
#include "rendering/WatermarkNotices.h"

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

// The exit statuses as the help of every action command states them.
inline const std::string exitStatusHelp =
    "Exit status: 0 when every input was written; 1 when some input was skipped, gave no PDF "
    "file, or a preset named was not found or could not be read (a stamp, image or page-number "
    "preset that is not stored leaves its watermark out of files that are still written, and so "
    "does an image preset whose picture is missing, is not a picture or is too large to draw, and "
    "a stamp too long to draw); 2 for a usage error; on "
    "SIGINT or SIGTERM the file being written is removed and the run ends by that signal.";

// A usage error found after parsing: one line, ending the run with exitUsage.
struct UsageError {
    std::string message;
};

class ActionReporter;

// The inputs every action command takes: PDF files and folders, and a list of further paths.
struct InputOptions {
    std::vector<std::string> files;
    std::optional<std::string> filesFrom;
    bool nulSeparated = false;

    // Adds `FILE|FOLDER...`, `--files-from LIST` and `-0,--null` to `command`.
    void addTo(CLI::App& command);

    // The files given on the command line, then those of the list (read from `in` for "-"). A
    // list that holds no path is told to `reporter` as an input that gives no file. Throws
    // UsageError for a list that cannot be read, or when there is no input at all.
    std::vector<std::filesystem::path> collect(std::istream& in, ActionReporter& reporter) const;
};

// A table of an enumeration's values for a help text or list-values: each raw value, padded to
// one width, then its title.
std::string valueTable(const ActionEnumeration& enumeration, const std::string& indent);

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
// `nulSeparated`), skipped inputs, empty lists and preset names that matched nothing on `err`,
// one line each. The exit status counts them all. What the drawing tells (a text drawn cut, a
// stamp too long to draw) is told once for the whole run; a stamp left out counts as a watermark
// left out.
//
// While `perform` runs, SIGINT and SIGTERM stop the write in progress (FenFilesStorage's
// interruption flag); the next report, or the end of the run, removes the folder of the output
// being written, prints nothing for it and ends the program by the same signal. While an input is
// opened and read (a pipe may wait for a writer that never comes), nothing of it is written yet:
// the signal ends the program at once.
class ActionReporter {
public:
    ActionReporter(bool nulSeparated, std::ostream& out, std::ostream& err);

    // Warns why the `kind` preset named is left out (no preset has the name, the kind's stored
    // presets cannot be read, an image preset's picture is gone or is not one), and says what
    // follows from that.
    PresetProblemReporter presetProblem(std::string kind, std::string consequence);

    // Tells that the input `name` (a list of paths) holds no path.
    void emptyInput(const std::string& name);

    // Runs `perform` with the observer and the signal handling above; the exit status:
    // exitAllWritten when nothing was skipped or empty and every preset name was found.
    int run(const std::function<ActionRunResult(const ActionRunObserver&)>& perform);

private:
    // Tells a notice of the drawing (WatermarkNotices) on `err`.
    void watermarkNotice(WatermarkNotices::Kind kind, const std::string& line);

    ActionRunObserver observer_;
    std::ostream& out_;
    std::ostream& err_;
    bool incomplete_ = false;
};

} // namespace fen::cli
