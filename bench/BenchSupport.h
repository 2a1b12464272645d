#pragma once

#include <cairo.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace fen::bench {

// The command line every write benchmark takes: [--pages N] [--runs N] [--keep DIR].
struct BenchOptions {
    int pages = 500;
    int runs = 1;
    // The folder that keeps the input and the outputs; empty: a temporary folder, removed after.
    std::string keep;

    // Reads the command line; `more` adds a benchmark's own options. Help or a wrong option ends
    // the program.
    static BenchOptions parse(int argc, char** argv, int defaultRuns,
                              const std::function<void(CLI::App&)>& more = {});
};

// The folder a benchmark writes into: the kept folder (created when missing), or a fresh
// temporary one that is removed with this object.
class WorkFolder {
public:
    explicit WorkFolder(const std::string& keep);
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    bool removeAfter_ = false;
};

// One measured process: wall time, CPU time (user and system), peak resident memory and the exit
// status (-1 when it did not exit normally).
struct Run {
    double seconds = 0;
    double cpuSeconds = 0;
    double peakMiB = 0;
    int status = -1;
};

// Runs a program with its output and errors discarded, and measures it.
Run runProcess(const std::vector<std::string>& argv);

// The median of each figure on its own; the worst exit status of all.
Run median(std::vector<Run> runs);

// Runs this program as `--write-child input output` and the reference program `runs` times each,
// alternating, and gives the medians of ours and of the reference.
struct Comparison {
    Run ours;
    Run reference;
};
Comparison compareWithReference(int runs, const std::filesystem::path& input,
                                const std::filesystem::path& output,
                                const std::vector<std::string>& reference);

// What `work`, run in a child process of its own, told (the figures it returned, all -1 when the
// child died first) and what the child took: its CPU time and its peak memory (which includes the
// pages it shares with this program).
struct ChildRun {
    std::vector<double> figures;
    double cpuSeconds = 0;
    double peakMiB = 0;
};
ChildRun runInChild(std::size_t figures, const std::function<std::vector<double>()>& work);

// The size of a written output; 0 when its process failed or the file is not there.
std::uintmax_t outputSize(const std::filesystem::path& path, int status);

// A cairo write function onto an open FILE* (the closure).
cairo_status_t writeToFile(void* closure, const unsigned char* data, unsigned int length);

// The input: Letter pages of 41 lines of text each, drawn with cairo.
void makeTextInput(const std::filesystem::path& path, int pages);

} // namespace fen::bench
