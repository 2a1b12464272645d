// Writes a 500-page text PDF with a centred text drawn over every page, and runs
// `qpdf --overlay` with an equivalent one-page stamp on the same input; prints the wall time, CPU
// time and peak memory of both (medians of three runs, each in a fresh process) and their ratios.
// The CPU time is the steadier figure on a busy machine. Then the same write is stopped halfway
// through drawing the pages, merging them and writing the file (as Cancel and Quit stop an
// export): how long it goes on once stopped, and whether it left a file.
//
//   bench_pdfwrite [--pages N] [--runs N] [--keep DIR]

#include "BenchSupport.h"

#include "platform/graphics/Context.h"
#include "platform/pdf/Document.h"
#include "platform/pdf/Page.h"
#include "platform/text/Font.h"
#include "platform/text/TextLine.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

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

// The same stamp as one PDF page, for qpdf --overlay.
void makeStamp(const fs::path& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    cairo_surface_t* surface =
        cairo_pdf_surface_create_for_stream(fen::bench::writeToFile, f, 612, 792);
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

// Writes `in` with the stamp as writeStamped does, setting the stop once the write reports
// `stage` with `at` or more; the seconds from the stop to the write's return, and whether
// anything was left in the output's folder.
struct Stopped {
    double seconds = 0;
    bool left = false;
};
Stopped stopAt(const fs::path& in, const fs::path& folder, fen::pdf::WriteStage stage, int at) {
    fs::create_directories(folder);
    fen::pdf::Document doc;
    doc.openFile(in);
    fen::text::TextLine line = stampLine();
    doc.setPageFactory(
        [&line](fen::pdf::Document& d, int i) { return std::make_unique<StampPage>(d, i, line); });
    using Clock = std::chrono::steady_clock;
    std::atomic<bool> stop{false};
    Clock::time_point stoppedAt = Clock::now();
    doc.write((folder / "stopped.pdf").string(), {},
              [&](fen::pdf::WriteStage reported, int value) {
                  if (!stop && reported == stage && value >= at) {
                      stoppedAt = Clock::now();
                      stop = true;
                  }
              },
              &stop);
    Stopped result;
    result.seconds = std::chrono::duration<double>(Clock::now() - stoppedAt).count();
    result.left = !fs::is_empty(folder);
    return result;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--write-child") {
        return writeStamped(argv[2], argv[3]);
    }
    using namespace fen::bench;
    BenchOptions options = BenchOptions::parse(argc, argv, 3);
    WorkFolder folder(options.keep);
    const fs::path& dir = folder.path();
    fs::path input = dir / "input.pdf", stamp = dir / "stamp.pdf";
    fs::path ours = dir / "out-fenmoor.pdf", theirs = dir / "out-qpdf.pdf";
    makeTextInput(input, options.pages);
    makeStamp(stamp);

    auto [m, q] = compareWithReference(
        options.runs, input, ours,
        {"qpdf", input.string(), "--overlay", stamp.string(), "--repeat=1", "--", theirs.string()});
    std::printf("input: %d pages, %ju bytes\n", options.pages,
                static_cast<std::uintmax_t>(fs::file_size(input)));
    std::printf("%-26s %9s %9s %12s %14s %s\n", "", "wall s", "cpu s", "peak MiB", "output bytes",
                "exit");
    std::printf("%-26s %9.3f %9.3f %12.1f %14ju %d\n", "Document::write + stamp", m.seconds,
                m.cpuSeconds, m.peakMiB, outputSize(ours, m.status), m.status);
    std::printf("%-26s %9.3f %9.3f %12.1f %14ju %d\n", "qpdf --overlay (one page)", q.seconds,
                q.cpuSeconds, q.peakMiB, outputSize(theirs, q.status), q.status);
    std::printf("ratio: wall time %.2f (target <= 1.5), cpu time %.2f, peak memory %.2f "
                "(target <= 2.0)\n",
                m.seconds / q.seconds, m.cpuSeconds / q.cpuSeconds, m.peakMiB / q.peakMiB);

    using fen::pdf::WriteStage;
    const struct {
        const char* phase;
        WriteStage stage;
        int at;
    } halfway[] = {{"drawing the pages", WriteStage::pageEnd, options.pages / 2},
                   {"merging them", WriteStage::pageMerged, options.pages / 2},
                   {"writing the file", WriteStage::fileWritten, 50}};
    bool clean = true;
    std::printf("stopped halfway through  seconds to stop (target <= 1)  left a file\n");
    for (const auto& point : halfway) {
        Stopped stopped = stopAt(input, dir / "stopped", point.stage, point.at);
        std::printf("%-24s %9.3f %32s\n", point.phase, stopped.seconds,
                    stopped.left ? "yes" : "no");
        clean = clean && !stopped.left;
    }
    return m.status == 0 && q.status == 0 && clean ? 0 : 1;
}
