// How long a text list of the largest size taken (16 MB) holds up its import, and how much memory
// it takes: a Western list of 9,000 long lines in Windows-1252, bytes above 0x7F at random (in
// one run, and in short words), and a list of more lines than are taken, which is refused before
// it is decoded. Each case runs in a child process of its own; prints the wall and CPU time of the
// import, the child's peak memory and the outcome.
// Targets: each in a few seconds (most of it is the encoding detector's), and a list of too many
// lines in a fraction of that.
//
//   bench_textlist [--keep DIR]

#include "BenchSupport.h"

#include "platform/foundation/Url.h"
#include "storage/ListOfTextImporter.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kSize = fen::ListOfTextImporter::maximumFileSize - 100;

// `line()` again and again, up to kSize bytes.
std::string filled(const std::function<std::string()>& line) {
    std::string bytes;
    while (bytes.size() < kSize) {
        bytes += line();
    }
    bytes.resize(kSize);
    return bytes;
}

struct Case {
    std::string name;
    std::function<std::string(std::mt19937&)> bytes;
};

// Imports in a child process and prints what it took.
void measure(const Case& c, const fs::path& work) {
    std::mt19937 random(7);
    const fs::path file = work / (c.name + ".txt");
    std::ofstream(file, std::ios::binary) << c.bytes(random);
    const fen::bench::ChildRun run = fen::bench::runInChild(2, [&file] {
        const auto start = std::chrono::steady_clock::now();
        const auto imported = fen::ListOfTextImporter::read(fen::Url::fileURL(file));
        return std::vector<double>{
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            imported.tooManyTexts ? -2.0 : static_cast<double>(imported.texts.size())};
    });
    const std::vector<double>& report = run.figures;
    const std::string outcome = report[1] == -2 ? "too many texts"
                                : report[1] == -1
                                    ? "died"
                                    : std::to_string(static_cast<long>(report[1])) + " texts";
    std::printf("%-22s %7.2f s %7.2f s CPU %7.1f MiB peak  %s\n", c.name.c_str(), report[0],
                run.cpuSeconds, run.peakMiB, outcome.c_str());
}

} // namespace

int main(int argc, char** argv) {
    fen::bench::BenchOptions options = fen::bench::BenchOptions::parse(argc, argv, 1);
    fen::bench::WorkFolder work(options.keep);
    const std::vector<std::string> words = {"Gr\xF6\xDF"
                                            "e",
                                            "\xC4pfel",
                                            "Stra\xDF"
                                            "e",
                                            "M\xFCnchen",
                                            "K\xF6ln",
                                            "Br\xF6tchen",
                                            "Kaffee"};
    const auto high = [](std::mt19937& random) {
        return static_cast<char>(0x80 + random() % 0x80);
    };
    const std::vector<Case> cases = {
        {"western-1252",
         [&](std::mt19937& random) {
             return filled([&] {
                 std::string line;
                 for (int i = 0; i < 250; ++i) {
                     line += words[random() % words.size()] + " ";
                 }
                 return line + "\n";
             });
         }},
        {"random-high-bytes",
         [&](std::mt19937& random) {
             return filled([&] { return std::string(1, high(random)); });
         }},
        {"random-high-words",
         [&](std::mt19937& random) {
             return filled([&] {
                 std::string word(1 + random() % 8, ' ');
                 for (char& c : word) {
                     c = high(random);
                 }
                 return word + (random() % 2048 ? " " : "\n");
             });
         }},
        {"too-many-lines-852",
         [&](std::mt19937&) { return filled([] { return std::string("Gy\x8Br\n"); }); }},
    };
    for (const Case& c : cases) {
        measure(c, work.path());
    }
    return 0;
}
