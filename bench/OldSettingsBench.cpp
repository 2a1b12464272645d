// How long the conversion of the earlier version's settings holds up the start, and how much
// memory it takes: 100,000 stamp texts, 100,000 stamp presets and 100,000 page-number formats
// (XML and binary), and the hostile files that are refused (nested 100,000 deep, 300 references
// to one array four levels deep, 32 MB of values). Each case runs in a child process of its own
// against a fresh store; prints the wall and CPU time of the conversion (the CPU time is the
// steadier figure on a busy machine) and the child's peak memory (which includes the pages it
// shares with this program, some 80 MiB).
// Targets: 100,000 entries well under a second; a refused file in well under a second and
// without growing.
//
//   bench_oldsettings [--keep DIR]

#include "BenchSupport.h"

#include "storage/CoreDataBase.h"
#include "storage/OldSettingsTestSupport.h"
#include "storage/OldVersionConverter.h"

#include <plist/plist.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string xmlList(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + body +
           "</dict>\n</plist>\n";
}

std::string stampTexts(int count) {
    std::string body = "<key>stamp_watermark_list</key><array>\n";
    for (int i = 0; i < count; ++i) {
        body += "<string>Stamp " + std::to_string(i) + "</string>\n";
    }
    return xmlList(body + "</array>\n");
}

std::string stampPresets(int count) {
    std::string body = "<key>stamp_presets</key><dict>\n";
    for (int i = 0; i < count; ++i) {
        body += "<key>Preset " + std::to_string(i) +
                "</key><dict><key>StampTitle</key><string>PAID</string><key>Angle</key>"
                "<integer>3</integer><key>ColorR</key><real>1</real></dict>\n";
    }
    return xmlList(body + "</dict>\n");
}

std::string pageNumberFormats(int count) {
    std::string body = "<key>other_watermark_list</key><array>\n";
    for (int i = 0; i < count; ++i) {
        body += "<string>[currentPage] of [totalPages] " + std::to_string(i) + "</string>\n";
    }
    return xmlList(body + "</array>\n");
}

// The same list in the binary format.
std::string asBinary(const std::string& xml) {
    plist_t root = nullptr;
    plist_from_xml(xml.data(), static_cast<uint32_t>(xml.size()), &root);
    return fen::test::binary(root);
}

struct Case {
    std::string name;
    std::function<std::string()> bytes;
};

// Converts in a child process; its wall time in seconds, its peak memory in MiB and its outcome.
void measure(const Case& c, const fs::path& work) {
    const fs::path home = work / c.name;
    fs::remove_all(home);
    const fs::path folder = home / fen::OldVersionConverter::oldBundleIdentifier;
    fs::create_directories(folder / "Images");
    const std::string bytes = c.bytes();
    std::ofstream(folder / "preferences.plist", std::ios::binary) << bytes;
    const fen::bench::ChildRun run = fen::bench::runInChild(3, [&home] {
        setenv("XDG_DATA_HOME", home.c_str(), 1);
        fen::CoreDataBase store(
            fen::PersistenceController(fen::StoreLocation{home / "Store.sqlite"}));
        auto cpuNow = [] {
            struct rusage self {};
            getrusage(RUSAGE_SELF, &self);
            return static_cast<double>(self.ru_utime.tv_sec + self.ru_stime.tv_sec) +
                   static_cast<double>(self.ru_utime.tv_usec + self.ru_stime.tv_usec) / 1e6;
        };
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = cpuNow();
        auto outcome = fen::OldVersionConverter::convertOldVersion(
            store, [](const std::string&) { return std::nullopt; });
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return std::vector<double>{seconds, static_cast<double>(outcome), cpuNow() - cpuStart};
    });
    const std::vector<double>& report = run.figures;
    static const char* outcomes[] = {"no file",          "unreadable",    "unparsable",
                                     "store not copied", "not removable", "converted",
                                     "partly stored"};
    const int outcome = static_cast<int>(report[1]);
    std::printf("%-24s %9.1f KiB %7.3f s %7.3f s CPU %7.1f MiB peak  %s\n", c.name.c_str(),
                static_cast<double>(bytes.size()) / 1024, report[0], report[2], run.peakMiB,
                outcome >= 0 && outcome < 7 ? outcomes[outcome] : "died");
}

} // namespace

int main(int argc, char** argv) {
    fen::bench::BenchOptions options = fen::bench::BenchOptions::parse(argc, argv, 1);
    fen::bench::WorkFolder work(options.keep);
    constexpr int entries = 100000;
    const std::vector<Case> cases = {
        {"stamp-texts-xml", [] { return stampTexts(entries); }},
        {"stamp-texts-binary", [] { return asBinary(stampTexts(entries)); }},
        {"stamp-presets-xml", [] { return stampPresets(entries); }},
        {"stamp-presets-binary", [] { return asBinary(stampPresets(entries)); }},
        {"page-number-formats-xml", [] { return pageNumberFormats(entries); }},
        {"deep-100000-binary", [] { return fen::test::binaryChain(100000); }},
        {"shared-300x4-binary", [] { return fen::test::binaryFan(300, 4); }},
        {"values-32MB-xml",
         [] {
             std::string body = "<key>stamp_watermark_list</key><array>";
             while (body.size() < fen::OldSettingsValue::maxBytes - 200) {
                 body += "<true/>";
             }
             return xmlList(body + "</array>");
         }},
    };
    std::printf("%-24s %13s %9s %13s %16s\n", "case", "file", "convert", "", "memory");
    for (const Case& c : cases) {
        measure(c, work.path());
    }
    return 0;
}
