#include "cli/FenCommandLine.h"

#include <iostream>

int main(int argc, char** argv) {
    return fen::cli::runCommandLine(argc, argv, std::cin, std::cout, std::cerr);
}
