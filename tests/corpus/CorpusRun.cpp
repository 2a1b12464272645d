// Runs one share of a folder of real-world PDF files through the command line's watermarking
// commands and checks every run: it ends by itself in time, with status 0 or 1, without a
// sanitizer report or a signal and within a memory bound; a file that qpdf accepts is written
// whole (page count, text and structure kept); a locked or unreadable file is skipped with one
// line that names it and says why; nothing else is left in the run's temporary folder.
//
//   corpus-run --cli PATH --work DIR [--corpus DIR] [--shard K --shards N] [--only NAME]...
//
// The corpus folder defaults to the qpdf-tests folder of FENMOOR_CORPUS_DIR.
// Exit status 0 when every run passed, 1 when some did not, 77 (skipped) when the corpus folder
// is not there.
#include "support/Process.h"

#include <CLI/CLI.hpp>

#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A run's bound is 10 s of processor time: on a machine that ctest -j keeps busy, the time on
// the clock depends on the neighbours, not on the run. A run that still goes on after 30 s on
// the clock (a hang that uses no processor) is killed and fails too.
constexpr double runCpuSeconds = 10, runWallSeconds = 30, toolSeconds = 30, textSeconds = 5;
constexpr long peakKilobytes = 500L * 1000;

using Run = fen::process::Result;

// Processor time used by the programs run, by program name.
std::map<std::string, double> processorSeconds;

// Runs `argv` in its own process group, killed with everything it started after `limit` seconds.
// A run of the command line (given `tmpdir`, which becomes its TMPDIR) has its own bound on
// processor time and its sanitizer options: symbolizing every stack of the suppressed library
// caches at exit would triple each run (a report still shows, unsymbolized; a failing run is
// repeated with symbols for the log); the quarantine of freed memory is a quarter of its default,
// so that peak memory tells what the program holds rather than what the sanitizer keeps back.
Run run(const std::vector<std::string>& argv, double limit, const fs::path& tmpdir = {},
        bool symbolize = false) {
    fen::process::Options options{.ownProcessGroup = true, .wallSeconds = limit};
    if (!tmpdir.empty()) {
        auto with = [](const char* variable, const std::string& extra) {
            const char* current = getenv(variable);
            return current && *current ? std::string(current) + ":" + extra : extra;
        };
        std::string symbols = symbolize ? "symbolize=1" : "symbolize=0";
        options.environment = {{"TMPDIR", tmpdir.string()},
                               {"ASAN_OPTIONS", with("ASAN_OPTIONS", "quarantine_size_mb=64")},
                               {"LSAN_OPTIONS", with("LSAN_OPTIONS", symbols)},
                               {"UBSAN_OPTIONS", with("UBSAN_OPTIONS", symbols)}};
        options.cpuSeconds = runCpuSeconds + 1;
    }
    Run r = fen::process::run(argv, options);
    processorSeconds[fs::path(argv[0]).filename().string()] += r.cpuSeconds;
    return r;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

std::set<std::string> words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

// The page count qpdf --show-npages printed last; -1 when none.
long pageCount(const Run& r) {
    auto out = lines(r.out);
    return out.empty() ? -1 : std::strtol(out.back().c_str(), nullptr, 10);
}

// `parts` joined by commas.
std::string joined(const std::vector<std::string>& parts) {
    std::string s;
    for (const auto& part : parts) {
        s += (s.empty() ? "" : ", ") + part;
    }
    return s;
}

// Every file and folder below `dir`, relative to it, joined by commas.
std::string contents(const fs::path& dir) {
    std::vector<std::string> found;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        found.push_back(fs::relative(it->path(), dir).string());
    }
    std::sort(found.begin(), found.end());
    return joined(found);
}

// What qpdf says of a file: accepted (with or without warnings, with its page count), locked by
// a password, or rejected.
struct Verdict {
    enum Kind { accepted, locked, rejected } kind = rejected;
    int checkStatus = -1;
    long pages = -1;
};

Verdict judge(const fs::path& file) {
    Run check = run({"qpdf", "--check", "--show-npages", file.string()}, toolSeconds);
    Verdict v{.checkStatus = check.exitCode};
    if ((check.exitCode == 0 || check.exitCode == 3) && !check.out.empty()) {
        v = {Verdict::accepted, check.exitCode, pageCount(check)};
    } else if (check.exitCode == 2 && check.err.find("invalid password") != std::string::npos) {
        v.kind = Verdict::locked;
    }
    return v;
}

