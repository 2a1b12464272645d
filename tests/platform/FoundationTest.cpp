#include "platform/foundation/Dates.h"
#include "platform/foundation/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Signal.h"
#include "platform/foundation/Url.h"
#include "platform/foundation/WholeFileReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using namespace fen;

TEST(NotificationCenter, DeliversSynchronouslyInOrderAndTokensRemoveObservers) {
    NotificationCenter center;
    std::vector<std::string> seen;
    auto t1 = center.addObserver("Save_A", [&](const Notification& n) {
        seen.push_back("1:" + std::any_cast<std::string>(n.object));
    });
    auto t2 = center.addObserver("Save_A", [&](const Notification&) { seen.push_back("2"); });
    auto other = center.addObserver("Save_B", [&](const Notification&) { seen.push_back("B"); });
    center.post("Save_A", std::string("x"));
    t1.reset();
    center.post("Save_A");
    EXPECT_EQ(seen, (std::vector<std::string>{"1:x", "2", "2"}));
    {
        ObserverToken moved = std::move(t2);
        EXPECT_FALSE(t2.active());
    }
    EXPECT_EQ(center.observerCount("Save_A"), 0u);

    // An observer removed during a delivery is not called; a token may outlive its centre.
    int secondCalls = 0;
    ObserverToken second, outliving;
    auto first = center.addObserver("N", [&](const Notification&) { second.reset(); });
    second = center.addObserver("N", [&](const Notification&) { ++secondCalls; });
    center.post("N");
    EXPECT_EQ(secondCalls, 0);
    {
        NotificationCenter shortLived;
        outliving = shortLived.addObserver("N", [](const Notification&) {});
    }
    outliving.reset(); // under the sanitizers a use of the gone centre would fail here
}

