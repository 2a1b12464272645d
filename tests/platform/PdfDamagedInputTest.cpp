// Damaged and unusual input that real files bring: each case was first seen on a file that the
// PDF reading or writing mishandled.
#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/Context.h"
#include "platform/pdf/Document.h"
#include "platform/pdf/Page.h"
#include "platform/pdf/PageImage.h"
#include "platform/pdf/PdfStructure.h"

#include "support/PdfFixtures.h"
#include "support/TestSupport.h"
#include "support/WatermarkFixtures.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

namespace fen::pdf {
namespace {

using fen::test::FixturePage;
using fen::test::makePdf;
using fen::test::textOp;

// A page that draws a frame over the content, and a PDF picture when given one, so that the
// write has something to lay over it.
class FramedPage : public Page {
public:
    FramedPage(Document& document, int index, const PageImage* picture)
        : Page(document, index), picture_(picture) {}
    void draw(Box box, gfx::Context& ctx) override {
        Page::draw(box, ctx);
        ctx.setStrokeColor({1, 0, 0, 1});
        ctx.setLineWidth(4);
        ctx.strokeRect({10, 10, 50, 50});
        if (picture_) {
            picture_->draw(ctx);
        }
    }

private:
    const PageImage* picture_;
};

void useFramedPages(Document& doc, const PageImage* picture = nullptr) {
    doc.setPageFactory([picture](Document& d, int index) {
        return std::make_unique<FramedPage>(d, index, picture);
    });
}

// qpdf --check of a written file passes, and it has `pages` pages.
void expectSound(const std::filesystem::path& pdf, int pages) {
    auto check = test::runCommand({"qpdf", "--check", "--show-npages", pdf.string()});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_NE(check.out.find("\n" + std::to_string(pages) + "\n"), std::string::npos) << check.out;
}

// `bytes` with everything before the first object dropped: no "%PDF-" header line.
std::string withoutHeader(const std::string& bytes) {
    size_t first = bytes.find(" 0 obj");
    first = bytes.rfind('\n', first);
    return "  " + bytes.substr(first + 1);
}

// `bytes` with every page's resources moved to the root of the page tree as a stream (which is
// no resource dictionary), so that each page inherits that stream.
std::string withStreamResources(const std::string& bytes) {
    return test::editPdf(bytes, [](QPDF& pdf) {
        for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
            page.getObjectHandle().removeKey("/Resources");
        }
        pdf.getRoot().getKey("/Pages").replaceKey("/Resources", pdf.newStream("<< /Font << >> >>"));
    });
}

// `bytes` with page 1's content array holding a null, a number and a name besides its one stream,
// and page 2's content a dictionary.
std::string withContentsThatAreNoStream(const std::string& bytes) {
    return test::editPdf(bytes, [](QPDF& pdf) {
        auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
        QPDFObjectHandle first = pages.at(0).getObjectHandle();
        QPDFObjectHandle contents = QPDFObjectHandle::newArray();
        contents.appendItem(QPDFObjectHandle::newNull());
        contents.appendItem(QPDFObjectHandle::newInteger(5));
        contents.appendItem(first.getKey("/Contents"));
        contents.appendItem(QPDFObjectHandle::newName("/Odd"));
        first.replaceKey("/Contents", contents);
        pages.at(1).getObjectHandle().replaceKey("/Contents", QPDFObjectHandle::newDictionary());
    });
}

// Each damage is opened, framed on every page (with the file itself as a PDF picture over it when
// it can be one) and written: the output passes qpdf --check with every page, keeps the page's
// words and shows the frame.
TEST(PdfDamagedInput, DamagedFilesAreWrittenWholeWithTheFrameOverEveryPage) {
    const std::string twoPages = makePdf({FixturePage{.content = textOp(72, 700, 12, "Kept one")},
                                          FixturePage{.content = textOp(72, 700, 12, "Kept two")}});
    const struct {
        const char* damage;
        std::string bytes;
        std::vector<std::string> words;
    } cases[] = {
        {"no header line", withoutHeader(twoPages), {"one", "two"}},
        {"resources that are a stream", withStreamResources(twoPages), {}},
        {"contents that are no stream", withContentsThatAreNoStream(twoPages), {"one"}},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.damage);
        auto picture = PageImage::fromData(c.bytes);
        std::vector<const PageImage*> pictures{nullptr};
        if (picture) {
            pictures.push_back(&*picture);
        }
        for (const PageImage* used : pictures) {
            Document doc;
            useFramedPages(doc, used);
            ASSERT_EQ(doc.openData(c.bytes), OpenResult::opened);
            auto out = dir / "out.pdf";
            ASSERT_TRUE(doc.write(out.string()));
            expectSound(out, 2);
            std::string text = test::pdftotext(out);
            for (const auto& word : c.words) {
                EXPECT_NE(text.find(word), std::string::npos) << word << " in " << text;
            }
            for (int page = 1; page <= 2; ++page) {
                EXPECT_TRUE(test::isRed(test::renderCropBox(out, page, 72).at(10, 792 - 30)))
                    << page;
            }
        }
    }
}