// Each command's arguments before the input; the first names it in the log.
const std::vector<std::string> commands[] = {
    {"page-number"},
    {"add-some-text", "--text", "Fenmoor corpus draft"},
    {"add-a-stamp", "--text", "Checked"},
};

bool hasSanitizerReport(const std::string& err) {
    return err.find("Sanitizer") != std::string::npos ||
           err.find("runtime error:") != std::string::npos;
}

class Checker {
public:
    // Each run's outcome, processor time, time on the clock and peak memory go to `log`, one line
    // per run, tab-separated.
    Checker(std::string cli, fs::path work, const fs::path& log)
        : cli_(std::move(cli)), work_(std::move(work)), log_(log) {}

    void file(const fs::path& input) {
        Verdict verdict = judge(input);
        std::optional<std::set<std::string>> inputWords;
        if (verdict.kind == Verdict::accepted) {
            // pdftotext loops on a few damaged files: those are written and checked all the same,
            // without the comparison of words.
            if (Run text = run({"pdftotext", "-q", input.string(), "-"}, textSeconds);
                text.exitCode == 0) {
                inputWords = words(text.out);
            } else {
                ++unreadableText;
            }
        }
        input_ = input.filename().string();
        for (const auto& command : commands) {
            command_ = command[0];
            checkRun(input, command, verdict, inputWords ? &*inputWords : nullptr);
        }
    }

    int failures = 0, unreadableText = 0;
    double slowest = 0, mostCpu = 0;
    long mostMemoryKb = 0;
    std::map<std::string, int> outcomes;

private:
    // Records the outcome of a run that passed, or counts and prints why it failed.
    void outcome(const std::string& passed, const std::string& failed = {}) {
        if (failed.empty()) {
            ++outcomes[passed];
            outcome_ = passed;
            return;
        }
        ++failures;
        outcome_ = "FAILED";
        std::cout << "FAIL " << input_ << " [" << command_ << "]: " << failed << std::endl;
    }

    void checkRun(const fs::path& input, const std::vector<std::string>& command,
                  const Verdict& verdict, const std::set<std::string>* inputWords) {
        outcome_.clear();
        fs::path dir = work_ / (input_ + "." + command_), tmp = dir / "tmp";
        std::error_code ec;
        fs::remove_all(dir, ec);
        fs::create_directories(tmp);
        std::vector<std::string> argv = {cli_};
        argv.insert(argv.end(), command.begin(), command.end());
        argv.push_back(input.string());
        Run r = run(argv, runWallSeconds, tmp);

        const int before = failures;
        const bool report = hasSanitizerReport(r.err);
        std::string why = r.timedOut ? "still running after 30 s on the clock, killed"
                          : r.cpuSeconds > runCpuSeconds || r.signal == SIGXCPU
                              ? "used " + std::to_string(r.cpuSeconds) + " s of processor time"
                          : r.signal ? "ended by signal " + std::to_string(r.signal)
                          : r.exitCode != 0 && r.exitCode != 1
                              ? "exit status " + std::to_string(r.exitCode)
                              : "";
        if (!why.empty()) {
            outcome("", why);
        }
        if (report) {
            fs::create_directories(dir / "symbolized");
            Run again = run(argv, runWallSeconds, dir / "symbolized", true);
            outcome("", "sanitizer report:\n" + again.err.substr(0, 4000));
        }
        if (r.peakKb > peakKilobytes) {
            outcome("", "peak memory " + std::to_string(r.peakKb / 1000) + " MB");
        }
        if (failures == before) {
            auto [passed, failed] = verdict.kind == Verdict::accepted
                                        ? checkWritten(input, r, tmp, verdict, inputWords)
                                    : verdict.kind == Verdict::locked
                                        ? checkSkipped(input, r, tmp, "protected by a password")
                                        : checkRejected(input, r, tmp);
            outcome(passed, failed);
        }
        if (failures == before) {
            fs::remove_all(dir, ec);
        } else if (!r.err.empty() && !report) {
            std::cout << "  stderr: " << r.err.substr(0, 2000) << std::endl;
        }
        log_ << input_ << '\t' << command_ << '\t' << outcome_ << '\t' << r.cpuSeconds << '\t'
             << r.seconds << '\t' << r.peakKb / 1000 << std::endl;
        slowest = std::max(slowest, r.seconds);
        mostCpu = std::max(mostCpu, r.cpuSeconds);
        mostMemoryKb = std::max(mostMemoryKb, r.peakKb);
    }

    // What a check gives: the outcome when it passed, else why it failed.
    using Check = std::pair<std::string, std::string>;
    static Check failed(const std::string& why) { return {"", why}; }

