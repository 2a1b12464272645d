#include "platform/pdf/Document.h"
#include "platform/pdf/Page.h"

#include "support/PdfFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer's count of the bytes allocated and not freed (its allocator replaces the
// C library's, whose figures then say nothing).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace fen::pdf {
namespace {

using fen::test::FixturePage;
using fen::test::makePdf;

// The bytes this process holds allocated on its heap now.
size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

TEST(PdfDocument, OpeningTellsOpenedLockedAndInvalidApartAndUnlocksWithEitherPassword) {
    // Pages poppler draws red where it can open the file.
    const FixturePage red{.media = gfx::Rect{0, 0, 100, 100},
                          .content = fen::test::fillRectOp({0, 0, 100, 100}, {1, 0, 0, 1})};
    const std::string plain = makePdf({red, red, red});
    const std::string locked = fen::test::encryptPdf(plain, "user-pw", "owner-pw");
    const std::optional<std::string> none;
    using enum fen::test::Encryption;
    const auto older = [&](const std::string& user, const std::string& owner,
                           fen::test::Encryption encryption) {
        return fen::test::encryptPdf(plain, user, owner, encryption);
    };
    // Passwords as the older schemes store them, in PDFDocEncoding, where "€" is 0xA0 (Latin-1's
    // no-break space), the curly quotes 0x8D and 0x8E, and every "é" one byte.
    const std::string ete = "\xe9t\xe9", euro = "\xa0uro", quoted = "\x8dq\x8e";
    // "é" 20 and 40 times: as typed 40 and 80 bytes, of which the older schemes compare 32.
    std::string eAcute20, eAcute40;
    for (int i = 0; i < 40; ++i) {
        eAcute40 += "é";
        eAcute20 += i < 20 ? "é" : "";
    }
    const struct {
        const char* what;
        std::string bytes;
        std::optional<std::string> password;
        OpenResult result;
        bool encrypted;
        int pages;
        // The password the document keeps when it opens with one: the one given unless named.
        std::optional<std::string> kept = {};
    } cases[] = {
        {"locked", locked, none, OpenResult::locked, true, 0},
        {"wrong password", locked, "nope", OpenResult::locked, true, 0},
        {"owner password", locked, "owner-pw", OpenResult::opened, true, 3},
        {"owner password only", fen::test::encryptPdf(plain, "", "owner", true), none,
         OpenResult::opened, true, 3},
        {"words", "just some words, no PDF here", none, OpenResult::invalid, false, 0},
        // A header followed by garbage cannot be reconstructed.
        {"garbage", "%PDF-1.7\n" + std::string(2000, '\x07'), none, OpenResult::invalid, false, 0},
        // The older schemes' passwords, typed in UTF-8, open in PDFDocEncoding.
        {"R2 été", older(ete, "o", r2), "été", OpenResult::opened, true, 3, ete},
        {"R3 €uro", older(euro, "o", r3), "€uro", OpenResult::opened, true, 3, euro},
        {"R4 RC4 “q”", older(quoted, "o", r4rc4), "“q”", OpenResult::opened, true, 3, quoted},
        {"R4 AES été", older(ete, "o", r4aes), "été", OpenResult::opened, true, 3, ete},
        {"R3 owner €uro", older("u", euro, r3), "€uro", OpenResult::opened, true, 3, euro},
        {"R3 Latin-1 is not PDFDocEncoding", older("\xa0", "o", r3), "\u00a0", OpenResult::locked,
         true, 0},
        // 40 bytes of UTF-8 are cut at 32 as typed; their 20 bytes in PDFDocEncoding open.
        {"R3 20 é", older(std::string(20, '\xe9'), "o", r3), eAcute20, OpenResult::opened, true, 3,
         std::string(20, '\xe9')},
        {"R4 40 é", older(std::string(40, '\xe9'), "o", r4aes), eAcute40, OpenResult::opened, true,
         3, std::string(40, '\xe9')},
        {"R4 40 é, the first 32 compared", older(std::string(40, '\xe9'), "o", r4rc4),
         eAcute20 + eAcute20.substr(0, 24), OpenResult::opened, true, 3, std::string(32, '\xe9')},
        // Stored as typed (a character PDFDocEncoding lacks, or a tool that wrote UTF-8).
        {"R3 as typed", older("ŁÓDŹ", "o", r3), "ŁÓDŹ", OpenResult::opened, true, 3},
        {"R2 UTF-8 as typed", older("été", "o", r2), "été", OpenResult::opened, true, 3},
        {"R3 wrong", older(ete, "o", r3), "ete", OpenResult::locked, true, 0},
        {"R3 empty", older("", "o", r3), "", OpenResult::opened, true, 3},
        {"R3 empty tried", older(ete, "o", r3), "", OpenResult::locked, true, 0},
        {"R3 U+FFFD", older("\x9f", "o", r3), "\ufffd", OpenResult::locked, true, 0},
        // AES-256 takes UTF-8 only.
        {"R6 as typed", older("été", "o", r6), "été", OpenResult::opened, true, 3},
        {"R6 in PDFDocEncoding", older(ete, "o", r6), "été", OpenResult::locked, true, 0},
        {"R6 kept form", older(ete, "o", r6), ete, OpenResult::opened, true, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Document doc;
        EXPECT_EQ(doc.openData(c.bytes, c.password), c.result);
        EXPECT_EQ(doc.isOpen(), c.result != OpenResult::invalid);
        EXPECT_EQ(doc.isLocked(), c.result == OpenResult::locked);
        EXPECT_EQ(doc.isEncrypted(), c.encrypted);
        EXPECT_EQ(doc.pageCount(), c.pages);
        EXPECT_EQ(doc.page(0) != nullptr, c.pages > 0);
        const std::optional<std::string> kept = c.kept ? c.kept : c.password;
        // The window's road: a document opened locked, then the password typed.
        if (Document typed; c.password && typed.openData(c.bytes) == OpenResult::locked) {
            EXPECT_EQ(typed.unlock(*c.password), c.result == OpenResult::opened);
            EXPECT_EQ(typed.password(), c.result == OpenResult::opened ? kept : none);
        }
        if (c.result != OpenResult::opened) {
            continue;
        }
        EXPECT_EQ(doc.password(), kept);
        gfx::Image shown = doc.page(2)->renderForDisplay(Box::crop, 1.0);
        EXPECT_EQ(shown.pixel(50, 50), 0xffff0000u) << "poppler drew nothing";
        // The kept form opens the bytes again, as a write and the window's export do.
        Document again;
        EXPECT_EQ(again.openData(c.bytes, kept), OpenResult::opened);
    }

    Document doc;
    ASSERT_EQ(doc.openData(locked), OpenResult::locked);
    EXPECT_FALSE(doc.unlock("wrong"));
    EXPECT_TRUE(doc.unlock("user-pw"));
    EXPECT_EQ(doc.pageCount(), 3);
    EXPECT_EQ(doc.password(), std::optional<std::string>("user-pw"));
    EXPECT_TRUE(doc.unlock("anything")); // already open
    EXPECT_EQ(doc.data(), locked);
    // Opening anew replaces what the document held.
    EXPECT_EQ(doc.openData("nope"), OpenResult::invalid);
    EXPECT_EQ(doc.pageCount(), 0);

    fen::test::TempDir dir;
    fen::test::writeFile(dir / "in.pdf", plain);
    EXPECT_EQ(doc.openFile((dir / "in.pdf").string()), OpenResult::opened);
    EXPECT_EQ(doc.pageCount(), 3);
    EXPECT_EQ(doc.openFile((dir / "nothing.pdf").string()), OpenResult::unreadable);
    EXPECT_FALSE(doc.isOpen());
}

TEST(PdfDocument, BoxesFallBackAsPdfSaysAndStayWithinTheMediaBox) {
    FixturePage bare{.media = gfx::Rect{0, 0, 600, 800}};
    FixturePage full{.media = gfx::Rect{-50, -30, 600, 800},
                     .crop = gfx::Rect{-40, -20, 500, 700},
                     .bleed = gfx::Rect{-45, -25, 590, 790},
                     .trim = gfx::Rect{-30, -10, 400, 600},
                     .art = gfx::Rect{0, 0, 100, 100}};
    // Corners given the other way round, crop larger than media, trim entirely outside (it falls
    // back to the crop box).
    FixturePage reversed{.media = gfx::Rect{600, 800, -600, -800},
                         .crop = gfx::Rect{-100, -100, 400, 2000},
                         .trim = gfx::Rect{700, 0, 50, 50}};
    FixturePage broken{.media = std::nullopt};
    Document doc;
    ASSERT_EQ(doc.openData(makePdf({bare, full, reversed, broken})), OpenResult::opened);

    const std::tuple<int, Box, gfx::Rect> expected[] = {
        {0, Box::media, {0, 0, 600, 800}},    {0, Box::crop, {0, 0, 600, 800}},
        {0, Box::bleed, {0, 0, 600, 800}},    {0, Box::trim, {0, 0, 600, 800}},
        {0, Box::art, {0, 0, 600, 800}},      {1, Box::media, {-50, -30, 600, 800}},
        {1, Box::crop, {-40, -20, 500, 700}}, {1, Box::bleed, {-45, -25, 590, 790}},
        {1, Box::trim, {-30, -10, 400, 600}}, {1, Box::art, {0, 0, 100, 100}},
        {2, Box::media, {0, 0, 600, 800}},    {2, Box::crop, {0, 0, 300, 800}},
        {2, Box::trim, {0, 0, 300, 800}},     {2, Box::bleed, {0, 0, 300, 800}},
        {3, Box::crop, {0, 0, 612, 792}}, // no media box anywhere: US Letter, as viewers assume
        {4, Box::crop, {0, 0, 0, 0}},         {-1, Box::crop, {0, 0, 0, 0}}};
    for (const auto& [page, box, rect] : expected) {
        EXPECT_EQ(doc.pageBounds(page, box), rect) << "page " << page << " box " << int(box);
    }
    EXPECT_EQ(doc.page(1)->bounds(Box::trim), (gfx::Rect{-30, -10, 400, 600}));
}

TEST(PdfDocument, RotationAndBoxesAreInheritedFromThePageTree) {
    FixturePage inherits{.media = std::nullopt};
    FixturePage own{.rotate = -90}, big{.rotate = 450}, odd{.rotate = 45};
    fen::test::FixtureTree tree{180, gfx::Rect{10, 10, 300, 400}, gfx::Rect{20, 30, 100, 200}};
    Document doc;
    ASSERT_EQ(doc.openData(makePdf({inherits, own, big, odd}, tree)), OpenResult::opened);
    EXPECT_EQ(doc.page(0)->bounds(Box::media), (gfx::Rect{10, 10, 300, 400}));
    EXPECT_EQ(doc.page(0)->bounds(Box::crop), (gfx::Rect{20, 30, 100, 200}));
    EXPECT_EQ((std::vector<int>{doc.page(0)->rotation(), doc.page(1)->rotation(),
                                doc.page(2)->rotation(), doc.page(3)->rotation()}),
              (std::vector<int>{180, 270, 90, 0}));
    // Page 2 has its own media box: the inherited crop box is cut to it.
    EXPECT_EQ(doc.page(1)->bounds(Box::crop), (gfx::Rect{20, 30, 100, 200}));

    EXPECT_EQ(doc.page(1)->displaySize(Box::crop), (gfx::Size{200, 100}));
    EXPECT_EQ(doc.page(0)->displaySize(Box::crop).width, 100);
}

// /Rotate as the renderer reads it: only a 32-bit integer counts, taken modulo 360; anything else
// there passes the turn of the tree above, and a turn that is not a multiple of 90 leaves the page
// upright. Each page is also drawn, to see that the renderer at hand agrees.
TEST(PdfDocument, RotationIsReadAsTheRendererReadsIt) {
    const struct {
        const char* written;
        int rotation;
    } cases[] = {
        {"90", 90},          {"-90", 270},       {"450", 90},      {"360000090", 90},
        {"-360000090", 270}, {"90.4", 180},      {"90.0", 180},    {"2147483648", 180},
        {"2147483647", 0},   {"-2147483648", 0}, {"/Ninety", 180}, {"135", 0},
    };
    std::vector<FixturePage> pages(std::size(cases), FixturePage{.media = gfx::Rect{0, 0, 60, 80}});
    const std::string pdf = fen::test::editPdf(
        makePdf(pages, fen::test::FixtureTree{.rotate = 180}), [&](QPDF& written) {
            std::vector<QPDFPageObjectHelper> all = QPDFPageDocumentHelper(written).getAllPages();
            for (size_t i = 0; i < all.size(); ++i) {
                all[i].getObjectHandle().replaceKey("/Rotate",
                                                    QPDFObjectHandle::parse(cases[i].written));
            }
        });
    Document doc;
    ASSERT_EQ(doc.openData(pdf), OpenResult::opened);
    fen::test::TempDir dir;
    fen::test::writeFile(dir / "turned.pdf", pdf);
    const std::vector<fen::test::Raster> drawn = fen::test::renderCropBoxes(dir / "turned.pdf", 72);
    ASSERT_EQ(drawn.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].written);
        EXPECT_EQ(doc.page(static_cast<int>(i))->rotation(), cases[i].rotation);
        EXPECT_EQ(drawn[i].width > drawn[i].height,
                  cases[i].rotation == 90 || cases[i].rotation == 270);
    }
}

