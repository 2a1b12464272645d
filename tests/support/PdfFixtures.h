#pragma once

#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

class QPDF;

namespace fen::gfx {
// How test failures show a rectangle.
inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}
} // namespace fen::gfx

namespace fen::test {

// One page built directly with qpdf. `content` is a raw content stream; it may use the font /F1
// (Helvetica, WinAnsi). Boxes left empty are not written (a missing media box is inherited from
// the page tree when the document gives one).
struct FixturePage {
    std::optional<gfx::Rect> media = gfx::Rect{0, 0, 612, 792};
    std::optional<gfx::Rect> crop, bleed, trim, art;
    std::optional<int> rotate;
    std::string content;
};

// Attributes set on the root of the page tree, inherited by every page that lacks them.
struct FixtureTree {
    std::optional<int> rotate;
    std::optional<gfx::Rect> media;
    std::optional<gfx::Rect> crop;
};

std::string makePdf(const std::vector<FixturePage>& pages, const FixtureTree& tree = {});

// Content-stream snippets in the classic locale: Helvetica text at a baseline point, and a filled
// rectangle in an RGB colour.
std::string textOp(double x, double y, double size, const std::string& text);
std::string fillRectOp(const gfx::Rect& r, const gfx::Color& c);

// A page whose content is an opaque white box over `box` (user space) and the word "Box" in
// Helvetica at the box's lower-left corner, so that what is drawn under the content is hidden
// there and what is drawn over it shows.
FixturePage whiteBoxPage(const gfx::Rect& media, const gfx::Rect& box, int rotate = 0,
                         const std::optional<gfx::Rect>& crop = {});

// `count` pages of `width` × `height` points, each showing `word` in Helvetica 12 at
// (72, height − 100), so that a watermark's words are told apart from the page's own.
std::string wordPages(int count, double width, double height, const std::string& word = "Body");

// A text PDF drawn with cairo (so every page begins with cairo's own "1 0 0 -1 0 H cm" outside
// any q): `pages` pages of `width` × `height` points with `lines` lines of text each, every line
// naming its page and line ("Page 3 line 7 ..."), DejaVu Sans 10 pt.
std::string makeCairoTextPdf(int pages, double width = 612, double height = 792, int lines = 41);

// Opens `bytes` (with a password if given), lets `edit` change the QPDF, and writes it again,
// unencrypted.
std::string editPdf(const std::string& bytes, const std::function<void(QPDF&)>& edit,
                    const std::optional<std::string>& password = {});

// Adds a link annotation to a URI on page `index` (0-based).
std::string addLink(const std::string& bytes, int index, const gfx::Rect& rect,
                    const std::string& uri);
// Adds a square annotation with its own appearance (a filled colour) on page `index`.
std::string addSquareAnnotation(const std::string& bytes, int index, const gfx::Rect& rect,
                                const gfx::Color& color);
// Encrypts with `user` and `owner` passwords: revision 6 (AES-256) or, with `aes128`, revision 4.
std::string encryptPdf(const std::string& bytes, const std::string& user, const std::string& owner,
                       bool aes128 = false);
// The security handler's schemes: revision 2 (RC4, 40-bit), 3 (RC4, 128-bit), 4 (RC4 or AES,
// 128-bit) and 6 (AES-256).
enum class Encryption { r2, r3, r4rc4, r4aes, r6 };
// Encrypts with the scheme given, the passwords stored as exactly the bytes given (the older
// schemes store them in PDFDocEncoding: "\xe9t\xe9" for "été").
std::string encryptPdf(const std::string& bytes, const std::string& user, const std::string& owner,
                       Encryption encryption);

// Whether `qpdf --check` finds the file sound.
bool qpdfCheck(const std::filesystem::path& pdf, const std::optional<std::string>& password = {});

// One row of `pdfimages -list`: the 1-based page, the type ("image", "smask"), the size in pixels
// and the object number.
struct PdfImageRow {
    int page = 0;
    std::string type;
    int width = 0, height = 0;
    std::string object;
};
std::vector<PdfImageRow> pdfImages(const std::filesystem::path& pdf);
// The rows of `pdffonts` below its header, one per font object.
std::vector<std::string> pdfFonts(const std::filesystem::path& pdf);

// The page dictionary attributes a write must keep, as qpdf unparses them (inherited values
// resolved), and the page's annotations (subtype and rectangle, in order).
struct PageFacts {
    std::string media, crop, bleed, trim, art, rotate;
    std::vector<std::string> annotations;
    bool operator==(const PageFacts&) const = default;
};
std::vector<PageFacts> pageFacts(const std::string& bytes,
                                 const std::optional<std::string>& password = {});

std::string pdftotext(const std::filesystem::path& pdf,
                      const std::optional<std::string>& password = {});

// One word of `pdftotext -bbox`: its text, 1-based page and box in points from the top left of
// the page as shown (crop box, turned).
struct WordBox {
    std::string text;
    int page = 0;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};
std::vector<WordBox> pdftotextBBox(const std::filesystem::path& pdf,
                                   const std::optional<std::string>& password = {});

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool near(const Rgb& o, int tolerance = 24) const;
};

// A page rendered by `pdftoppm -cropbox` (as a viewer shows it: turned, crop box only).
struct Raster {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    double dpi = 72;
    Rgb at(int x, int y) const;
    // The pixel at a point given in the page's unrotated user space, for a page with this crop box
    // and rotation.
    Rgb atUserPoint(gfx::Point p, const gfx::Rect& crop, int rotation) const;
};
// Renders 1-based page `page`; an empty raster when pdftoppm fails.
Raster renderCropBox(const std::filesystem::path& pdf, int page, double dpi = 72,
                     const std::optional<std::string>& password = {});
// Renders pages `first` to `last` (1-based; every page when `first` is 0) in one run of pdftoppm;
// nothing when it fails.
std::vector<Raster> renderCropBoxes(const std::filesystem::path& pdf, double dpi, int first = 0,
                                    int last = 0, const std::optional<std::string>& password = {});

// The colour channels of a picture as they are stored (premultiplied: transparent pixels read
// black), in the raster's form.
Raster rasterOf(const gfx::Image& image);

// A picture of `width` × `height` pixels in one colour; and the same written as a PNG file.
gfx::Image solidImage(int width, int height, const gfx::Color& color);
std::filesystem::path writeSolidPng(const std::filesystem::path& path, int width, int height,
                                    const gfx::Color& color);

} // namespace fen::test
