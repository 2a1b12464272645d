#include "cli/CommandLineSupport.h"

#include "cli/TerminalText.h"
#include "export/FenFilesStorage.h"
#include "intents/SkippedInput.h"

#include <CLI/CLI.hpp>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
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

// The stop signal caught while an action runs, or 0.
volatile std::sig_atomic_t caughtSignal = 0;

// Set while an input is opened and read: nothing of it is written yet, and opening a pipe waits
// for a writer that may never come, so a stop signal then ends the program at once.
volatile std::sig_atomic_t readingInput = 0;

// Ends the program by `signal` with the system's own handling of it. Safe in a signal handler.
[[noreturn]] void endBySignal(int signal) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signal);
    sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
    raise(signal);
    _exit(128 + signal);
}

extern "C" void onStopSignal(int signal) {
    caughtSignal = signal;
    FenFilesStorage::interruption().store(true);
    if (readingInput) {
        endBySignal(signal);
    }
}

// Catches SIGINT and SIGTERM while it lives, unless the program was started with the signal
// ignored; puts the former handling back.
class StopSignals {
public:
    StopSignals() {
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < signals_.size(); ++i) {
            sigaction(signals_[i], nullptr, &previous_[i]);
            if (previous_[i].sa_handler != SIG_IGN) {
                sigaction(signals_[i], &action, nullptr);
            }
        }
    }
    ~StopSignals() {
        for (std::size_t i = 0; i < signals_.size(); ++i) {
            sigaction(signals_[i], &previous_[i], nullptr);
        }
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    static constexpr std::array<int, 2> signals_{SIGINT, SIGTERM};
    std::array<struct sigaction, 2> previous_{};
};

// Ends the program by the signal caught, as if it had not been caught.
[[noreturn]] void endByCaughtSignal(std::ostream& out, std::ostream& err) {
    out.flush();
    err.flush();
    endBySignal(caughtSignal);
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

std::vector<std::filesystem::path> InputOptions::collect(std::istream& in,
                                                         ActionReporter& reporter) const {
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
        std::vector<std::string> listed = splitList(text, nulSeparated ? '\0' : '\n');
        if (listed.empty()) {
            reporter.emptyInput(*filesFrom == "-" ? "the list on standard input" : *filesFrom);
        }
        for (auto& path : listed) {
            inputs.emplace_back(std::move(path));
        }
    } else if (inputs.empty()) {
        throw UsageError{"no input: give PDF files or folders, or --files-from LIST"};
    }
    return inputs;
}

std::string valueTable(const ActionEnumeration& enumeration, const std::string& indent) {
    std::size_t width = 0;
    for (const auto& entry : enumeration.cases) {
        width = std::max(width, entry.rawValue.size());
    }
    std::string table;
    for (const auto& entry : enumeration.cases) {
        table += indent;
        table += entry.rawValue;
        table += std::string(width + 2 - entry.rawValue.size(), ' ');
        table += entry.title;
        table += '\n';
    }
    return table;
}

std::string actionHelpText(const IntentDescription& description) {
    return std::string(description.title) + ": " +
           description.renderSummary([&](std::string_view field) {
               const IntentParameterInfo* info = description.parameter(field);
               return "<" + std::string(info ? info->title : field) + ">";
           });
}

ActionReporter::ActionReporter(bool nulSeparated, std::ostream& out, std::ostream& err)
    : out_(out), err_(err) {
    // After a stop signal, what the loop still reports belongs to the input being written: its
    // outputs are removed and nothing is printed; the loop then ends (observer_.stopped).
    observer_.written = [&out, nulSeparated](const std::filesystem::path& path) {
        if (caughtSignal) {
            std::error_code ignored;
            std::filesystem::remove_all(path.parent_path(), ignored);
            return;
        }
        out << shownOn(out, path.string()) << (nulSeparated ? '\0' : '\n');
        out.flush();
    };
    observer_.skipped = [this](const SkippedInput& skipped) {
        if (caughtSignal) {
            return;
        }
        err_ << programName << ": " << shownOn(err_, skipMessage(skipped)) << '\n';
        err_.flush();
    };
    observer_.stopped = [] { return caughtSignal != 0; };
    observer_.reading = [this](bool reading) {
        readingInput = reading;
        // A signal caught since the loop last asked would otherwise wait for the read.
        if (reading && caughtSignal) {
            endByCaughtSignal(out_, err_);
        }
    };
}

PresetProblemReporter ActionReporter::presetProblem(std::string kind, std::string consequence) {
    return [this, kind, consequence](PresetProblem problem, const std::string& name,
                                     const std::string& detail) {
        incomplete_ = true;
        err_ << programName << ": warning: ";
        switch (problem) {
        case PresetProblem::notFound:
            err_ << "no " << kind << " preset is named \"" << shownOn(err_, name) << '"';
            break;
        case PresetProblem::unreadable:
            err_ << "the stored " << kind << " presets could not be read (" << shownOn(err_, detail)
                 << ')';
            break;
        case PresetProblem::pictureMissing:
            err_ << "the picture of the " << kind << " preset \"" << shownOn(err_, name)
                 << "\" is missing";
            break;
        case PresetProblem::notAPicture:
            err_ << "the stored picture of the " << kind << " preset \"" << shownOn(err_, name)
                 << "\" is neither a picture nor a PDF file";
            break;
        case PresetProblem::pictureTooLarge:
            err_ << "the stored picture of the " << kind << " preset \"" << shownOn(err_, name)
                 << "\" is too large to draw (" << shownOn(err_, detail) << ')';
            break;
        }
        err_ << "; " << consequence << '\n';
        err_.flush();
    };
}

void ActionReporter::watermarkNotice(WatermarkNotices::Kind kind, const std::string& line) {
    if (caughtSignal) {
        return;
    }
    switch (kind) {
    case WatermarkNotices::Kind::stampTooLong:
        incomplete_ = true;
        err_ << programName
             << ": warning: the stamp text is too long to draw; the files are written without it\n";
        break;
    case WatermarkNotices::Kind::pictureUnusable:
        // An image preset's own warning names the preset (presetProblem).
        return;
    default:
        err_ << programName << ": warning: " << shownOn(err_, line) << '\n';
        break;
    }
    err_.flush();
}

void ActionReporter::emptyInput(const std::string& name) {
    incomplete_ = true;
    err_ << programName << ": " << shownOn(err_, name) << ": no file paths in it\n";
    err_.flush();
}

int ActionReporter::run(const std::function<ActionRunResult(const ActionRunObserver&)>& perform) {
    ActionRunResult result;
    {
        StopSignals signals;
        // The run is the scope of the drawing's notices: each is told once over all its files.
        struct NoticeSink {
            explicit NoticeSink(WatermarkNotices::Sink sink) {
                WatermarkNotices::shared().setSink(std::move(sink));
            }
            ~NoticeSink() { WatermarkNotices::shared().setSink({}); }
            NoticeSink(const NoticeSink&) = delete;
            NoticeSink& operator=(const NoticeSink&) = delete;
        } notices([this](WatermarkNotices::Kind kind, const std::string& line) {
            watermarkNotice(kind, line);
        });
        result = perform(observer_);
    }
    if (caughtSignal) {
        endByCaughtSignal(out_, err_);
    }
    return result.skippedCount == 0 && !incomplete_ ? exitAllWritten : exitSomeSkipped;
}

} // namespace fen::cli
