#include "cli/PresetCommands.h"

#include "cli/FenCommandLine.h"
#include "intents/ActionEnumerations.h"
#include "intents/FenAppIntentCreateFromPresets.h"
#include "intents/FenAppIntentCreateFromTextPresets.h"
#include "storage/CoreDataBase.h"
#include "storage/PersistenceController.h"

#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <iterator>

namespace fen::cli {

namespace {

constexpr const char* programName = "fenmoor-cli";

struct UsageError {
    std::string message;
};

std::string valueList(const char* enumeration) {
    return findActionEnumeration(enumeration)->rawValueList();
}

template <typename E>
E parseValue(const std::string& text, const char* what, const char* enumName) {
    if (auto value = appEnumFromRawValue<E>(text)) {
        return *value;
    }
    throw UsageError{std::string(what) + ": unknown value \"" + text +
                     "\"; valid values: " + valueList(enumName)};
}

// The paths of a list, separated by line ends (or NULs), empty entries left out.
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

// Opens the store read-only and makes it the one the preset operations read: the window's store
// file, or the one `--store` names (which must exist).
void openStore(const std::optional<std::string>& path) {
    StoreLocation location;
    location.readOnly = true;
    if (path) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(*path, ec)) {
            throw UsageError{"--store: no store file at " + *path};
        }
        location.file = *path;
    }
    CoreDataBase::setShared(std::make_shared<CoreDataBase>(PersistenceController(location)));
}

std::string presetName(const std::optional<std::string>& name) {
    if (!name) {
        throw UsageError{"--preset is required: the name of a stored preset (see list-presets)"};
    }
    if (name->empty()) {
        throw UsageError{"--preset: the preset name is empty"};
    }
    return *name;
}

// Reports as the action goes: written files on `out`, skipped inputs and a preset name that
// matched nothing on `err`. The exit status counts both.
class Reporter {
public:
    Reporter(bool nulSeparated, std::ostream& out, std::ostream& err) : err_(err) {
        observer.written = [&out, nulSeparated](const std::filesystem::path& path) {
            out << path.string() << (nulSeparated ? '\0' : '\n');
            out.flush();
        };
        observer.skipped = [&err](const SkippedInput& skipped) {
            err << programName << ": " << skipMessage(skipped) << '\n';
            err.flush();
        };
    }
    PresetNotFoundReporter notFound(std::string kind, std::string consequence) {
        return [this, kind, consequence](const std::string& name) {
            missing_ = true;
            err_ << programName << ": warning: no " << kind << " preset is named \"" << name
                 << "\"; " << consequence << '\n';
            err_.flush();
        };
    }
    int status(const ActionRunResult& result) const {
        return result.skippedCount == 0 && !missing_ ? exitAllWritten : exitSomeSkipped;
    }

    ActionRunObserver observer;

private:
    std::ostream& err_;
    bool missing_ = false;
};

// The help's first line of an action: its title and its summary, parameters shown as <Title>.
std::string helpLine(const IntentDescription& description) {
    return std::string(description.title) + ": " +
           description.renderSummary([&](std::string_view field) {
               const IntentParameterInfo* info = description.parameter(field);
               return "<" + std::string(info ? info->title : field) + ">";
           });
}

std::string kindName(IntentPresetType type) {
    return type == IntentPresetType::pagenumber ? "page-number" : std::string(rawValue(type));
}

} // namespace

void PresetCommands::addCommon(CLI::App& command, Common& common, bool isAction) {
    if (isAction) {
        command
            .add_option("files", common.files,
                        "Document: PDF files, and folders whose PDF files are taken (in name "
                        "order, without hidden files and subfolders)")
            ->type_name("FILE|FOLDER");
        command
            .add_option("--files-from", common.filesFrom,
                        "Takes further inputs from LIST, one path per line; '-' reads standard "
                        "input")
            ->type_name("LIST");
        command.add_flag("-0,--null", common.nulSeparated,
                         "Paths in LIST are separated by NUL characters, and written files are "
                         "printed each followed by a NUL character instead of a line end");
        command.add_flag("--summary", common.summary,
                         "Prints the action's summary with the values given and writes nothing");
    }
    command
        .add_option("--store", common.store,
                    "Reads the presets from this store file instead of the application's own "
                    "(which is never changed)")
        ->type_name("PATH");
}

