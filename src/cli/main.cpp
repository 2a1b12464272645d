#include "cli/FenCommandLine.h"
#include "platform/foundation/Log.h"

#include <iostream>

int main(int argc, char** argv) {
    // The core's messages go to standard error as they are, one line each.
    fen::log::setHandler([](fen::log::Level, std::string_view text) { std::cerr << text << '\n'; });
    return fen::cli::runCommandLine(argc, argv, std::cin, std::cout, std::cerr);
}
