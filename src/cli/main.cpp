#include "cli/CommandLineSupport.h"
#include "cli/FenCommandLine.h"
#include "cli/TerminalText.h"
#include "platform/foundation/Log.h"

#include <iostream>

int main(int argc, char** argv) {
    // The core's messages go to standard error one line each, named as the program's own.
    fen::log::setHandler([](fen::log::Level level, std::string_view text) {
        std::cerr << fen::cli::programName << ": "
                  << (level == fen::log::Level::warning ? "warning: " : "")
                  << fen::cli::shownOn(std::cerr, text) << '\n';
    });
    return fen::cli::runCommandLine(argc, argv, std::cin, std::cout, std::cerr);
}
