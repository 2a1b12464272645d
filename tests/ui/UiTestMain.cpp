// Entry point of the widget tests: a QApplication on the offscreen platform, with the XDG and
// temporary folders in a fresh folder of the build tree, so that no test touches the user's own
// settings; animations last 0 ms, and the main queue and messages work as in the application.
#include "ui/Animation.h"
#include "ui/LogBridge.h"
#include "ui/QtMainQueue.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::filesystem::path base = std::filesystem::path(FENMOOR_BINARY_DIR) / "test-ui";
    std::filesystem::create_directories(base);
    std::string pattern = (base / "run-XXXXXX").string();
    const char* folder = mkdtemp(pattern.data());
    if (!folder) {
        return 1;
    }
    const std::filesystem::path root(folder);
    for (const auto& [variable, name] :
         {std::pair{"XDG_CONFIG_HOME", "config"}, std::pair{"XDG_DATA_HOME", "data"},
          std::pair{"XDG_CACHE_HOME", "cache"}, std::pair{"TMPDIR", "tmp"}}) {
        std::filesystem::create_directories(root / name);
        setenv(variable, (root / name).c_str(), 1);
    }
    // The runtime folder holds the hand-off's socket, whose address may hold at most 107 bytes:
    // a folder of its own under /tmp (open to its owner only), whatever the length of the path
    // to the build tree.
    std::string runtimePattern = "/tmp/fenmoor-runtime-XXXXXX";
    const char* runtime = mkdtemp(runtimePattern.data());
    if (!runtime) {
        return 1;
    }
    setenv("XDG_RUNTIME_DIR", runtime, 1);

    QApplication app(argc, argv);
    fen::ui::setAnimationDuration(0);
    fen::ui::QtMainQueue::install();
    fen::ui::installLogBridge();
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    fen::ui::QtMainQueue::finishBackgroundWork();
    fen::MainQueue::install(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    std::filesystem::remove_all(runtime, ec);
    return result;
}
