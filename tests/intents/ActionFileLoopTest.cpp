#include "intents/ActionFileLoop.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fen {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::writeFile;

struct LoopRun {
    ActionRunResult result;
    std::vector<fs::path> written;
    std::vector<SkippedInput> skipped;
    std::vector<std::pair<std::string, std::string>> calls;
    // What the loop told of its reading ("read" and "done"), and of operations ("op"), in order.
    std::vector<std::string> steps;
};

// Runs the loop with an operation that records its calls and writes `bytes` reversed into a
// fresh folder under `outRoot`, or fails the way `failFor` says for a file name.
LoopRun
runLoop(const std::vector<fs::path>& inputs, const fs::path& outRoot,
        std::function<std::vector<PDFOutput>(const std::string&, const std::string&)> op = {}) {
    LoopRun run;
    int counter = 0;
    ActionOperation operation = [&](const std::string& bytes, const std::string& name) {
        run.calls.emplace_back(bytes, name);
        run.steps.push_back("op");
        if (op) {
            return op(bytes, name);
        }
        fs::path folder = outRoot / std::to_string(counter++);
        fs::create_directories(folder);
        writeFile(folder / (name + ".pdf"), std::string(bytes.rbegin(), bytes.rend()));
        return std::vector<PDFOutput>{PDFOutput::written(Url::fileURL(folder / (name + ".pdf")))};
    };
    ActionRunObserver observer;
    observer.written = [&](const fs::path& p) { run.written.push_back(p); };
    observer.skipped = [&](const SkippedInput& s) { run.skipped.push_back(s); };
    observer.reading = [&](bool reading) { run.steps.push_back(reading ? "read" : "done"); };
    run.result = runActionFileLoop(inputs, operation, observer);
    return run;
}

TEST(ActionFileLoop, SkipsWhatCannotBeReadAndGoesOn) {
    TempDir dir;
    writeFile(dir / "a.pdf", "a");
    writeFile(dir / "c.pdf", "c");
    fs::create_directories(dir / "folder.pdf");
    LoopRun run = runLoop({dir / "a.pdf", dir / "missing.pdf", dir / "notes.txt", dir / "c.pdf"},
                          dir / "out");
    ASSERT_EQ(run.written.size(), 2u);
    EXPECT_EQ(run.calls.size(), 2u);
    ASSERT_EQ(run.skipped.size(), 2u);
    EXPECT_EQ(run.result.skippedCount, 2u);
    // Expansion reports come first, reading failures in file order after them.
    EXPECT_EQ(run.skipped[0].path, dir / "notes.txt");
    EXPECT_EQ(run.skipped[1].path, dir / "missing.pdf");
    EXPECT_EQ(run.skipped[1].reason, SkipReason::unreadable);
    EXPECT_EQ(run.skipped[1].detail,
              std::make_error_code(std::errc::no_such_file_or_directory).message());
    // Each input's reading is told before and after, and no operation runs within it.
    EXPECT_EQ(run.steps, (std::vector<std::string>{"read", "done", "op", "read", "done", "read",
                                                   "done", "op"}));
}

TEST(ActionFileLoop, OutputsWithoutAFileAreSkippedAndTheirEmptyFolderRemoved) {
    TempDir dir;
    writeFile(dir / "a.pdf", "a");
    fs::path emptyFolder = dir / "out" / "empty";
    fs::path nonEmptyFolder = dir / "out" / "other";
    fs::create_directories(emptyFolder);
    fs::create_directories(nonEmptyFolder / "a.pdf");
    writeFile(nonEmptyFolder / "keep.txt", "k");
    LoopRun run =
        runLoop({dir / "a.pdf"}, dir / "out", [&](const std::string&, const std::string&) {
            return std::vector<PDFOutput>{
                PDFOutput::failed(SkipReason::locked),
                PDFOutput::written(Url::fileURL(emptyFolder / "a.pdf")),
                // A folder where the file should be is no written file either.
                PDFOutput::written(Url::fileURL(nonEmptyFolder / "a.pdf")),
            };
        });
    EXPECT_TRUE(run.written.empty());
    ASSERT_EQ(run.skipped.size(), 3u);
    EXPECT_EQ(run.skipped[0].reason, SkipReason::locked);
    EXPECT_EQ(run.skipped[1].reason, SkipReason::notWritten);
    EXPECT_EQ(run.skipped[2].reason, SkipReason::notWritten);
    EXPECT_FALSE(fs::exists(emptyFolder));
    EXPECT_TRUE(fs::exists(nonEmptyFolder / "keep.txt"));
}

} // namespace
} // namespace fen
