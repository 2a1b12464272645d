#pragma once

#include "cli/CommandLineSupport.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class Option;
} // namespace CLI

namespace fen::cli {

// The commands of fenmoor-cli that use the stored presets: `create-from-presets` and
// `create-from-text-presets` apply one by name, `list-presets KIND` prints the names a preset
// option takes. They read the store the window writes (or the one `--store` names) without ever
// changing its presets (a save another program was killed in is rolled back first, never read).
// A preset name that matches nothing is a warning and exit status 1, and so is a store file that
// cannot be read (one line with the reason); an empty name is a usage error.
// `--summary` prints an action's filled-in summary and writes nothing.
class PresetCommands {
public:
    // Adds the three commands to `app`.
    explicit PresetCommands(CLI::App& app);

    // Runs the command of this group that was parsed; nothing when another command was chosen.
    // Written files go to `out`, diagnostics to `err`; `in` is read for `--files-from -`.
    std::optional<int> run(std::istream& in, std::ostream& out, std::ostream& err);

private:
    // What every command of the group reads its inputs and store from.
    struct Common {
        InputOptions inputs;
        std::optional<std::string> store;
        bool summary = false;
    };
    void addCommon(CLI::App& command, Common& common, bool isAction);

    int runCreateFromPresets(std::istream& in, std::ostream& out, std::ostream& err);
    int runCreateFromTextPresets(std::istream& in, std::ostream& out, std::ostream& err);
    int runListPresets(std::ostream& out);

    CLI::App* presetsCommand_ = nullptr;
    Common presetsOptions_;
    std::string presetsType_;
    std::optional<std::string> presetsName_;

    CLI::App* textPresetsCommand_ = nullptr;
    Common textPresetsOptions_;
    std::optional<std::string> textPresetsName_;
    std::optional<std::string> textPresetsText_;
    std::optional<std::string> textPresetsPosition_;

    CLI::App* listCommand_ = nullptr;
    Common listOptions_;
    std::string listKind_;
};

} // namespace fen::cli