PresetCommands::PresetCommands(CLI::App& app) {
    const std::string exitStatus =
        "Exit status: 0 when every input was written, 1 when some input was skipped or no "
        "preset has the name given, 2 for a usage error.";

    const IntentDescription& presetsInfo =
        FenAppIntentCreateFromPresets::description(IntentPresetType::text);
    presetsCommand_ = app.add_subcommand(commandName(presetsInfo.title), helpLine(presetsInfo));
    addCommon(*presetsCommand_, presetsOptions_, true);
    presetsCommand_
        ->add_option("--type", presetsType_,
                     "Watermark type: the kind of stored preset (" + valueList("preset-type") + ")")
        ->type_name("TYPE")
        ->required();
    presetsCommand_
        ->add_option("--preset", presetsName_,
                     "Preset Name: the name of a stored preset of that kind (list-presets TYPE "
                     "lists them)")
        ->type_name("NAME");
    presetsCommand_->footer(
        "A text preset writes one file per text of its list, named FILE_TEXT.pdf; a stamp, "
        "image or page-number preset writes one file named like its input.\n" +
        exitStatus);

    const IntentDescription& textPresetsInfo = FenAppIntentCreateFromTextPresets::description();
    textPresetsCommand_ =
        app.add_subcommand(commandName(textPresetsInfo.title), helpLine(textPresetsInfo));
    addCommon(*textPresetsCommand_, textPresetsOptions_, true);
    textPresetsCommand_
        ->add_option("--preset", textPresetsName_,
                     "Preset Name: the name of a stored text preset (list-presets text lists "
                     "them)")
        ->type_name("NAME");
    textPresetsCommand_
        ->add_option("--text", textPresetsText_,
                     "Text: drawn on the pages with the preset's look and added to the file name")
        ->type_name("TEXT");
    textPresetsCommand_
        ->add_option("--position", textPresetsPosition_,
                     "Position: where the text goes in the file name (" +
                         valueList("text-position") + "; default: end)")
        ->type_name("POSITION");
    textPresetsCommand_->footer(exitStatus);

    listCommand_ = app.add_subcommand(
        "list-presets", "Lists the names of the stored presets of a kind, in the order they were "
                        "saved: the names --preset takes");
    addCommon(*listCommand_, listOptions_, false);
    listCommand_->add_option("kind", listKind_, "One of " + valueList("preset-type"))
        ->type_name("KIND")
        ->required();
}

std::optional<int> PresetCommands::run(std::istream& in, std::ostream& out, std::ostream& err) {
    try {
        if (presetsCommand_->parsed()) {
            return runCreateFromPresets(in, out, err);
        }
        if (textPresetsCommand_->parsed()) {
            return runCreateFromTextPresets(in, out, err);
        }
        if (listCommand_->parsed()) {
            return runListPresets(out);
        }
    } catch (const UsageError& e) {
        err << programName << ": " << e.message << '\n';
        return exitUsage;
    }
    return std::nullopt;
}

namespace {

std::vector<std::filesystem::path> collectInputs(const std::vector<std::string>& files,
                                                 const std::optional<std::string>& filesFrom,
                                                 bool nulSeparated, std::istream& in) {
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

} // namespace

int PresetCommands::runCreateFromPresets(std::istream& in, std::ostream& out, std::ostream& err) {
    const Common& options = presetsOptions_;
    FenAppIntentCreateFromPresets intent;
    intent.type = parseValue<IntentPresetType>(presetsType_, "--type", "preset-type");
    std::optional<std::string>* field = &intent.presetText;
    switch (intent.type) {
    case IntentPresetType::stamp:
        field = &intent.presetStamp;
        break;
    case IntentPresetType::image:
        field = &intent.presetImage;
        break;
    case IntentPresetType::pagenumber:
        field = &intent.presetPage;
        break;
    case IntentPresetType::text:
        break;
    }
    if (options.summary) {
        *field = presetsName_;
        intent.intentFiles.assign(options.files.begin(), options.files.end());
        out << intent.parameterSummary() << '\n';
        return exitAllWritten;
    }
    *field = presetName(presetsName_);
    intent.intentFiles = collectInputs(options.files, options.filesFrom, options.nulSeparated, in);
    openStore(options.store);

    Reporter reporter(options.nulSeparated, out, err);
    const std::string consequence = intent.type == IntentPresetType::text
                                        ? "nothing is written"
                                        : "the files are written without it";
    ActionRunResult result =
        intent.perform(reporter.observer, reporter.notFound(kindName(intent.type), consequence));
    return reporter.status(result);
}

int PresetCommands::runCreateFromTextPresets(std::istream& in, std::ostream& out,
                                             std::ostream& err) {
    const Common& options = textPresetsOptions_;
    FenAppIntentCreateFromTextPresets intent;
    if (textPresetsPosition_) {
        intent.position = parseValue<IntentFilenameTextAddedPosition>(
            *textPresetsPosition_, "--position", "text-position");
    }
    if (options.summary) {
        intent.presetText = textPresetsName_;
        intent.text = textPresetsText_.value_or("");
        intent.intentFiles.assign(options.files.begin(), options.files.end());
        out << intent.parameterSummary() << '\n';
        return exitAllWritten;
    }
    intent.presetText = presetName(textPresetsName_);
    if (!textPresetsText_) {
        throw UsageError{"--text is required: the text drawn on the pages"};
    }
    intent.text = *textPresetsText_;
    intent.intentFiles = collectInputs(options.files, options.filesFrom, options.nulSeparated, in);
    openStore(options.store);

    Reporter reporter(options.nulSeparated, out, err);
    ActionRunResult result =
        intent.perform(reporter.observer, reporter.notFound("text", "nothing is written"));
    return reporter.status(result);
}

int PresetCommands::runListPresets(std::ostream& out) {
    IntentPresetType type = parseValue<IntentPresetType>(listKind_, "list-presets", "preset-type");
    openStore(listOptions_.store);
    for (const auto& name : FenAppIntentCreateFromPresets::presetNames(type)) {
        out << name << '\n';
    }
    return exitAllWritten;
}

} // namespace fen::cli