TEST(Background, RunsEachTaskOnAThreadOfItsOwn) {
    std::promise<std::thread::id> ran;
    auto done = ran.get_future();
    Background::run([&ran] { ran.set_value(std::this_thread::get_id()); });
    ASSERT_EQ(done.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_NE(done.get(), std::this_thread::get_id());
}

// Whether `condition` came true within a generous deadline.
template <typename Condition> bool comesTrue(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

TEST(Background, ATaskIsCountedUntilItsCapturesAreReleased) {
    // A capture whose release holds until the test lets it go.
    struct Gate {
        std::atomic<bool> releasing{false}, mayGo{false}, released{false};
    };
    struct Held {
        explicit Held(std::shared_ptr<Gate> gate) : gate(std::move(gate)) {}
        ~Held() {
            gate->releasing = true;
            while (!gate->mayGo) {
                std::this_thread::yield();
            }
            gate->released = true;
        }
        std::shared_ptr<Gate> gate;
    };
    ASSERT_TRUE(comesTrue([] { return Background::running() == 0; }));
    auto gate = std::make_shared<Gate>();
    // However the test ends, the release is let go.
    struct LetGo {
        Gate& gate;
        ~LetGo() { gate.mayGo = true; }
    } letGo{*gate};
    auto ran = std::make_shared<std::atomic<bool>>(false);
    // The task holds the only reference, so its release is the last.
    Background::run([held = std::make_shared<Held>(gate), ran] { *ran = true; });
    // The task has run and its last capture is being released: it still counts.
    ASSERT_TRUE(comesTrue([&] { return gate->releasing.load(); }));
    EXPECT_TRUE(*ran);
    EXPECT_EQ(Background::running(), 1);
    gate->mayGo = true;
    ASSERT_TRUE(comesTrue([] { return Background::running() == 0; }));
    EXPECT_TRUE(gate->released);
}

TEST(Signal, EmitsToConnectedSlotsUntilDisconnected) {
    Signal<int> signal;
    int sum = 0;
    {
        auto c = signal.connect([&](int v) { sum += v; });
        signal.emit(2);
        signal(3);
    }
    signal.emit(100);
    EXPECT_EQ(sum, 5);
    EXPECT_EQ(signal.slotCount(), 0u);
}

// New UUIDs are checked where the file store and the database make them.
TEST(Dates, EpochsAndFormatting) {
    EXPECT_DOUBLE_EQ(Date::fromUnixSeconds(978307200.0 + 86400).secondsSinceReferenceDate, 86400);
    // 2024-03-05 15:30:00 UTC
    Date march = Date::fromUnixSeconds(1709652600);
    EXPECT_EQ(formatDatePattern(march, "yyyyMMdd'T'HHmmss'Z'"), "20240305T153000Z");
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(formatLongDate(march, "en_US"), "March 5, 2024");
    EXPECT_EQ(formatLongDate(march, "de_DE"), "5. März 2024");
    EXPECT_DOUBLE_EQ(startOfDay(march).unixSeconds(), 1709596800);
}

TEST(Url, FileAndWebAddresses) {
    auto f = Url::fileURL("/tmp/a b/Report.pdf");
    EXPECT_TRUE(f.isFileURL());
    EXPECT_EQ(f.absoluteString(), "file:///tmp/a%20b/Report.pdf");
    EXPECT_EQ(f.lastPathComponent(), "Report.pdf");
    EXPECT_EQ(f.pathExtension(), "pdf");
    EXPECT_EQ(f.deletingLastPathComponent().path(), "/tmp/a b");
    auto parsed = Url::fromString("file:///tmp/a%20b/Report.pdf");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, f);
    auto web = Url::fromString("https://example.org/x");
    ASSERT_TRUE(web);
    EXPECT_FALSE(web->isFileURL());
    EXPECT_EQ(web->lastPathComponent(), "x");
    EXPECT_FALSE(Url::fromString("no scheme here"));
    EXPECT_FALSE(Url::fromString(""));
}

// The two encoded sets in use: file URLs keep the path's separators and sub-delimiters, the QR
// code's mail link keeps only the unreserved characters. UTF-8 and control bytes are encoded byte
// by byte in upper-case hexadecimal, a NUL included.
TEST(Url, PercentEncodingKeepsExactlyTheUnreservedAndTheKeptCharacters) {
    const std::string_view path = "/!$&'()*+,;=:@";
    struct Case {
        std::string text;
        std::string_view keep;
        std::string encoded;
    };
    const Case cases[] = {
        {"", {}, ""},
        {"AZaz09-._~", {}, "AZaz09-._~"},
        {"Q&A = 100%?", {}, "Q%26A%20%3D%20100%25%3F"},
        {"/a:b@c", {}, "%2Fa%3Ab%40c"},
        {"Grüße 日本", {}, "Gr%C3%BC%C3%9Fe%20%E6%97%A5%E6%9C%AC"},
        {std::string("a\0b\n\x7F\xFF", 6), {}, "a%00b%0A%7F%FF"},
        {"/tmp/a b/Report.pdf", path, "/tmp/a%20b/Report.pdf"},
        {"/!$&'()*+,;=:@~", path, "/!$&'()*+,;=:@~"},
        {"/#?[]{}|\\^`\"<>%", path, "/%23%3F%5B%5D%7B%7D%7C%5C%5E%60%22%3C%3E%25"},
        {"/Grüße/😀.pdf", path, "/Gr%C3%BC%C3%9Fe/%F0%9F%98%80.pdf"},
        {std::string("/a\0b\0", 5), path, "/a%00b%00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(percentEncoded(c.text, c.keep), c.encoded) << c.encoded;
    }
    auto file = Url::fileURL("/tmp/#1 [draft]/Grüße.pdf");
    EXPECT_EQ(file.absoluteString(), "file:///tmp/%231%20%5Bdraft%5D/Gr%C3%BC%C3%9Fe.pdf");
    EXPECT_EQ(Url::fromString(file.absoluteString()), file);
}

TEST(WholeFileReader, ReadsEveryByteOrSaysWhyNot) {
    test::TempDir dir;
    const std::string bytes("%PDF\0\xff binary", 13);
    test::writeFile(dir / "file.bin", bytes);
    WholeFile file = WholeFileReader::read(Url::fileURL(dir / "file.bin"));
    EXPECT_EQ(file.bytes, bytes);
    EXPECT_FALSE(file.error);
    EXPECT_EQ(file.reason(), "");

    WholeFile missing = WholeFileReader::read(dir / "missing");
    EXPECT_FALSE(missing.bytes);
    EXPECT_EQ(missing.error, std::errc::no_such_file_or_directory);
    EXPECT_EQ(missing.reason(), "No such file or directory");

    // A folder is refused, not read as an empty file, whichever way it is asked for.
    for (const WholeFile& folder :
         {WholeFileReader::read(dir.path()), WholeFileReader::readRegular(dir.path())}) {
        EXPECT_FALSE(folder.bytes);
        EXPECT_EQ(folder.reason(), "Is a directory");
    }
}