TEST(PdfDamagedInput, AnEncryptedFileWithoutItsHeaderStillAsksForItsPassword) {
    Document doc;
    EXPECT_EQ(doc.openData(withoutHeader(test::encryptPdf(makePdf({FixturePage{}}), "u", "o"))),
              OpenResult::locked);
    EXPECT_TRUE(doc.unlock("u"));
    EXPECT_EQ(doc.pageCount(), 1);
}

TEST(PdfDamagedInput, APdfPictureWhoseContentCannotBeDecodedIsLeftOutOfTheWrite) {
    // A page whose only content stream claims Flate but holds bytes that do not inflate.
    std::string broken = test::editPdf(
        makePdf({FixturePage{.content = textOp(72, 700, 12, "Logo")}}), [](QPDF& pdf) {
            QPDFPageObjectHelper page = QPDFPageDocumentHelper(pdf).getAllPages().at(0);
            QPDFObjectHandle contents = page.getObjectHandle().getKey("/Contents");
            contents.replaceStreamData("\x78\x9c not deflated at all",
                                       QPDFObjectHandle::newName("/FlateDecode"),
                                       QPDFObjectHandle::newNull());
        });
    auto picture = PageImage::fromData(broken);
    ASSERT_TRUE(picture);
    // A sound picture on the same pages is placed by the image watermark tests.
    Document doc;
    useFramedPages(doc, &*picture);
    ASSERT_EQ(doc.openData(makePdf({FixturePage{.content = textOp(72, 700, 12, "Body")},
                                    FixturePage{.content = textOp(72, 700, 12, "Body")}})),
              OpenResult::opened);
    test::TempDir dir;
    ASSERT_TRUE(doc.write((dir / "out.pdf").string()));
    expectSound(dir / "out.pdf", 2);
    std::string text = test::pdftotext(dir / "out.pdf");
    EXPECT_EQ(test::occurrences(text, "Body"), 2u) << text;
    EXPECT_EQ(test::occurrences(text, "Logo"), 0u) << text;
}

// `bytes` with a stray object numbered 2147483647 (the highest number qpdf allows) before the
// cross-reference table, and the table's offset wrong: qpdf repairs the table by scanning the file
// and finds the stray object, after which it cannot number any new object.
std::string withHighestObjectNumber(const std::string& bytes) {
    size_t xref = bytes.rfind("\nxref\n") + 1;
    std::string damaged = bytes.substr(0, xref) + "2147483647 0 obj\n<< /Stray true >>\nendobj\n" +
                          bytes.substr(xref);
    size_t offset = damaged.rfind("startxref\n") + 10;
    return damaged.substr(0, offset) + "999999999\n%%EOF\n";
}

