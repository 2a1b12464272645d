#include "storage/ListOfTextImporter.h"
#include "storage/RtfReader.h"
#include "storage/TextListImportDecoder.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace fen {
namespace {

// Documents that exercise every path of the reader; the fuzzing below cuts and mutates them.
const char* const kSeeds[] = {
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\fnil"
    "\\fcharset204 Cyr;}}{\\colortbl;\\red255\\green0\\blue0;}{\\*\\generator W;}\\pard"
    " Caf\\'e9 {\\f1 \\'e9}\\par\\uc2\\u8364\\'80\\'80 \\tab x\\line{\\pict\\bin4 {}}}y\\par}",
    "{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0\\u-10179?\\u-8704?{\\field{\\*\\fldinst HYPERLINK "
    "\"x\"}{\\fldrslt link}}\\cell\\row\\~\\-\\_\\\\\\{\\}\\\n}",
    "{\\rtf1\\mac{\\info{\\title t}}\\'8e{\\header h}{\\uc0\\u233 a}\\emdash\\bullet}",
};

// Bytes that are likely to matter to an RTF reader.
const char kAlphabet[] = "{}\\'*0123456789abcdefu-? \r\n\x80\xE9\xFF";

TEST(RtfReaderFuzzTest, RandomCutAndMutatedDocumentsNeverCrash) {
    std::mt19937 random(2024);
    auto byte = [&](unsigned alphabetShare) {
        return random() % 4 < alphabetShare ? kAlphabet[random() % (sizeof kAlphabet - 1)]
                                            : static_cast<char>(random());
    };
    size_t readable = 0;
    auto check = [&](const std::string& input) {
        if (auto text = RtfReader::plainText(input)) {
            ++readable;
            ASSERT_TRUE(TextListImportDecoder::isValidUtf8(*text)) << input;
        }
    };
    for (const std::string document : kSeeds) {
        for (size_t length = 0; length <= document.size(); ++length) {
            check(document.substr(0, length));
        }
        for (int round = 0; round < 3000; ++round) {
            std::string mutated = document;
            for (int edits = 1 + static_cast<int>(random() % 8); edits > 0; --edits) {
                size_t at = random() % (mutated.size() + 1);
                switch (random() % 3) {
                case 0:
                    mutated.insert(at, 1, byte(2));
                    break;
                case 1:
                    if (at < mutated.size()) {
                        mutated[at] = byte(2);
                    }
                    break;
                default:
                    mutated.erase(std::min(at, mutated.size()), 1 + random() % 4);
                }
            }
            check(mutated);
        }
    }
    for (int round = 0; round < 3000; ++round) {
        std::string noise = "{\\rtf1";
        for (size_t length = random() % 300; length > 0; --length) {
            noise.push_back(byte(3));
        }
        check(noise);
    }
    // Most of the inputs still begin as RTF and are read.
    EXPECT_GT(readable, 9000u);
}

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
