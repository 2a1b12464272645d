#include "cli/FenCommandLine.h"

#include "cli/ActionCommands.h"
#include "cli/CommandLineSupport.h"
#include "cli/PresetCommands.h"
#include "cli/TerminalText.h"
#include "intents/ActionEnumerations.h"
#include "intents/SiriAppShortcuts.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace fen::cli {

namespace {

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

// The commands that print what the others take and write nothing: `list-values` and
// `shortcuts`.
class ReferenceCommands {
public:
    explicit ReferenceCommands(CLI::App& app) {
        listCommand_ = app.add_subcommand(
            "list-values", "Lists the values of an enumeration option: raw value and title");
        std::string enumNames;
        for (const auto& e : actionEnumerations()) {
            enumNames += (enumNames.empty() ? "" : ", ") + std::string(e.name);
        }
        listCommand_
            ->add_option("enumeration", enumName_,
                         "One of " + enumNames + "; without it, every enumeration")
            ->type_name("ENUM");
        shortcutsCommand_ = app.add_subcommand(
            "shortcuts", "Prints the ready-made shortcut phrases, each with the command it runs");
    }

    std::optional<int> run(std::ostream& out) {
        if (listCommand_->parsed()) {
            printListValues(enumName_, out);
            return exitAllWritten;
        }
        if (shortcutsCommand_->parsed()) {
            printShortcuts(out);
            return exitAllWritten;
        }
        return std::nullopt;
    }

private:
    CLI::App* listCommand_ = nullptr;
    std::optional<std::string> enumName_;
    CLI::App* shortcutsCommand_ = nullptr;
};

// CLI11 would take an unknown command for a stray argument and ask for "a subcommand": the
// message that names the known commands instead, or none for a known command or an option.
std::optional<std::string> unknownCommand(const CLI::App& app, int argc, const char* const* argv) {
    if (argc < 2 || argv[1][0] == '-') {
        return std::nullopt;
    }
    std::string names;
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
        if (command->check_name(argv[1])) {
            return std::nullopt;
        }
        names += (names.empty() ? "" : ", ") + command->get_name();
    }
    return "unknown command \"" + std::string(argv[1]) + "\"; commands: " + names;
}

} // namespace

int runCommandLine(int argc, const char* const* argv, std::istream& in, std::ostream& out,
                   std::ostream& err) {
    CLI::App app{"Fenmoor watermarks PDF files without a window and prints the path of every "
                 "file it writes (each into a folder of its own under the temporary directory).",
                 programName};
    app.require_subcommand(1, 1);
    // The project's version, as the build names it.
    app.set_version_flag("--version", std::string(programName) + " " + FENMOOR_VERSION);
    ActionCommands actionCommands(app);
    ReferenceCommands referenceCommands(app);
    PresetCommands presetCommands(app);
    app.footer(exitStatusHelp + "\nRun '" + std::string(programName) +
               " COMMAND --help' for the options of a command.");

    if (auto message = unknownCommand(app, argc, argv)) {
        err << programName << ": " << shownOn(err, *message) << '\n';
        return exitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e, out, err);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e, out, err);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e, out, err);
    } catch (const CLI::ParseError& e) {
        err << programName << ": " << shownOn(err, e.what()) << " (see " << programName
            << " --help)\n";
        return exitUsage;
    }

    try {
        if (auto status = actionCommands.run(in, out, err)) {
            return *status;
        }
        if (auto status = presetCommands.run(in, out, err)) {
            return *status;
        }
        if (auto status = referenceCommands.run(out)) {
            return *status;
        }
    } catch (const UsageError& e) {
        err << programName << ": " << shownOn(err, e.message) << '\n';
        return exitUsage;
    }
    return exitUsage;
}

} // namespace fen::cli
