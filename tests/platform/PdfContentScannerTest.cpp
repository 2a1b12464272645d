#include "platform/pdf/ContentScanner.h"

#include "platform/pdf/ContentLexer.h"
#include "platform/pdf/RecordingScanner.h"
#include "support/PdfFixtures.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

namespace fen::pdf {
namespace {

// Counts q and Q with qpdf's own tokenizer, the slow reference.
class QCounter : public QPDFObjectHandle::TokenFilter {
public:
    void handleToken(QPDFTokenizer::Token const& t) override {
        if (t.getType() == QPDFTokenizer::tt_word) {
            if (t.getValue() == "q") {
                ++depth;
            } else if (t.getValue() == "Q") {
                --depth;
                minDepth = std::min(minDepth, depth);
            }
        }
        writeToken(t);
    }
    int depth = 0, minDepth = 0;
};

ContentScan referenceScan(const std::string& content) {
    std::string bytes = fen::test::makePdf({fen::test::FixturePage{.content = content}});
    QPDF pdf;
    pdf.processMemoryFile("t", bytes.data(), bytes.size());
    auto page = QPDFPageDocumentHelper(pdf).getAllPages().at(0);
    QCounter counter;
    page.filterContents(&counter);
    return {counter.depth, counter.minDepth, false};
}

TEST(PdfContentScanner, CountsLikeQpdfWhereQHidesInStringsCommentsAndImages) {
    const std::string cases[] = {
        "q 1 0 0 1 0 0 cm q 0 0 m Q",
        "q (q q (nested q) \\) q) Tj Q Q",
        "% q q q\nq\r%Q\rQ",
        "q <71 51> Tj << /q 1 /Q [q] >> BDC EMC q",
        "q BI /W 4 /H 1 /BPC 8 /CS /G ID q Q q\nEI Q",
        "q BI /W 2 /H 1 /BPC 8 /CS /G ID \x01Q EI Q q",
        "Q Q q",
        "/q /Q q[/Q]Q{q}",
        "q 1 0 0 rg 0 0 10 10 re f",
        "",
    };
    for (const auto& c : cases) {
        ContentScan mine = ContentScanner::scan(c);
        ContentScan ref = referenceScan(c);
        EXPECT_EQ(mine.netDepth, ref.netDepth) << c;
        EXPECT_EQ(mine.minDepth, ref.minDepth) << c;
    }
    EXPECT_EQ(referenceScan("q q Q").netDepth, 1); // the reference does count
    EXPECT_EQ(ContentScanner::scan("Q Q q").leadingSaves(), 2);
    EXPECT_EQ(ContentScanner::scan("q Q").leadingSaves(), 0);
}

TEST(PdfContentScanner, TellsPaintingFromStateOnlyContent) {
    EXPECT_FALSE(ContentScanner::scan("1 0 0 -1 0 792 cm\nq\nQ\n").paints);
    EXPECT_FALSE(ContentScanner::scan("q 1 0 0 rg /a0 gs 0 0 m 10 10 l n Q").paints);
    EXPECT_FALSE(ContentScanner::scan("(f S Tj) % Do\n/Do").paints);
    EXPECT_TRUE(ContentScanner::scan("0 0 10 10 re f").paints);
    EXPECT_TRUE(ContentScanner::scan("0 0 m 10 10 l S").paints);
    EXPECT_TRUE(ContentScanner::scan("BT /F1 12 Tf (x) Tj ET").paints);
    EXPECT_TRUE(ContentScanner::scan("BT [(a) 3 (b)] TJ ET").paints);
    EXPECT_TRUE(ContentScanner::scan("/Im0 Do").paints);
    EXPECT_TRUE(ContentScanner::scan("/Sh0 sh").paints);
    EXPECT_TRUE(ContentScanner::scan("BI /W 1 /H 1 /BPC 8 /CS /G ID \x7f EI").paints);
}

// The token kinds both scanners build on; each token as "kind:text".
TEST(PdfContentLexer, SplitsStringsNamesAndDelimitersAndMarksBrokenEnds) {
    const char* kinds[] = {"word", "name", "string", "hex", "<<", ">>", "brack", "stray", "unterm"};
    auto lex = [&](std::string_view bytes) {
        std::string out;
        ContentLexer lexer(bytes);
        ContentLexer::Token t;
        while (lexer.next(t)) {
            out.append(kinds[static_cast<int>(t.kind)]).append(":");
            out.append(lexer.text(t)).append(" ");
        }
        return out;
    };
    const std::pair<std::string_view, std::string> cases[] = {
        {"q 1.5 w/F1 12 Tf", "word:q word:1.5 word:w name:/F1 word:12 word:Tf "},
        {"(a (b) \\) c)Tj<0A 1f>'", "string:(a (b) \\) c) word:Tj hex:<0A 1f> word:' "},
        {"<</L 3>>[1]{x}% q Q\r\n%x\nS", "<<:<< name:/L word:3 >>:>> brack:[ word:1 brack:] "
                                         "brack:{ word:x brack:} word:S "},
        {std::string_view("a\0b", 3), "word:a word:b "},
        {"x ) y > z", "word:x stray:) word:y stray:> word:z "},
        {"q (open \\", "word:q unterm:(open \\ "},
        {"q (a (b)", "word:q unterm:(a (b) "},
        {"q <41", "word:q unterm:<41 "},
        {"", ""},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(lex(bytes), expected) << bytes;
    }
}

// Hand-made objects that cairo's output (scanned by every layered write) never holds.
TEST(PdfRecordingScanner, TellsPaintedPagesAndNothingFromObjectsItCannotRead) {
    const std::string page = "2 0 obj << /Type /Page /Contents 4 0 R >> endobj";
    const std::pair<std::string, std::optional<bool>> cases[] = {
        {"", std::nullopt},
        {"<< /Type /Pages /Contents 4 0 R >>", std::nullopt},
        {"4 0 obj\n<< /Length 3 /Filter /FlateDecode >>\nstream\nxyz\nendstream\nendobj\n" + page,
         std::nullopt}, // not deflated data
        {"4 0 obj\n<< /Length 9 >>\nstream\n0 0 m 1 1 l S\nendstream\nendobj\n" + page, true},
        {"4 0 obj\n<< /Length 6 >>\nstream\nq Q cm\nendstream\nendobj\n" + page, false},
    };
    RecordingScanner scanner;
    for (const auto& [bytes, paints] : cases) {
        EXPECT_EQ(scanner.pagePaints(bytes), paints) << bytes;
    }
}

// Page numbers in comments and the objects' own numbers do not matter; their data does, compared
// byte for byte, with lengths stated directly or by an object after the data.
TEST(PdfRecordingScanner, FindsTheEarlierPageRecordedAlike) {
    auto page = [](int first, const std::string& data, bool indirect, const char* comment) {
        std::string n = std::to_string(first), l = std::to_string(first + 1);
        std::string length = indirect ? l + " 0 R" : std::to_string(data.size());
        std::string s =
            n + " 0 obj\n<< /Length " + length + " >>\nstream\n" + data + "\nendstream\nendobj\n";
        if (indirect) {
            s += l + " 0 obj\n   " + std::to_string(data.size()) + "\nendobj\n";
        }
        return s + std::to_string(first + 2) + " 0 obj\n<< /Type /Page " + comment +
               "\n /Contents " + n + " 0 R /Resources << /Font << /F 1 0 R >> >> >>\nendobj\n";
    };
    RecordingScanner scanner;
    std::string recorded;
    auto add = [&](const std::string& p, int index) {
        size_t at = recorded.size();
        recorded += p;
        return scanner.earlierAlike(recorded, at, index);
    };
    EXPECT_EQ(add(page(10, "0 0 m 9 9 l S endstream", true, "% 1"), 0), -1);
    EXPECT_EQ(add(page(20, "0 0 m 9 9 l S endstream", true, "% 2"), 1), 0);
    EXPECT_EQ(add(page(30, "0 0 m 9 8 l S endstream", true, "% 3"), 2), -1);
    EXPECT_EQ(add(page(40, "0 0 m 9 9 l S endstream", false, "% 4"), 3), -1);
    EXPECT_EQ(add(page(50, "0 0 m 9 9 l S endstream", false, ""), 4), 3);
    EXPECT_EQ(add("<< /Type /Page ( >>", 5), -1); // not objects as cairo writes them
    EXPECT_EQ(add("4 0 obj\n<< /Length 99 >>\nstream\nabc\nendstream\nendobj\n", 6), -1);
}

} // namespace
} // namespace fen::pdf
