// Secure saving of a 500-page text PDF with a diagonal text watermark: every page flattened into
// one bitmap at 2 px/pt. Prints the wall time and peak memory of the write beside Ghostscript
// rasterising the same input at the same resolution
// (`gs -sDEVICE=pdfimage24 -r144 -o out.pdf in.pdf`), each run in a fresh process.
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

namespace {

namespace fs = std::filesystem;

// The child's work: open, and write every page flattened with a diagonal text watermark.
int writeFlattened(const char* in, const char* out) {
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
    holder->isSecureSaving = true;
    document->wmObjectHolder = holder;
    document->isSaving = true;
    return document->write(out) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--write-child") {
        return writeFlattened(argv[2], argv[3]);
    }
    using namespace fen::bench;
    BenchOptions options = BenchOptions::parse(argc, argv, 1);
    WorkFolder folder(options.keep);
    const fs::path& dir = folder.path();
    fs::path input = dir / "input.pdf";
    fs::path ours = dir / "out-fenmoor.pdf", theirs = dir / "out-gs.pdf";
    makeTextInput(input, options.pages);

    auto [m, g] = compareWithReference(
        options.runs, input, ours,
        {"gs", "-q", "-sDEVICE=pdfimage24", "-r144", "-o", theirs.string(), input.string()});
    std::printf("input: %d pages, %ju bytes; %d run(s), medians\n", options.pages,
                static_cast<std::uintmax_t>(fs::file_size(input)), options.runs);
    std::printf("%-34s %9s %12s %14s %s\n", "", "wall s", "peak MiB", "output bytes", "exit");
    std::printf("%-34s %9.3f %12.1f %14ju %d\n", "secure saving (text watermark)", m.seconds,
                m.peakMiB, outputSize(ours, m.status), m.status);
    std::printf("%-34s %9.3f %12.1f %14ju %d\n", "gs -sDEVICE=pdfimage24 -r144", g.seconds,
                g.peakMiB, outputSize(theirs, g.status), g.status);
    std::printf("ratio: time %.3f (target <= 0.333); peak memory %.1f MiB (target < 500 MB)\n",
                m.seconds / g.seconds, m.peakMiB);
    return m.status == 0 && g.status == 0 ? 0 : 1;
}
