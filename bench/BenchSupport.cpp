#include "BenchSupport.h"

#include "support/Process.h"

#include <CLI/CLI.hpp>
#include <cairo-pdf.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace fen::bench {

namespace fs = std::filesystem;

BenchOptions BenchOptions::parse(int argc, char** argv, int defaultRuns,
                                 const std::function<void(CLI::App&)>& more) {
    BenchOptions options;
    options.runs = defaultRuns;
    CLI::App app;
    app.add_option("--pages", options.pages, "Pages of the input")->check(CLI::PositiveNumber);
    app.add_option("--runs", options.runs, "Runs of each program")->check(CLI::PositiveNumber);
    app.add_option("--keep", options.keep, "Folder that keeps the input and the outputs");
    if (more) {
        more(app);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        std::exit(app.exit(e));
    }
    return options;
}

WorkFolder::WorkFolder(const std::string& keep) : removeAfter_(keep.empty()) {
    std::string pattern = (fs::temp_directory_path() / "fenmoor-bench-XXXXXX").string();
    path_ = keep.empty() ? fs::path(mkdtemp(pattern.data())) : fs::path(keep);
    fs::create_directories(path_);
}

WorkFolder::~WorkFolder() {
    if (removeAfter_) {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
}

ChildRun runInChild(std::size_t figures, const std::function<std::vector<double>()>& work) {
    ChildRun run{std::vector<double>(figures, -1)};
    std::fflush(stdout);
    int channel[2];
    if (pipe(channel) != 0) {
        return run;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(channel[0]);
        std::vector<double> told = work();
        told.resize(figures, -1);
        (void)!write(channel[1], told.data(), figures * sizeof(double));
        _exit(0);
    }
    close(channel[1]);
    (void)!read(channel[0], run.figures.data(), figures * sizeof(double));
    close(channel[0]);
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024;
    return run;
}

Run runProcess(const std::vector<std::string>& argv) {
    process::Result result = process::run(argv, {.capture = false});
    return {result.seconds, result.cpuSeconds, static_cast<double>(result.peakKb) / 1024.0,
            result.exitCode};
}

Run median(std::vector<Run> runs) {
    auto mid = runs.size() / 2;
    std::sort(runs.begin(), runs.end(), [](auto& a, auto& b) { return a.seconds < b.seconds; });
    Run r = runs[mid];
    std::sort(runs.begin(), runs.end(), [](auto& a, auto& b) { return a.peakMiB < b.peakMiB; });
    r.peakMiB = runs[mid].peakMiB;
    std::sort(runs.begin(), runs.end(),
              [](auto& a, auto& b) { return a.cpuSeconds < b.cpuSeconds; });
    r.cpuSeconds = runs[mid].cpuSeconds;
    for (const auto& x : runs) {
        r.status = std::max(r.status, x.status);
    }
    return r;
}

Comparison compareWithReference(int runs, const fs::path& input, const fs::path& output,
                                const std::vector<std::string>& reference) {
    std::string self = fs::read_symlink("/proc/self/exe").string();
    std::vector<Run> mine, theirs;
    for (int i = 0; i < runs; ++i) {
        mine.push_back(runProcess({self, "--write-child", input.string(), output.string()}));
        theirs.push_back(runProcess(reference));
    }
    return {median(mine), median(theirs)};
}

std::uintmax_t outputSize(const fs::path& path, int status) {
    std::error_code ec;
    auto size = fs::file_size(path, ec);
    return status == 0 && !ec ? size : 0;
}

cairo_status_t writeToFile(void* closure, const unsigned char* data, unsigned int length) {
    return std::fwrite(data, 1, length, static_cast<FILE*>(closure)) == length
               ? CAIRO_STATUS_SUCCESS
               : CAIRO_STATUS_WRITE_ERROR;
}

void makeTextInput(const fs::path& path, int pages) {
    FILE* f = std::fopen(path.c_str(), "wb");
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(writeToFile, f, 612, 792);
    cairo_t* cr = cairo_create(surface);
    cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 11);
    for (int p = 1; p <= pages; ++p) {
        for (int l = 0; l < 41; ++l) {
            std::string text = "Page " + std::to_string(p) + ", line " + std::to_string(l + 1) +
                               ": Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do";
            cairo_move_to(cr, 54, 60 + l * 17.0);
            cairo_show_text(cr, text.c_str());
        }
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    std::fclose(f);
}

} // namespace fen::bench
