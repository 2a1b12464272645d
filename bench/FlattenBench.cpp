// Secure saving of a 500-page text PDF with a diagonal text watermark: every page flattened into
// one bitmap at 2 px/pt. Prints the wall time, processor time (user and system), peak memory and
// output size of the write beside Ghostscript rasterising the same input at the same resolution
// (`gs -sDEVICE=pdfimage24 -r144 -o out.pdf in.pdf`), each run in a fresh process. That
// Ghostscript draws text without anti-aliasing, in two colours, and without the watermark; so the
// same is also timed drawing the watermarked file (written without flattening, untimed) with
// anti-aliased text and graphics, pixels closer to the flattened page's. Last, ours once more on
// four times the pages: its peak memory must not grow with the page count.
//
//   bench_flatten [--pages N] [--runs N] [--keep DIR]

#include "BenchSupport.h"

#include "model/FenWatermarkModel.h"
#include "rendering/FenDocument.h"
#include "rendering/FenObjectHolder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The child's work: open, and write every page with a diagonal text watermark, flattened or not.
int writeWatermarked(const char* in, const char* out, bool flattened) {
    std::ifstream file(in, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto document = fen::FenDocument::fromData(bytes);
    auto source = std::make_shared<fen::pdf::Document>();
    if (!document || source->openData(bytes) != fen::pdf::OpenResult::opened) {
        return 2;
    }
    auto model = std::make_shared<fen::FenWatermarkModel>();
    fen::TextSettings text;
    text.position = fen::Positions::diagonal;
    text.font.size = 64;
    text.colorOutline.color = {0.8, 0.1, 0.1, 1};
    text.opacity = 40;
    model->textConf = text;
    model->selectedTextItem = fen::TextListItem{"1", "CONFIDENTIAL"};
    auto holder = std::make_shared<fen::FenObjectHolder>();
    holder->model = model;
    holder->pdfDoc = source;
    holder->isSecureSaving = flattened;
    document->wmObjectHolder = holder;
    document->isSaving = true;
    return document->write(out) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--write-child") {
        return writeWatermarked(argv[2], argv[3], true);
    }
    if (argc == 4 && std::string(argv[1]) == "--write-vector") {
        return writeWatermarked(argv[2], argv[3], false);
    }
    using namespace fen::bench;
    BenchOptions options = BenchOptions::parse(argc, argv, 1);
    WorkFolder folder(options.keep);
    const fs::path& dir = folder.path();
    fs::path input = dir / "input.pdf";
    fs::path vector = dir / "watermarked.pdf";
    fs::path ours = dir / "out-fenmoor.pdf", theirs = dir / "out-gs.pdf";
    fs::path smooth = dir / "out-gs-aa.pdf";
    makeTextInput(input, options.pages);
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const Run v = runProcess({self, "--write-vector", input.string(), vector.string()});

    auto [m, g] = compareWithReference(
        options.runs, input, ours,
        {"gs", "-q", "-sDEVICE=pdfimage24", "-r144", "-o", theirs.string(), input.string()});
    std::vector<Run> smoothRuns;
    for (int i = 0; i < options.runs && v.status == 0; ++i) {
        smoothRuns.push_back(
            runProcess({"gs", "-q", "-sDEVICE=pdfimage24", "-r144", "-dTextAlphaBits=4",
                        "-dGraphicsAlphaBits=4", "-o", smooth.string(), vector.string()}));
    }
    const Run a = smoothRuns.empty() ? v : median(smoothRuns);
    const auto ourBytes = outputSize(ours, m.status);
    const auto theirBytes = outputSize(theirs, g.status);
    const auto smoothBytes = outputSize(smooth, a.status);
    std::printf("input: %d pages, %ju bytes; %d run(s), medians\n", options.pages,
                static_cast<std::uintmax_t>(fs::file_size(input)), options.runs);
    std::printf("%-40s %9s %9s %10s %14s %s\n", "", "wall s", "cpu s", "peak MiB", "output bytes",
                "exit");
    auto row = [](const char* name, const Run& r, std::uintmax_t bytes) {
        std::printf("%-40s %9.3f %9.3f %10.1f %14ju %d\n", name, r.seconds, r.cpuSeconds, r.peakMiB,
                    bytes, r.status);
    };
    row("secure saving (text watermark)", m, ourBytes);
    row("gs -sDEVICE=pdfimage24 -r144", g, theirBytes);
    row("gs ... -dTextAlphaBits=4, watermarked", a, smoothBytes);
    std::printf("ratio to gs: wall %.3f (target <= 0.333), cpu %.3f (target <= 0.5), "
                "bytes %.3f (target <= 1)\n",
                m.seconds / g.seconds, m.cpuSeconds / g.cpuSeconds,
                static_cast<double>(ourBytes) / static_cast<double>(theirBytes));
    std::printf("ratio to anti-aliased gs: wall %.3f, cpu %.3f, bytes %.3f\n",
                m.seconds / a.seconds, m.cpuSeconds / a.cpuSeconds,
                static_cast<double>(ourBytes) / static_cast<double>(smoothBytes));
    std::printf("peak memory %.1f MiB (target < 500 MB)\n", m.peakMiB);

    const fs::path longInput = dir / "input-long.pdf";
    makeTextInput(longInput, 4 * options.pages);
    const Run l =
        runProcess({self, "--write-child", longInput.string(), (dir / "out-long.pdf").string()});
    std::printf("secure saving of %d pages: wall %.3f s, cpu %.3f s, peak %.1f MiB, %.2f x the "
                "peak of %d pages (target <= 1.5), exit %d\n",
                4 * options.pages, l.seconds, l.cpuSeconds, l.peakMiB, l.peakMiB / m.peakMiB,
                options.pages, l.status);
    return m.status == 0 && g.status == 0 && a.status == 0 && l.status == 0 ? 0 : 1;
}
