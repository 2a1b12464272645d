#include "cli/PresetCommands.h"

#include "cli/CommandLineSupport.h"
#include "cli/TerminalText.h"
#include "intents/ActionEnumerations.h"
#include "intents/FenAppIntentCreateFromPresets.h"
#include "intents/FenAppIntentCreateFromTextPresets.h"
#include "storage/CoreDataBase.h"
#include "storage/FenDatabaseManager.h"
#include "storage/PersistenceController.h"

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <iostream>

namespace fen::cli {

namespace {

std::string valueList(const char* enumeration) {
    return findActionEnumeration(enumeration)->rawValueList();
}

// Thrown when the store was to be found in the container folder and none can be had; the run
// then ends with the store's own message.
struct ContainerMissing {};

// A store file that is there but cannot be read: the run ends with this line and exit status 1.
struct StoreUnreadable {
    std::string message;
};

// Opens the store read-only and makes it the one the preset operations read: the window's store
// file, or the one `--store` names (which must exist). Its presets are never changed; a save
// another program was killed in is rolled back first, where the file can be written, since
// nothing is read around it.
void openStore(const std::optional<std::string>& path) {
    StoreLocation location;
    location.readOnly = true;
    if (path) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(*path, ec)) {
            throw UsageError{"--store: no store file at " + *path};
        }
        location.file = *path;
    } else if (std::filesystem::path folder = PersistenceController::containerFolder();
               !folder.empty()) {
        location.file = folder / "FenmoorData.sqlite";
    }
    location.failureToldByCaller = true;
    PersistenceController controller(location);
    if (controller.containerMissing()) {
        throw ContainerMissing{};
    }
    // A store file that is there but cannot be opened (no database, a save cut short that cannot
    // be rolled back here) is told here, rather than read as a store that holds no preset. A store
    // another program is writing is waited for by the reads themselves.
    if (!controller.container() && !controller.openError().empty() && !controller.openBusy()) {
        throw StoreUnreadable{"the preset store " + controller.storeFile().string() +
                              " cannot be read: " + controller.openError()};
    }
    CoreDataBase::setShared(std::make_shared<CoreDataBase>(std::move(controller)));
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

std::string kindName(IntentPresetType type) {
    return type == IntentPresetType::pagenumber ? "page-number" : std::string(rawValue(type));
}

} // namespace

void PresetCommands::addCommon(CLI::App& command, Common& common, bool isAction) {
    if (isAction) {
        common.inputs.addTo(command);
        command.add_flag("--summary", common.summary,
                         "Prints the action's summary with the values given and writes nothing");
    }
    command
        .add_option("--store", common.store,
                    "Reads the presets from this store file instead of the application's own "
                    "(whose presets are never changed)")
        ->type_name("PATH");
}

PresetCommands::PresetCommands(CLI::App& app) {
    const IntentDescription& presetsInfo =
        FenAppIntentCreateFromPresets::description(IntentPresetType::text);
    presetsCommand_ =
        app.add_subcommand(commandName(presetsInfo.title), actionHelpText(presetsInfo));
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
        exitStatusHelp);

    const IntentDescription& textPresetsInfo = FenAppIntentCreateFromTextPresets::description();
    textPresetsCommand_ =
        app.add_subcommand(commandName(textPresetsInfo.title), actionHelpText(textPresetsInfo));
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
    textPresetsCommand_->footer(exitStatusHelp);

    listCommand_ = app.add_subcommand(
        "list-presets", "Lists the names of the stored presets of a kind, in the order they were "
                        "saved: the names --preset takes");
    addCommon(*listCommand_, listOptions_, false);
    listCommand_->add_option("kind", listKind_, "One of " + valueList("preset-type"))
        ->type_name("KIND")
        ->required();
    listCommand_->footer("Exit status: 0 when the names were listed (none when the store holds "
                         "none), 1 when the store or its presets of that kind cannot be read, 2 "
                         "for a usage error.");
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
        err << programName << ": " << shownOn(err, e.message) << '\n';
        return exitUsage;
    } catch (const ContainerMissing&) {
        out.flush();
        err << PersistenceController::containerFailureMessage << '\n';
        return EXIT_FAILURE;
    } catch (const StoreUnreadable& e) {
        err << programName << ": " << shownOn(err, e.message) << '\n';
        return exitSomeSkipped;
    }
    return std::nullopt;
}

int PresetCommands::runCreateFromPresets(std::istream& in, std::ostream& out, std::ostream& err) {
    const Common& options = presetsOptions_;
    FenAppIntentCreateFromPresets intent;
    intent.type = parseEnumValue<IntentPresetType>(presetsType_, "--type", "preset-type");
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
        intent.intentFiles.assign(options.inputs.files.begin(), options.inputs.files.end());
        out << shownOn(out, intent.parameterSummary()) << '\n';
        return exitAllWritten;
    }
    *field = presetName(presetsName_);
    ActionReporter reporter(options.inputs.nulSeparated, out, err);
    intent.intentFiles = options.inputs.collect(in, reporter);
    openStore(options.store);

    const std::string consequence = intent.type == IntentPresetType::text
                                        ? "nothing is written"
                                        : "the files are written without it";
    auto problem = reporter.presetProblem(kindName(intent.type), consequence);
    return reporter.run(
        [&](const ActionRunObserver& observer) { return intent.perform(observer, problem); });
}

int PresetCommands::runCreateFromTextPresets(std::istream& in, std::ostream& out,
                                             std::ostream& err) {
    const Common& options = textPresetsOptions_;
    FenAppIntentCreateFromTextPresets intent;
    if (textPresetsPosition_) {
        intent.position = parseEnumValue<IntentFilenameTextAddedPosition>(
            *textPresetsPosition_, "--position", "text-position");
    }
    if (options.summary) {
        intent.presetText = textPresetsName_;
        intent.text = textPresetsText_.value_or("");
        intent.intentFiles.assign(options.inputs.files.begin(), options.inputs.files.end());
        out << shownOn(out, intent.parameterSummary()) << '\n';
        return exitAllWritten;
    }
    intent.presetText = presetName(textPresetsName_);
    if (!textPresetsText_) {
        throw UsageError{"--text is required: the text drawn on the pages"};
    }
    intent.text = *textPresetsText_;
    ActionReporter reporter(options.inputs.nulSeparated, out, err);
    intent.intentFiles = options.inputs.collect(in, reporter);
    openStore(options.store);

    auto problem = reporter.presetProblem("text", "nothing is written");
    return reporter.run(
        [&](const ActionRunObserver& observer) { return intent.perform(observer, problem); });
}

int PresetCommands::runListPresets(std::ostream& out) {
    IntentPresetType type =
        parseEnumValue<IntentPresetType>(listKind_, "list-presets", "preset-type");
    openStore(listOptions_.store);
    FenDatabaseManager::StoredPresetItems stored =
        FenDatabaseManager::readPresetItems(presetStoreKindValue(type));
    if (stored.unreadable) {
        throw StoreUnreadable{"the stored " + kindName(type) +
                              " presets could not be read: " + *stored.unreadable};
    }
    for (const PresetItem& item : stored.items) {
        out << shownOn(out, item.title) << '\n';
    }
    return exitAllWritten;
}

} // namespace fen::cli
