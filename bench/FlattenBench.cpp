// Secure saving of a 500-page text PDF with a diagonal text watermark: every page flattened into
// one bitmap at 2 px/pt. Prints the wall time and peak memory of the write beside Ghostscript
// rasterising the same input at the same resolution
// (`gs -sDEVICE=pdfimage24 -r144 -o out.pdf in.pdf`), each run in a fresh process.
//
//   bench_flatten [--pages N] [--runs N] [--keep DIR]

#include "model/FenWatermarkModel.h"
#include "rendering/FenDocument.h"
#include "rendering/FenObjectHolder.h"

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
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

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

struct Run {
    double seconds = 0;
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
        dup2(devnull, 1);
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
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

Run median(std::vector<Run> runs) {
    auto mid = runs.size() / 2;
    std::sort(runs.begin(), runs.end(), [](auto& a, auto& b) { return a.seconds < b.seconds; });
    Run r = runs[mid];
    std::sort(runs.begin(), runs.end(), [](auto& a, auto& b) { return a.peakMiB < b.peakMiB; });
    r.peakMiB = runs[mid].peakMiB;
    for (const auto& x : runs) {
        r.status = std::max(r.status, x.status);
    }
    return r;
}

std::uintmax_t sizeOf(const fs::path& path, int status) {
    std::error_code ec;
    auto size = fs::file_size(path, ec);
    return status == 0 && !ec ? size : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--write-child") {
        return writeFlattened(argv[2], argv[3]);
    }
    int pages = 500, runs = 1;
    std::string keep;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--pages") {
            pages = std::max(1, std::atoi(argv[i + 1]));
        } else if (a == "--runs") {
            runs = std::max(1, std::atoi(argv[i + 1]));
        } else if (a == "--keep") {
            keep = argv[i + 1];
        }
    }
    std::string pattern = (fs::temp_directory_path() / "fenmoor-bench-XXXXXX").string();
    fs::path dir = keep.empty() ? fs::path(mkdtemp(pattern.data())) : fs::path(keep);
    fs::create_directories(dir);
    fs::path input = dir / "input.pdf";
    fs::path ours = dir / "out-fenmoor.pdf", theirs = dir / "out-gs.pdf";
    makeInput(input, pages);

    std::string self = fs::read_symlink("/proc/self/exe").string();
    std::vector<Run> mine, reference;
    for (int i = 0; i < runs; ++i) {
        mine.push_back(runProcess({self, "--write-child", input.string(), ours.string()}));
        reference.push_back(runProcess(
            {"gs", "-q", "-sDEVICE=pdfimage24", "-r144", "-o", theirs.string(), input.string()}));
    }
    Run m = median(mine), g = median(reference);
    std::printf("input: %d pages, %ju bytes; %d run(s), medians\n", pages,
                static_cast<std::uintmax_t>(fs::file_size(input)), runs);
    std::printf("%-34s %9s %12s %14s %s\n", "", "wall s", "peak MiB", "output bytes", "exit");
    std::printf("%-34s %9.3f %12.1f %14ju %d\n", "secure saving (text watermark)", m.seconds,
                m.peakMiB, sizeOf(ours, m.status), m.status);
    std::printf("%-34s %9.3f %12.1f %14ju %d\n", "gs -sDEVICE=pdfimage24 -r144", g.seconds,
                g.peakMiB, sizeOf(theirs, g.status), g.status);
    std::printf("ratio: time %.3f (target <= 0.333); peak memory %.1f MiB (target < 500 MB)\n",
                m.seconds / g.seconds, m.peakMiB);
    if (keep.empty()) {
        fs::remove_all(dir);
    }
    return m.status == 0 && g.status == 0 ? 0 : 1;
}
