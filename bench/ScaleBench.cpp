// How the release fenmoor-cli scales with the page count: `page-number`, `add-some-text --text
// Draft` and `add-a-stamp --text Paid` on text files of 500, 5,000 and 20,000 pages (copies of
// one 5,000-page file joined with qpdf), and `qpdf --overlay` of a one-page stamp on the same
// files for reference. Prints the wall time, CPU time and peak memory of each (medians of the
// runs, each in a fresh process), the time per page, and the ratios: time per page at the
// largest size over the smallest for each command (target <= 1.2), and page-number over qpdf
// --overlay at the largest size (target <= 1.5). The CPU time is the steadier figure on a busy
// machine.
//
//   bench_scale [--runs N] [--keep DIR] [--cli PATH] [--sizes 500,5000,20000]
//
// The command line defaults to the fenmoor-cli of the build this benchmark belongs to. Written
// files go to a folder of the work folder (TMPDIR), and the store to another (XDG_DATA_HOME).

#include "BenchSupport.h"

#include <CLI/CLI.hpp>

#include <cairo-pdf.h>
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using fen::bench::Run;

constexpr int sourcePages = 5000;

// One page with a red "PAID" across it, for qpdf --overlay.
void makeStamp(const fs::path& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    cairo_surface_t* surface =
        cairo_pdf_surface_create_for_stream(fen::bench::writeToFile, f, 612, 792);
    cairo_t* cr = cairo_create(surface);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 96);
    cairo_set_source_rgba(cr, 0.85, 0.1, 0.1, 0.8);
    cairo_move_to(cr, 180, 430);
    cairo_show_text(cr, "PAID");
    cairo_show_page(cr);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    std::fclose(f);
}

// `pages` pages of the source: its first pages, or whole copies of it joined.
bool makeInput(const fs::path& source, const fs::path& path, int pages) {
    std::vector<std::string> argv = {"qpdf", "--empty", "--pages"};
    if (pages < sourcePages) {
        argv.push_back(source.string());
        argv.push_back("1-" + std::to_string(pages));
    } else {
        for (int i = 0; i < pages / sourcePages; ++i) {
            argv.push_back(source.string());
        }
    }
    argv.push_back("--");
    argv.push_back(path.string());
    return fen::bench::runProcess(argv).status == 0;
}

Run measure(int runs, const std::vector<std::string>& argv, const fs::path& out) {
    std::vector<Run> all;
    for (int i = 0; i < runs; ++i) {
        fs::remove_all(out);
        fs::create_directories(out);
        all.push_back(fen::bench::runProcess(argv));
    }
    fs::remove_all(out);
    return fen::bench::median(all);
}

std::vector<int> parseSizes(const std::string& list) {
    std::vector<int> sizes;
    std::stringstream in(list);
    std::string item;
    while (std::getline(in, item, ',')) {
        int n = std::atoi(item.c_str());
        // Joined copies come in whole multiples of the source.
        if (n > sourcePages) {
            n -= n % sourcePages;
        }
        if (n > 0) {
            sizes.push_back(n);
        }
    }
    return sizes;
}

} // namespace

int main(int argc, char** argv) {
    using namespace fen::bench;
    fs::path cli = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "fenmoor-cli";
    std::string cliOption, sizesOption;
    BenchOptions options = BenchOptions::parse(argc, argv, 1, [&](CLI::App& app) {
        app.add_option("--cli", cliOption, "The fenmoor-cli to measure");
        app.add_option("--sizes", sizesOption, "Page counts, separated by commas");
    });
    if (!cliOption.empty()) {
        cli = cliOption;
    }
    std::vector<int> sizes = {500, 5000, 20000};
    if (!sizesOption.empty()) {
        sizes = parseSizes(sizesOption);
    }
    if (!fs::exists(cli)) {
        std::fprintf(stderr, "bench_scale: no command line at %s (give --cli PATH)\n", cli.c_str());
        return 2;
    }
    if (sizes.empty()) {
        std::fprintf(stderr, "bench_scale: no page counts in --sizes\n");
        return 2;
    }
    WorkFolder folder(options.keep);
    const fs::path source = folder.path() / "source.pdf", stamp = folder.path() / "stamp.pdf";
    const fs::path out = folder.path() / "out";
    makeTextInput(source, sourcePages);
    makeStamp(stamp);
    setenv("TMPDIR", out.c_str(), 1);
    setenv("XDG_DATA_HOME", (folder.path() / "data").c_str(), 1);

    struct Command {
        const char* name;
        std::vector<std::string> args;
    };
    const std::vector<Command> commands = {
        {"page-number", {cli.string(), "page-number"}},
        {"add-some-text --text Draft", {cli.string(), "add-some-text", "--text", "Draft"}},
        {"add-a-stamp --text Paid", {cli.string(), "add-a-stamp", "--text", "Paid"}},
        {"qpdf --overlay (one page)", {}},
    };
    // results[command][size]
    std::vector<std::vector<Run>> results(commands.size());
    bool ok = true;
    std::printf("%7s  %-26s %9s %9s %10s %11s %11s %5s\n", "pages", "command", "wall s", "cpu s",
                "peak MiB", "wall ms/pg", "cpu ms/pg", "exit");
    for (int pages : sizes) {
        const fs::path input = folder.path() / ("in" + std::to_string(pages) + ".pdf");
        if (!makeInput(source, input, pages)) {
            std::fprintf(stderr, "bench_scale: qpdf could not make the %d-page input\n", pages);
            return 2;
        }
        for (size_t c = 0; c < commands.size(); ++c) {
            std::vector<std::string> args = commands[c].args;
            if (args.empty()) {
                fs::create_directories(out);
                args = {"qpdf",
                        input.string(),
                        "--overlay",
                        stamp.string(),
                        "--repeat=1",
                        "--",
                        (out / "overlay.pdf").string()};
            } else {
                args.push_back(input.string());
            }
            Run r = measure(options.runs, args, out);
            // qpdf exits with 3 when it only warned.
            ok = ok && (r.status == 0 || (args[0] == "qpdf" && r.status == 3));
            results[c].push_back(r);
            std::printf("%7d  %-26s %9.3f %9.3f %10.1f %11.4f %11.4f %5d\n", pages,
                        commands[c].name, r.seconds, r.cpuSeconds, r.peakMiB,
                        1000 * r.seconds / pages, 1000 * r.cpuSeconds / pages, r.status);
            std::fflush(stdout);
        }
        fs::remove(input);
    }
    const size_t last = sizes.size() - 1;
    std::printf("\ntime per page at %d pages over time per page at %d pages (target <= 1.2):\n",
                sizes[last], sizes[0]);
    for (size_t c = 0; c + 1 < commands.size(); ++c) {
        const Run& small = results[c][0];
        const Run& large = results[c][last];
        double wall = (large.seconds / sizes[last]) / (small.seconds / sizes[0]);
        double cpu = (large.cpuSeconds / sizes[last]) / (small.cpuSeconds / sizes[0]);
        std::printf("  %-26s wall %.2f, cpu %.2f\n", commands[c].name, wall, cpu);
    }
    const Run& numbered = results[0][last];
    const Run& overlay = results[commands.size() - 1][last];
    std::printf("page-number over qpdf --overlay at %d pages (target <= 1.5): wall %.2f, cpu %.2f, "
                "peak memory %.2f\n",
                sizes[last], numbered.seconds / overlay.seconds,
                numbered.cpuSeconds / overlay.cpuSeconds, numbered.peakMiB / overlay.peakMiB);
    return ok ? 0 : 1;
}