TEST(PdfDamagedInput, AFileWhoseRepairFindsTheHighestObjectNumberIsWritten) {
    std::string damaged = withHighestObjectNumber(
        makePdf({FixturePage{.content = textOp(72, 700, 12, "Stray one")},
                 FixturePage{.content = textOp(72, 700, 12, "Stray two")}}));
    test::TempDir dir;
    auto input = dir / "in.pdf";
    test::writeFile(input, damaged);
    auto check = test::runCommand({"qpdf", "--check", input.string()});
    ASSERT_EQ(check.exitCode, 3) << "qpdf reads it with warnings: " << check.out << check.err;

    Document doc;
    useFramedPages(doc);
    ASSERT_EQ(doc.openData(damaged), OpenResult::opened);
    auto out = dir / "out.pdf";
    ASSERT_TRUE(doc.write(out.string()));
    expectSound(out, 2);
    EXPECT_NE(test::pdftotext(out).find("Stray two"), std::string::npos);
}

// `bytes` with a form whose field tree is `depth` fields deep, each field listing the next one
// twice as its kids: 2^depth paths through `depth` + 1 fields.
std::string withSharedKidsForm(const std::string& bytes, int depth) {
    return test::editPdf(bytes, [depth](QPDF& pdf) {
        QPDFObjectHandle node =
            pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /FT /Tx /T (leaf) >>"));
        for (int i = 0; i < depth; ++i) {
            QPDFObjectHandle parent = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
            QPDFObjectHandle kids = QPDFObjectHandle::newArray();
            kids.appendItem(node);
            kids.appendItem(node);
            parent.replaceKey("/Kids", kids);
            node.replaceKey("/Parent", parent);
            node = parent;
        }
        QPDFObjectHandle fields = QPDFObjectHandle::newArray();
        fields.appendItem(node);
        QPDFObjectHandle form = QPDFObjectHandle::newDictionary();
        form.replaceKey("/Fields", fields);
        pdf.getRoot().replaceKey("/AcroForm", pdf.makeIndirectObject(form));
    });
}

TEST(PdfDamagedInput, AFormWhoseFieldsShareKidsIsLeftOutOfWhatPopplerDraws) {
    std::string page =
        makePdf({FixturePage{.content = test::fillRectOp({0, 0, 612, 396}, {0, 0, 0, 1}) +
                                        textOp(72, 700, 12, "Form")}});
    std::string shared = withSharedKidsForm(page, 40);

    PdfStructure structure = PdfStructure::read(shared, std::nullopt);
    ASSERT_EQ(structure.result, OpenResult::opened);
    ASSERT_TRUE(structure.popplerBytes);
    EXPECT_EQ(PdfStructure::read(*structure.popplerBytes, std::nullopt).pages.size(), 1u);
    // A form that is a proper tree goes to poppler as it is.
    EXPECT_FALSE(PdfStructure::read(withSharedKidsForm(page, 0), std::nullopt).popplerBytes);
    EXPECT_FALSE(PdfStructure::read(page, std::nullopt).popplerBytes);

    // The page shows (black lower half, white upper half) instead of poppler walking 2^40 paths.
    Document doc;
    ASSERT_EQ(doc.openData(shared), OpenResult::opened);
    // A hang here is ended by the test run's time limit.
    gfx::Image shown = doc.page(0)->renderForDisplay(Box::crop, 0.25);
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.pixel(shown.width() / 2, shown.height() * 3 / 4), 0xFF000000u);
    EXPECT_EQ(shown.pixel(shown.width() / 2, shown.height() / 4), 0xFFFFFFFFu);

    // The same file used as a picture.
    auto picture = PageImage::fromData(shared);
    ASSERT_TRUE(picture);
    auto bitmap = gfx::BitmapContext::create(153, 198);
    bitmap->scaleBy(0.25, 0.25);
    picture->draw(*bitmap);
    gfx::Image drawn = bitmap->makeImage();
    EXPECT_EQ(drawn.pixel(76, 190), 0xFF000000u);
}

} // namespace
} // namespace fen::pdf
