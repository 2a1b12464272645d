#include "platform/pdf/ContentScanner.h"

#include "platform/pdf/ContentLexer.h"
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

} // namespace
} // namespace fen::pdf
