#include "rendering/FontResolution.h"

#include "platform/foundation/MainQueue.h"
#include "platform/text/Font.h"
#include "rendering/WatermarkNotices.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

using namespace fen;

TEST(FontResolution, StyleAmongTheFamilysFacesCapitalisedElseHelveticaNeueAtBodySize) {
    const std::tuple<const char*, const char*, double, const char*, double> cases[] = {
        {"Helvetica Neue", "Bold", 42, "Helvetica Neue Bold", 42},
        {"Helvetica Neue", "Bold Italic", 9, "Helvetica Neue Bold Italic", 9},
        // Any family of the system, and a family text that is itself a font name.
        {"DejaVu Sans", "Oblique", 11, "DejaVu Sans Oblique", 11},
        {"Nimbus Sans Bold", "Italic", 30, "Nimbus Sans Italic", 30},
        // DejaVu's face "ExtraLight" is found as "Extralight" only; the comparison is exact.
        {"DejaVu Sans", "Extralight", 20, "DejaVu Sans ExtraLight", 20},
        {"DejaVu Sans", "ExtraLight", 20, "Helvetica Neue Regular", 17},
        {"Helvetica Neue", "bold", 20, "Helvetica Neue Regular", 17},
        // Unknown families and styles fall back.
        {"Helvetica Neue", "Heavy", 64, "Helvetica Neue Regular", 17},
        {"No Such Family", "Bold", 64, "Helvetica Neue Regular", 17},
        {"", "", 64, "Helvetica Neue Regular", 17},
        {"Sans", "Regular", 64, "Helvetica Neue Regular", 17},
    };
    for (const auto& [family, style, size, fontName, pointSize] : cases) {
        auto font = resolvedFont(family, style, size);
        ASSERT_TRUE(font) << family << " " << style;
        EXPECT_EQ(font->fontName(), fontName) << family << " " << style;
        EXPECT_EQ(font->pointSize(), pointSize) << family << " " << style;
    }
    EXPECT_EQ(capitalizedStyleName("ExtraLight"), "Extralight");
    EXPECT_EQ(capitalizedStyleName("bold italic"), "Bold Italic");
    EXPECT_EQ(capitalizedStyleName("SEMI-BOLD"), "Semi-Bold");
    EXPECT_EQ(capitalizedStyleName(""), "");
    // Each thread keeps its own case map: another thread cases as this one does.
    std::string other;
    std::thread([&other] { other = capitalizedStyleName("bold italic"); }).join();
    EXPECT_EQ(other, "Bold Italic");
    EXPECT_EQ(capitalizedStyleName("bold italic"), "Bold Italic");
}

namespace {

// The reads the workers of an ending child made.
std::atomic<long> workerReads{0};

// Runs last at exit, once every destructor has run: the workers read on for a while, as a worker
// still drawing its pages does, so whatever exit freed under them is read.
void letTheWorkersReadOn() {
    const long target = workerReads.load() + 20000;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (workerReads.load() < target && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
}

} // namespace

// The program may end under its export's workers: a display that goes makes Qt call exit() on the
// GUI thread. What a worker reads while it draws is still there after exit's destructors have run,
// so a worker that still draws then reads no freed memory (the sanitizer build would end the
// child with its report).
TEST(FontResolution, WhatAWorkerReadsOutlivesAnExitThatEndsTheProgramUnderIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A sink that holds memory of its own, as a window's does.
    const auto holding = [] { return std::string(64, 'x'); };
    const std::pair<const char*, std::function<void()>> readers[] = {
        {"a face found", [] { (void)resolvedFont("DejaVu Sans", "Bold", 12); }},
        {"the system font", [] { (void)text::Font().pointSize(); }},
        {"the main queue", [] { MainQueue::post([] {}); }},
        {"the watermarks' notices",
         [holding] {
             static const bool installed = [&] {
                 WatermarkNotices::shared().setSink(
                     [kept = holding()](WatermarkNotices::Kind, const std::string&) {});
                 return true;
             }();
             (void)installed;
             WatermarkNotices::shared().tell(WatermarkNotices::Kind::stampTextCut, "drawing");
         }},
    };
    // The leak check at exit would hold the loader's lock that a sanitizer report of a worker
    // waits for: each child runs without it, so a report ends the child instead of hanging it.
    const char* options = std::getenv("ASAN_OPTIONS");
    const std::string kept = options ? options : "";
    setenv("ASAN_OPTIONS", ((kept.empty() ? kept : kept + ":") + "detect_leaks=0").c_str(), 1);
    for (const auto& [what, read] : readers) {
        SCOPED_TRACE(what);
        EXPECT_EXIT(
            {
                // Registered before what the workers read is made, so it runs after it is gone.
                std::atexit(letTheWorkersReadOn);
                read();
                for (int i = 0; i < 4; ++i) {
                    std::thread([read = read] {
                        for (;;) {
                            read();
                            ++workerReads;
                        }
                    }).detach();
                }
                while (workerReads.load() < 1000) {
                    std::this_thread::yield();
                }
                std::exit(0);
            },
            testing::ExitedWithCode(0), "");
    }
    if (options) {
        setenv("ASAN_OPTIONS", kept.c_str(), 1);
    } else {
        unsetenv("ASAN_OPTIONS");
    }
}
