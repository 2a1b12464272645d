#pragma once

#include <string>
#include <utility>
#include <vector>

// The one way the tests, the corpus run and the benchmarks start another program: no shell, the
// program looked up on PATH, its output captured or discarded, and what it cost measured. Free of
// the test framework, so that the benchmarks link it too.
namespace fen::process {

struct Options {
    // Fed on standard input (which reads end of file at once when empty).
    std::string input;
    // Standard output and error kept in the result; else sent to /dev/null.
    bool capture = true;
    // Set in the child's environment, over what this process has.
    std::vector<std::pair<std::string, std::string>> environment;
    // The child leads its own process group, and the whole group is killed when the child ends
    // or runs out of time, so that nothing it started outlives it.
    bool ownProcessGroup = false;
    // Killed (with its group when it has one) after this long on the clock; 0: no bound.
    double wallSeconds = 0;
    // The child's own bound on processor time (RLIMIT_CPU, whole seconds, SIGXCPU past it);
    // 0: none.
    double cpuSeconds = 0;
};

struct Result {
    int exitCode = -1; // -1 when it did not exit normally (signal, or it could not be started)
    int signal = 0;    // the signal that ended it
    bool timedOut = false;
    std::string out;
    std::string err;       // its standard error; why it could not be started when it was not
    double seconds = 0;    // on the clock
    double cpuSeconds = 0; // user and system
    long peakKb = 0;       // peak resident memory
};

// Runs `argv` (argv[0] looked up on PATH) and waits for it.
Result run(const std::vector<std::string>& argv, const Options& options = {});

} // namespace fen::process