// What a document keeps from its opening for a write holds every page's objects. A document that
// is only drawn lets go of it, whether told before opening, after, or before it is unlocked, and
// still writes every page.
TEST(PdfDocument, ADocumentOnlyDrawnKeepsNothingOfItsOpeningForAWriteAndStillWrites) {
    const int pages = 2000;
    const auto plain = std::make_shared<const std::string>(fen::test::wordPages(pages, 200, 200));
    const auto locked =
        std::make_shared<const std::string>(fen::test::encryptPdf(*plain, "user", "owner"));
    enum class Road { setBeforeOpening, setAfterOpening, setBeforeUnlocking };
    const struct {
        const char* what;
        Road road;
        std::shared_ptr<const std::string> bytes;
    } rows[] = {
        {"before opening", Road::setBeforeOpening, plain},
        {"after opening", Road::setAfterOpening, plain},
        {"before unlocking", Road::setBeforeUnlocking, locked},
    };
    const auto open = [](Document& doc, const std::shared_ptr<const std::string>& bytes) {
        if (doc.openData(bytes) == OpenResult::locked) {
            EXPECT_TRUE(doc.unlock("user"));
        }
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        size_t base = heapInUse();
        Document keeping;
        open(keeping, row.bytes);
        const size_t kept = heapInUse() - base;

        base = heapInUse();
        Document drawn;
        if (row.road == Road::setAfterOpening) {
            open(drawn, row.bytes);
            drawn.setKeepsReadForWrite(false);
        } else if (row.road == Road::setBeforeUnlocking) {
            ASSERT_EQ(drawn.openData(row.bytes), OpenResult::locked);
            drawn.setKeepsReadForWrite(false);
            ASSERT_TRUE(drawn.unlock("user"));
        } else {
            drawn.setKeepsReadForWrite(false);
            open(drawn, row.bytes);
        }
        const size_t held = heapInUse() - base;
        ASSERT_EQ(drawn.pageCount(), pages);
        // Well over a kilobyte a page goes with the read document.
        EXPECT_GT(kept, held + pages * 1024) << kept << " against " << held;

        fen::test::TempDir dir;
        ASSERT_TRUE(drawn.write((dir / "out.pdf").string()));
        EXPECT_EQ(fen::test::pageFacts(fen::test::readFile(dir / "out.pdf")).size(), size_t(pages));
    }
}

} // namespace
} // namespace fen::pdf
