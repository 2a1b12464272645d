#include "cli/FenCommandLine.h"

#include "cli/CommandLineSupport.h"
#include "cli/PresetCommands.h"
#include "intents/ActionEnumerations.h"
#include "intents/FenAppPageNumberIntent.h"
#include "intents/FenAppSimpleStampIntent.h"
#include "intents/FenAppSimpleTextIntent.h"
#include "intents/IntentPositions.h"
#include "intents/SiriAppShortcuts.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace fen::cli {

namespace {

// A table of an enumeration's values for a help text or list-values.
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

void printListValues(const std::optional<std::string>& name, std::ostream& out) {
    if (name) {
        const ActionEnumeration* enumeration = findActionEnumeration(*name);
        if (!enumeration) {
            std::string names;
            for (const auto& e : actionEnumerations()) {
                names += (names.empty() ? "" : ", ") + std::string(e.name);
            }
            throw UsageError{"list-values: unknown enumeration \"" + *name +
                             "\"; valid names: " + names};
        }
        for (const auto& entry : enumeration->cases) {
            out << entry.rawValue << '\t' << entry.title << '\n';
        }
        return;
    }
    bool first = true;
    for (const auto& enumeration : actionEnumerations()) {
        out << (first ? "" : "\n") << enumeration.name << " (" << enumeration.typeTitle << ")\n"
            << valueTable(enumeration, "  ");
        first = false;
    }
}

void printShortcuts(std::ostream& out) {
    for (const auto& shortcut : SiriAppShortcuts::appShortcuts()) {
        out << shortcut.phrase() << '\t' << programName << ' ' << shortcut.command() << '\n';
    }
}

// Runs an action and reports as it goes: written files on `out`, skipped inputs on `err`.
template <typename Intent>
int runAction(const Intent& intent, bool nulSeparated, std::ostream& out, std::ostream& err) {
    ActionReporter reporter(nulSeparated, out, err);
    return reporter.status(intent.perform(reporter.observer));
}

} // namespace

int runCommandLine(int argc, const char* const* argv, std::istream& in, std::ostream& out,
                   std::ostream& err) {
    CLI::App app{"Fenmoor watermarks PDF files without a window and prints the path of every "
                 "file it writes (each into a folder of its own under the temporary directory).",
                 programName};
    app.require_subcommand(1, 1);
    const std::string exitStatus = "Exit status: 0 when every input was written, 1 when some "
                                   "input was skipped, 2 for a usage error.";

    // page-number
    const auto& pageInfo = FenAppPageNumberIntent::description();
    CLI::App* pageCommand =
        app.add_subcommand(commandName(pageInfo.title), actionHelpText(pageInfo));
    InputOptions pageInputs;
    std::optional<std::string> pagePosition;
    pageInputs.addTo(*pageCommand);
    pageCommand
        ->add_option("--position", pagePosition,
                     "Position: where the page numbers go (default: " +
                         std::string(rawValue(FenAppPageNumberIntent::defaultPosition)) + ")")
        ->type_name("POSITION");
    pageCommand->footer("Values of --position:\n" +
                        valueTable(*findActionEnumeration("positions"), "  ") + "\n" + exitStatus);

    // add-a-stamp
    const auto& stampInfo = FenAppSimpleStampIntent::description();
    CLI::App* stampCommand =
        app.add_subcommand(commandName(stampInfo.title), actionHelpText(stampInfo));
    InputOptions stampInputs;
    std::string stampText;
    bool includeDate = false;
    stampInputs.addTo(*stampCommand);
    stampCommand->add_option("--text", stampText, "Text: the stamp's text")
        ->type_name("TEXT")
        ->required();
    stampCommand->add_flag("--include-date", includeDate,
                           "Include Today Date: adds today's date below the text (default: off)");
    stampCommand->footer(exitStatus);

    // add-some-text
    const auto& textInfo = FenAppSimpleTextIntent::description();
    CLI::App* textCommand =
        app.add_subcommand(commandName(textInfo.title), actionHelpText(textInfo));
    InputOptions textInputs;
    std::string text;
    textInputs.addTo(*textCommand);
    textCommand->add_option("--text", text, "Text: the text written across the pages")
        ->type_name("TEXT")
        ->required();
    textCommand->footer(exitStatus);

    // list-values
    CLI::App* listCommand = app.add_subcommand(
        "list-values", "Lists the values of an enumeration option: raw value and title");
    std::optional<std::string> enumName;
    std::string enumNames;
    for (const auto& e : actionEnumerations()) {
        enumNames += (enumNames.empty() ? "" : ", ") + std::string(e.name);
    }
    listCommand
        ->add_option("enumeration", enumName,
                     "One of " + enumNames + "; without it, every enumeration")
        ->type_name("ENUM");

    // shortcuts
    CLI::App* shortcutsCommand = app.add_subcommand(
        "shortcuts", "Prints the ready-made shortcut phrases, each with the command it runs");

    // create-from-presets, create-from-text-presets, list-presets
    PresetCommands presetCommands(app);

    app.footer(exitStatus + "\nRun '" + std::string(programName) +
               " COMMAND --help' for the options of a command.");

    // CLI11 would take an unknown command for a stray argument and ask for "a subcommand".
    if (argc > 1 && argv[1][0] != '-') {
        const auto& constApp = app;
        std::string names;
        bool known = false;
        for (const CLI::App* command :
             constApp.get_subcommands([](const CLI::App*) { return true; })) {
            names += (names.empty() ? "" : ", ") + command->get_name();
            known = known || command->check_name(argv[1]);
        }
        if (!known) {
            err << programName << ": unknown command \"" << argv[1] << "\"; commands: " << names
                << '\n';
            return exitUsage;
        }
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e, out, err);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e, out, err);
    } catch (const CLI::ParseError& e) {
        err << programName << ": " << e.what() << " (see " << programName << " --help)\n";
        return exitUsage;
    }

    try {
        if (pageCommand->parsed()) {
            FenAppPageNumberIntent intent;
            if (pagePosition) {
                intent.position =
                    parseEnumValue<IntentPositions>(*pagePosition, "--position", "positions");
            }
            intent.intentFiles = pageInputs.collect(in);
            return runAction(intent, pageInputs.nulSeparated, out, err);
        }
        if (stampCommand->parsed()) {
            FenAppSimpleStampIntent intent;
            intent.stampText = stampText;
            intent.isDateIncluded = includeDate;
            intent.intentFiles = stampInputs.collect(in);
            return runAction(intent, stampInputs.nulSeparated, out, err);
        }
        if (textCommand->parsed()) {
            FenAppSimpleTextIntent intent;
            intent.text = text;
            intent.intentFiles = textInputs.collect(in);
            return runAction(intent, textInputs.nulSeparated, out, err);
        }
        if (auto status = presetCommands.run(in, out, err)) {
            return *status;
        }
        if (listCommand->parsed()) {
            printListValues(enumName, out);
            return exitAllWritten;
        }
        if (shortcutsCommand->parsed()) {
            printShortcuts(out);
            return exitAllWritten;
        }
    } catch (const UsageError& e) {
        err << programName << ": " << e.message << '\n';
        return exitUsage;
    }
    return exitUsage;
}

} // namespace fen::cli