    // Why the output is not the one path printed, a regular file in its own folder of the private
    // TMPDIR with nothing else there; empty when it is.
    static std::string misplaced(const Run& r, const fs::path& tmp, fs::path& output) {
        auto out = lines(r.out);
        if (out.size() != 1) {
            return "expected one written path, got: " + r.out;
        }
        output = out.front();
        std::error_code ec;
        if (!fs::is_regular_file(output, ec) ||
            fs::weakly_canonical(output.parent_path().parent_path(), ec) !=
                fs::weakly_canonical(tmp, ec)) {
            return "written path is not a file in its own temporary folder: " + output.string();
        }
        fs::path folder = output.parent_path().filename();
        std::string left = contents(tmp);
        return left == folder.string() + ", " + (folder / output.filename()).string()
                   ? ""
                   : "temporary folder holds: " + left;
    }

    static Check checkWritten(const fs::path& input, const Run& r, const fs::path& tmp,
                              const Verdict& verdict, const std::set<std::string>* inputWords) {
        fs::path output;
        if (r.exitCode != 0) {
            return failed("qpdf accepts it (status " + std::to_string(verdict.checkStatus) +
                          ") but it was not written");
        }
        if (std::string why = misplaced(r, tmp, output); !why.empty()) {
            return failed(why);
        }
        Run check = run({"qpdf", "--check", "--show-npages", output.string()}, toolSeconds);
        // A clean input gives a clean output; a damaged one at most keeps its warnings.
        if (check.exitCode != 0 && !(check.exitCode == 3 && verdict.checkStatus == 3)) {
            return failed("qpdf --check of the output: status " + std::to_string(check.exitCode) +
                          "\n" + check.out.substr(0, 1500) + check.err.substr(0, 1500));
        }
        if (long pages = pageCount(check); pages != verdict.pages) {
            return failed("output has " + std::to_string(pages) + " pages, input " +
                          std::to_string(verdict.pages));
        }
        // An input without words has nothing to lose.
        if (!inputWords || inputWords->empty()) {
            return {"written", ""};
        }
        Run text = run({"pdftotext", "-q", output.string(), "-"}, toolSeconds);
        if (text.exitCode != 0) {
            return failed("pdftotext of the output: status " + std::to_string(text.exitCode));
        }
        std::set<std::string> got = words(text.out);
        std::vector<std::string> missing;
        std::set_difference(inputWords->begin(), inputWords->end(), got.begin(), got.end(),
                            std::back_inserter(missing));
        if (missing.empty()) {
            return {"written", ""};
        }
        // Words that poppler finds only by repairing the input its own way, where qpdf reads the
        // file as written (an object deleted by an update, say), are not in a plain qpdf copy of
        // the input either: that reading is shared by every output, not lost by the watermarking.
        fs::path copy = tmp.parent_path() / "plain-copy.pdf";
        Run made = run({"qpdf", input.string(), copy.string()}, toolSeconds);
        Run copied = run({"pdftotext", "-q", copy.string(), "-"}, toolSeconds);
        std::set<std::string> inCopy = words(copied.out);
        if ((made.exitCode == 0 || made.exitCode == 3) && copied.exitCode == 0 &&
            std::none_of(missing.begin(), missing.end(),
                         [&](const auto& w) { return inCopy.count(w); })) {
            return {"written; words that only poppler's repair of the input shows are not in "
                    "qpdf's reading either",
                    ""};
        }
        missing.resize(std::min<std::size_t>(20, missing.size()));
        return failed("words missing: " + joined(missing));
    }

    // Exit 1, no path, one line that names the file and holds `reason` (when given), an empty
    // temporary folder.
    static Check checkSkipped(const fs::path& input, const Run& r, const fs::path& tmp,
                              const std::string& reason) {
        auto err = lines(r.err);
        std::string left = contents(tmp);
        return r.exitCode != 1 ? failed("expected exit status 1, got " + std::to_string(r.exitCode))
               : !r.out.empty() ? failed("a skipped file printed a path: " + r.out)
               : err.size() != 1 || err.front().find(input.string()) == std::string::npos
                   ? failed("expected one line naming the file, got: " + r.err)
               : err.front().find(reason) == std::string::npos
                   ? failed("the line does not say \"" + reason + "\": " + err.front())
               : !left.empty()
                   ? failed("temporary folder holds: " + left)
                   : Check{reason.empty() ? "skipped as unreadable" : "skipped for its password",
                           ""};
    }

