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
#include <sys/wait.h>
#include <unistd.h>
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
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    std::string result(bytes, length);
    std::free(bytes);
    plist_free(root);
    return result;
}

// A binary list of arrays: each object refers to the objects its entry names.
std::string binaryGraph(const std::vector<std::vector<uint32_t>>& objects) {
    std::string out = "bplist00";
    auto bigEndian = [&](uint64_t value, int width) {
        for (int i = width - 1; i >= 0; --i) {
            out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        }
    };
    std::vector<uint64_t> offsets;
    for (const auto& refs : objects) {
        offsets.push_back(out.size());
        if (refs.empty()) {
            out += "\x51x";
            continue;
        }
        out += "\xAF\x12";
        bigEndian(refs.size(), 4);
        for (uint32_t ref : refs) {
            bigEndian(ref, 4);
        }
    }
    const uint64_t table = out.size();
    for (uint64_t offset : offsets) {
        bigEndian(offset, 4);
    }
    out.append(6, '\0');
    out += "\x04\x04";
    bigEndian(objects.size(), 8);
    bigEndian(0, 8);
    bigEndian(table, 8);
    return out;
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
    std::fflush(stdout);
    int channel[2];
    if (pipe(channel) != 0) {
        return;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(channel[0]);
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
        double report[3] = {seconds, static_cast<double>(outcome), cpuNow() - cpuStart};
        (void)!write(channel[1], report, sizeof report);
        _exit(0);
    }
    close(channel[1]);
    double report[3] = {-1, -1, -1};
    (void)!read(channel[0], report, sizeof report);
    close(channel[0]);
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    static const char* outcomes[] = {"no file",          "unreadable", "unparsable",
                                     "store not copied", "converted",  "partly stored"};
    const int outcome = static_cast<int>(report[1]);
    std::printf("%-24s %9.1f KiB %7.3f s %7.3f s CPU %7.1f MiB peak  %s\n", c.name.c_str(),
                static_cast<double>(bytes.size()) / 1024, report[0], report[2],
                static_cast<double>(usage.ru_maxrss) / 1024,
                outcome >= 0 && outcome < 6 ? outcomes[outcome] : "died");
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
        {"deep-100000-binary",
         [] {
             std::vector<std::vector<uint32_t>> objects(100001);
             for (uint32_t i = 0; i < 100000; ++i) {
                 objects[i] = {i + 1};
             }
             return binaryGraph(objects);
         }},
        {"shared-300x4-binary",
         [] {
             std::vector<std::vector<uint32_t>> objects(5);
             for (uint32_t i = 0; i < 4; ++i) {
                 objects[i].assign(300, i + 1);
             }
             return binaryGraph(objects);
         }},
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
