#pragma once

#include <iosfwd>

namespace fen::cli {

// The exit statuses of fenmoor-cli.
enum ExitStatus {
    // Every input was written.
    exitAllWritten = 0,
    // Some input was skipped (or gave no output).
    exitSomeSkipped = 1,
    // The command line itself was wrong; nothing was processed.
    exitUsage = 2,
};

// Runs fenmoor-cli: parses the command line, runs the chosen action over its inputs, writes the
// written files to `out` (one per line, or NUL-terminated with -0) and one line per skipped input
// or usage error to `err`. `in` is read for `--files-from -`. Returns the exit status.
int runCommandLine(int argc, const char* const* argv, std::istream& in, std::ostream& out,
                   std::ostream& err);

} // namespace fen::cli