    // A file that qpdf rejects is either skipped with one line, or written as a file qpdf opens.
    static Check checkRejected(const fs::path& input, const Run& r, const fs::path& tmp) {
        fs::path output;
        if (r.exitCode == 1) {
            return checkSkipped(input, r, tmp, "");
        }
        if (std::string why = misplaced(r, tmp, output); !why.empty()) {
            return failed(why);
        }
        Run pages = run({"qpdf", "--show-npages", output.string()}, toolSeconds);
        return pages.exitCode != 0 && pages.exitCode != 3
                   ? failed("qpdf cannot open the output: " + pages.err.substr(0, 500))
                   : Check{"written though qpdf --check rejects it", ""};
    }

    std::string cli_;
    fs::path work_;
    std::ofstream log_;
    std::string input_, command_, outcome_;
};

} // namespace

int main(int argc, char** argv) {
    // FENMOOR_CORPUS_DIR as the run finds it, else the folder the build found (empty when none):
    // the corpus folder that holds qpdf-tests, or the qpdf-tests folder itself.
    const char* given = std::getenv("FENMOOR_CORPUS_DIR");
    const bool fromEnvironment = given && *given;
    const fs::path home = fromEnvironment ? fs::path(given) : fs::path(FENMOOR_CORPUS_DIR);
    std::error_code ec;
    fs::path corpus = home.empty() || !fs::is_directory(home / "qpdf-tests", ec)
                          ? home
                          : home / "qpdf-tests",
             work;
    std::string cli;
    int shard = 0, shards = 1;
    std::vector<std::string> only;
    CLI::App app{"Runs a share of a folder of PDF files through the command line's watermarking "
                 "commands and checks every run."};
    app.add_option("--cli", cli, "The fenmoor-cli to run")->required();
    app.add_option("--work", work, "Folder for the runs' files and the log")->required();
    app.add_option("--corpus", corpus, "Folder of PDF files (default: the build's corpus)");
    app.add_option("--shard", shard, "Which share to run")->check(CLI::NonNegativeNumber);
    app.add_option("--shards", shards, "Into how many shares the files are split")
        ->check(CLI::PositiveNumber);
    app.add_option("--only", only, "Run only the files of these names");
    CLI11_PARSE(app, argc, argv);
    if (corpus.empty() || !fs::is_directory(corpus, ec)) {
        std::cout << "no corpus folder: FENMOOR_CORPUS_DIR "
                  << (fromEnvironment ? "names " : "is not set; the build found ")
                  << (corpus.empty() ? "none" : corpus.string()) << ": skipped" << std::endl;
        return 77;
    }
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        if (entry.path().extension() == ".pdf" &&
            (only.empty() ||
             std::count(only.begin(), only.end(), entry.path().filename().string()))) {
            files.push_back(fs::absolute(entry.path()));
        }
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::cout << "no PDF files in " << corpus.string() << std::endl;
        return 1;
    }
    fs::path log = fs::absolute(work) / ("runs-" + std::to_string(shard) + ".tsv");
    work = fs::absolute(work) / ("shard-" + std::to_string(shard));
    fs::remove_all(work, ec);
    fs::create_directories(work);
    // Without the checking tools every file would look rejected, and nothing would be checked.
    for (const std::vector<std::string>& tool :
         {std::vector<std::string>{"qpdf", "--version"}, {"pdftotext", "-v"}}) {
        if (Run r = run(tool, toolSeconds); r.exitCode != 0) {
            std::cout << tool[0] << " cannot be run (status " << r.exitCode << ")" << std::endl;
            return 1;
        }
    }
    Checker checker(cli, work, log);
    std::size_t count = 0;
    for (std::size_t i = static_cast<std::size_t>(shard); i < files.size();
         i += static_cast<std::size_t>(shards), ++count) {
        checker.file(files[i]);
    }
    std::cout << "shard " << shard << " of " << shards << ": " << count << " files, "
              << count * std::size(commands) << " runs; longest run " << checker.slowest
              << " s on the clock, most processor time " << checker.mostCpu << " s, most memory "
              << checker.mostMemoryKb / 1000 << " MB" << std::endl;
    for (const auto& [outcome, n] : checker.outcomes) {
        std::cout << "  " << n << " runs " << outcome << std::endl;
    }
    std::cout << "  " << checker.unreadableText
              << " files accepted by qpdf whose text pdftotext does not read (words not compared)"
              << "\n  " << checker.failures << " failed checks\n  processor time:";
    for (const auto& [program, seconds] : processorSeconds) {
        std::cout << " " << program << " " << seconds << " s";
    }
    std::cout << std::endl;
    if (checker.failures == 0) {
        fs::remove_all(work, ec);
    }
    return checker.failures == 0 ? 0 : 1;
}
