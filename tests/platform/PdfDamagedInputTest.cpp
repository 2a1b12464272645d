// Damaged and unusual input that real files bring: each case was first seen on a file that the
// PDF reading or writing mishandled.
#include "platform/graphics/Context.h"
#include "platform/pdf/Document.h"
#include "platform/pdf/Page.h"

#include "support/PdfFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace fen::pdf {
namespace {

using fen::test::FixturePage;
using fen::test::makePdf;
using fen::test::textOp;

// A page that draws a frame over the content, so that the write has something to lay over it.
class FramedPage : public Page {
public:
    using Page::Page;
    void draw(Box box, gfx::Context& ctx) override {
        Page::draw(box, ctx);
        ctx.setStrokeColor({1, 0, 0, 1});
        ctx.strokeRect({10, 10, 50, 50});
    }
};

void useFramedPages(Document& doc) {
    doc.setPageFactory(
        [](Document& d, int index) { return std::make_unique<FramedPage>(d, index); });
}

// `bytes` with everything before the first object dropped: no "%PDF-" header line.
std::string withoutHeader(const std::string& bytes) {
    size_t first = bytes.find(" 0 obj");
    first = bytes.rfind('\n', first);
    return "  " + bytes.substr(first + 1);
}

TEST(PdfDamagedInput, AFileWithoutItsHeaderIsReadAsQpdfRepairsIt) {
    std::string plain = makePdf({FixturePage{.content = textOp(72, 700, 12, "Headless one")},
                                 FixturePage{.content = textOp(72, 700, 12, "Headless two")}});
    std::string headless = withoutHeader(plain);
    ASSERT_EQ(headless.find("%PDF"), std::string::npos);

    Document doc;
    useFramedPages(doc);
    ASSERT_EQ(doc.openData(headless), OpenResult::opened);
    EXPECT_EQ(doc.pageCount(), 2);

    test::TempDir dir;
    auto out = dir / "out.pdf";
    ASSERT_TRUE(doc.write(out.string()));
    auto check = test::runCommand({"qpdf", "--check", "--show-npages", out.string()});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_NE(check.out.find("\n2\n"), std::string::npos) << check.out;
    std::string text = test::pdftotext(out);
    EXPECT_NE(text.find("Headless one"), std::string::npos) << text;
    EXPECT_NE(text.find("Headless two"), std::string::npos) << text;
}

TEST(PdfDamagedInput, AnEncryptedFileWithoutItsHeaderStillAsksForItsPassword) {
    std::string locked = withoutHeader(test::encryptPdf(
        makePdf({FixturePage{.content = textOp(72, 700, 12, "Secret")}}), "user", "owner"));
    Document doc;
    EXPECT_EQ(doc.openData(locked), OpenResult::locked);
    EXPECT_TRUE(doc.unlock("user"));
    EXPECT_EQ(doc.pageCount(), 1);
}

} // namespace
} // namespace fen::pdf
