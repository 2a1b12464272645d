#include "storage/ListOfTextImporter.h"
#include "storage/TextListImportDecoder.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace fen {
namespace {

// The reader alone is fuzzed by tools/fuzz-import, whose seeds the test suite replays; this is the
// whole import of text files, with their encoding guessed.
TEST(RtfReaderFuzzTest, RandomFilesImportWithoutCrashing) {
    std::mt19937 random(7);
    test::TempDir dir;
    for (int round = 0; round < 300; ++round) {
        std::string bytes(random() % 600, '\0');
        for (char& c : bytes) {
            // Mostly text with some 8-bit and control bytes, sometimes a byte-order mark.
            unsigned r = random() % 100;
            c = r < 80 ? static_cast<char>(' ' + random() % 95)
                       : (r < 95 ? static_cast<char>(0x80 + random() % 128)
                                 : static_cast<char>(random() % 32));
        }
        if (round % 5 == 0) {
            bytes.insert(0, round % 2 ? "\xFF\xFE" : "\xEF\xBB\xBF");
        }
        auto path = dir / ("f" + std::to_string(round) + (round % 3 ? ".txt" : ".rtf"));
        test::writeFile(path, bytes);
        for (const std::string& text : ListOfTextImporter::importTexts(Url::fileURL(path))) {
            ASSERT_FALSE(text.empty());
            ASSERT_TRUE(TextListImportDecoder::isValidUtf8(text));
        }
    }
}

} // namespace
} // namespace fen
