#pragma once

#include "cli/CommandLineSupport.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace CLI {
class App;
} // namespace CLI

namespace fen::cli {

// The commands of fenmoor-cli that watermark with values given on the command line alone:
// `page-number`, `add-a-stamp` and `add-some-text`. Each writes one file per input PDF file.
class ActionCommands {
public:
    // Adds the three commands to `app`.
    explicit ActionCommands(CLI::App& app);

    // Runs the command of this group that was parsed; nothing when another command was chosen.
    // Written files go to `out`, diagnostics to `err`; `in` is read for `--files-from -`.
    // Throws UsageError for a value that is not valid.
    std::optional<int> run(std::istream& in, std::ostream& out, std::ostream& err);

private:
    CLI::App* pageCommand_ = nullptr;
    InputOptions pageInputs_;
    std::optional<std::string> pagePosition_;

    CLI::App* stampCommand_ = nullptr;
    InputOptions stampInputs_;
    std::string stampText_;
    bool includeDate_ = false;

    CLI::App* textCommand_ = nullptr;
    InputOptions textInputs_;
    std::string text_;
};

} // namespace fen::cli
