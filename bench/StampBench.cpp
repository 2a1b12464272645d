// Runs the release fenmoor-cli over a folder of one-page text PDFs: `add-a-stamp --text Paid`
// (a 2000-pixel stamp picture drawn into every written file) and, for reference, `page-number`
// on the same folder; prints the wall time, CPU time and peak memory of each (medians of the
// runs, each in a fresh process) and the time per written file.
//
//   bench_stamp [--files N] [--runs N] [--keep DIR] [--cli PATH]
//
// The command line defaults to the fenmoor-cli of the build this benchmark belongs to. Written
// files go to a folder of the work folder (TMPDIR), and the store to another (XDG_DATA_HOME).

#include "BenchSupport.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using fen::bench::Run;

// How many files a run wrote: the folders it made under the output folder.
int writtenFiles(const fs::path& out) {
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        count += entry.is_regular_file() && entry.path().extension() == ".pdf";
    }
    return count;
}

Run measure(int runs, const std::vector<std::string>& argv, const fs::path& out, int& written) {
    std::vector<Run> all;
    for (int i = 0; i < runs; ++i) {
        fs::remove_all(out);
        fs::create_directories(out);
        all.push_back(fen::bench::runProcess(argv));
        written = writtenFiles(out);
    }
    return fen::bench::median(all);
}

} // namespace

int main(int argc, char** argv) {
    using namespace fen::bench;
    int files = 100;
    std::string cli =
        (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "fenmoor-cli").string();
    BenchOptions options = BenchOptions::parse(argc, argv, 3, [&](CLI::App& app) {
        app.add_option("--files", files, "One-page input files")->check(CLI::PositiveNumber);
        app.add_option("--cli", cli, "The fenmoor-cli to run");
    });
    if (!fs::exists(cli)) {
        std::fprintf(stderr, "bench_stamp: no command line at %s (give --cli PATH)\n", cli.c_str());
        return 2;
    }
    WorkFolder folder(options.keep);
    const fs::path inputs = folder.path() / "inputs", out = folder.path() / "out";
    fs::create_directories(inputs);
    for (int i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "in%04d.pdf", i);
        makeTextInput(inputs / name, 1);
    }
    // The children write under the work folder and keep their store there.
    setenv("TMPDIR", out.c_str(), 1);
    setenv("XDG_DATA_HOME", (folder.path() / "data").c_str(), 1);

    int stamped = 0, numbered = 0;
    Run stamp = measure(options.runs, {cli, "add-a-stamp", "--text", "Paid", inputs}, out, stamped);
    Run pages = measure(options.runs, {cli, "page-number", inputs}, out, numbered);
    std::printf("inputs: %d one-page files\n", files);
    std::printf("%-26s %9s %9s %12s %12s %8s %s\n", "", "wall s", "cpu s", "peak MiB",
                "ms per file", "written", "exit");
    auto row = [files](const char* name, const Run& r, int written) {
        std::printf("%-26s %9.3f %9.3f %12.1f %12.1f %8d %d\n", name, r.seconds, r.cpuSeconds,
                    r.peakMiB, 1000 * r.seconds / files, written, r.status);
    };
    row("add-a-stamp --text Paid", stamp, stamped);
    row("page-number (reference)", pages, numbered);
    return stamp.status == 0 && pages.status == 0 && stamped == files && numbered == files ? 0 : 1;
}
