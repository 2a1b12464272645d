// Writes a 500-page text PDF with a centred text drawn over every page, and runs
// `qpdf --overlay` with an equivalent one-page stamp on the same input; prints the wall time, CPU
// time and peak memory of both (medians of three runs, each in a fresh process) and their ratios.
// The CPU time is the steadier figure on a busy machine.
//
//   bench_pdfwrite [--pages N] [--runs N] [--keep DIR]

#include "platform/graphics/Context.h"
#include "platform/pdf/Document.h"
#include "platform/pdf/Page.h"
#include "platform/text/Font.h"
#include "platform/text/TextLine.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const char* const stampText = "CONFIDENTIAL";
constexpr double stampSize = 64;

fen::text::TextLine stampLine() {
    fen::text::AttributedString s;
    s.text = stampText;
    s.font = fen::text::Font::make("Helvetica Neue", "Bold", stampSize)
                 .value_or(fen::text::Font::systemFont(stampSize));
    s.foregroundColor = fen::gfx::Color{0.8, 0.1, 0.1, 0.5};
    return fen::text::TextLine(s);
}

// Draws the stamp centred on a page of `w` × `h` points (y-up context).
void drawStamp(fen::gfx::Context& ctx, const fen::text::TextLine& line, double w, double h) {
    double x = (w - line.typographicWidth()) / 2;
    double y = (h - line.ascent() + line.descent()) / 2;
    line.draw(ctx, {x, y});
}

cairo_status_t toFile(void* closure, const unsigned char* data, unsigned int length) {
    return std::fwrite(data, 1, length, static_cast<FILE*>(closure)) == length
               ? CAIRO_STATUS_SUCCESS
               : CAIRO_STATUS_WRITE_ERROR;
}

// The input: Letter pages of 41 lines of text each, drawn with cairo.
void makeInput(const fs::path& path, int pages) {
    FILE* f = std::fopen(path.c_str(), "wb");
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(toFile, f, 612, 792);
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

// The same stamp as one PDF page, for qpdf --overlay.
void makeStamp(const fs::path& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(toFile, f, 612, 792);
    cairo_t* cr = cairo_create(surface);
    {
        fen::gfx::Context ctx(cr, 792);
        drawStamp(ctx, stampLine(), 612, 792);
    }
    cairo_show_page(cr);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    std::fclose(f);
}

class StampPage : public fen::pdf::Page {
public:
    StampPage(fen::pdf::Document& d, int i, const fen::text::TextLine& line)
        : Page(d, i), line_(line) {}
    void draw(fen::pdf::Box box, fen::gfx::Context& ctx) override {
        Page::draw(box, ctx);
        fen::gfx::Rect r = bounds(box);
        drawStamp(ctx, line_, r.width, r.height);
    }

private:
    const fen::text::TextLine& line_;
};

// The child's work: open, write with a stamp over every page.
int writeStamped(const char* in, const char* out) {
    fen::pdf::Document doc;
    if (doc.openFile(in) != fen::pdf::OpenResult::opened) {
        return 2;
    }
    fen::text::TextLine line = stampLine();
    doc.setPageFactory(
        [&line](fen::pdf::Document& d, int i) { return std::make_unique<StampPage>(d, i, line); });
    return doc.write(out) ? 0 : 1;
}

struct Run {
    double seconds = 0;
    double cpuSeconds = 0;
    double peakMiB = 0;
    int status = -1;
};

Run runProcess(const std::vector<std::string>& argv) {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> args;
        for (const auto& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        int devnull = ::open("/dev/null", O_WRONLY);
        dup2(devnull, 2);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Run r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    r.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
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

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--write-child") {
        return writeStamped(argv[2], argv[3]);
    }
    int pages = 500, runs = 3;
    std::string keep;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--pages") {
            pages = std::atoi(argv[i + 1]);
        } else if (a == "--runs") {
            runs = std::max(1, std::atoi(argv[i + 1]));
        } else if (a == "--keep") {
            keep = argv[i + 1];
        }
    }
    std::string pattern = (fs::temp_directory_path() / "fenmoor-bench-XXXXXX").string();
    fs::path dir = keep.empty() ? fs::path(mkdtemp(pattern.data())) : fs::path(keep);
    fs::create_directories(dir);
    fs::path input = dir / "input.pdf", stamp = dir / "stamp.pdf";
    fs::path ours = dir / "out-fenmoor.pdf", theirs = dir / "out-qpdf.pdf";
    makeInput(input, pages);
    makeStamp(stamp);

    std::string self = fs::read_symlink("/proc/self/exe").string();
    std::vector<Run> mine, reference;
    for (int i = 0; i < runs; ++i) {
        mine.push_back(runProcess({self, "--write-child", input.string(), ours.string()}));
        reference.push_back(runProcess({"qpdf", input.string(), "--overlay", stamp.string(),
                                        "--repeat=1", "--", theirs.string()}));
    }
    Run m = median(mine), q = median(reference);
    std::printf("input: %d pages, %ju bytes\n", pages,
                static_cast<std::uintmax_t>(fs::file_size(input)));
    std::printf("%-26s %9s %9s %12s %14s %s\n", "", "wall s", "cpu s", "peak MiB", "output bytes",
                "exit");
    std::printf("%-26s %9.3f %9.3f %12.1f %14ju %d\n", "Document::write + stamp", m.seconds,
                m.cpuSeconds, m.peakMiB,
                static_cast<std::uintmax_t>(m.status == 0 ? fs::file_size(ours) : 0), m.status);
    std::printf("%-26s %9.3f %9.3f %12.1f %14ju %d\n", "qpdf --overlay (one page)", q.seconds,
                q.cpuSeconds, q.peakMiB,
                static_cast<std::uintmax_t>(q.status == 0 ? fs::file_size(theirs) : 0), q.status);
    std::printf("ratio: wall time %.2f (target <= 1.5), cpu time %.2f, peak memory %.2f "
                "(target <= 2.0)\n",
                m.seconds / q.seconds, m.cpuSeconds / q.cpuSeconds, m.peakMiB / q.peakMiB);
    if (keep.empty()) {
        fs::remove_all(dir);
    }
    return m.status == 0 && q.status == 0 ? 0 : 1;
}
