#include "support/PdfFixtures.h"

#include "support/TestSupport.h"

#include "platform/graphics/BitmapContext.h"
#include "platform/image/ImageCodec.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <charconv>
#include <cmath>
#include <regex>
#include <sstream>

namespace fen::test {

namespace {

std::string num(double v) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 4);
    std::string s(buf, end);
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') {
        s.pop_back();
    }
    return s;
}

QPDFObjectHandle rectArray(const gfx::Rect& r) {
    return QPDFObjectHandle::newArray(
        QPDFObjectHandle::Rectangle(r.minX(), r.minY(), r.maxX(), r.maxY()));
}

std::string written(QPDF& pdf, const std::function<void(QPDFWriter&)>& configure = {}) {
    QPDFWriter w(pdf);
    w.setOutputMemory();
    w.setStaticID(true);
    if (configure) {
        configure(w);
    }
    w.write();
    auto buffer = w.getBufferSharedPointer();
    return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

// A poppler tool's arguments: `argv`, the user password when given, then the file; pdftotext
// writes to standard output.
std::vector<std::string> popplerArgs(std::vector<std::string> argv,
                                     const std::filesystem::path& pdf,
                                     const std::optional<std::string>& password) {
    if (password) {
        argv.insert(argv.end(), {"-upw", *password});
    }
    argv.push_back(pdf.string());
    if (argv[0] == "pdftotext") {
        argv.push_back("-");
    }
    return argv;
}

cairo_status_t appendToString(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

} // namespace

std::string textOp(double x, double y, double size, const std::string& text) {
    return "BT /F1 " + num(size) + " Tf " + num(x) + " " + num(y) + " Td (" + text + ") Tj ET\n";
}

std::string fillRectOp(const gfx::Rect& r, const gfx::Color& c) {
    return num(c.red) + " " + num(c.green) + " " + num(c.blue) + " rg " + num(r.x) + " " +
           num(r.y) + " " + num(r.width) + " " + num(r.height) + " re f\n";
}

FixturePage whiteBoxPage(const gfx::Rect& media, const gfx::Rect& box, int rotate,
                         const std::optional<gfx::Rect>& crop) {
    return {.media = media,
            .crop = crop,
            .rotate = rotate,
            .content = fillRectOp(box, {1, 1, 1, 1}) + "0 g " +
                       textOp(box.minX() + 4, box.minY() + 4, 10, "Box")};
}

namespace {

// Sets the boxes given and the turn, when given, on a page or the root of the page tree.
void setAttributes(
    QPDFObjectHandle dict, const std::optional<int>& rotate,
    std::initializer_list<std::pair<const char*, const std::optional<gfx::Rect>*>> boxes) {
    for (const auto& [key, box] : boxes) {
        if (*box) {
            dict.replaceKey(key, rectArray(**box));
        }
    }
    if (rotate) {
        dict.replaceKey("/Rotate", QPDFObjectHandle::newInteger(*rotate));
    }
}

} // namespace

std::string makePdf(const std::vector<FixturePage>& pages, const FixtureTree& tree) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle font = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
                                "/Encoding /WinAnsiEncoding >>"));
    QPDFObjectHandle root = pdf.getRoot().getKey("/Pages");
    QPDFObjectHandle kids = QPDFObjectHandle::newArray();
    for (const auto& p : pages) {
        QPDFObjectHandle page = QPDFObjectHandle::parse("<< /Type /Page >>");
        page.replaceKey("/Parent", root);
        setAttributes(page, p.rotate,
                      {{"/MediaBox", &p.media},
                       {"/CropBox", &p.crop},
                       {"/BleedBox", &p.bleed},
                       {"/TrimBox", &p.trim},
                       {"/ArtBox", &p.art}});
        QPDFObjectHandle resources = QPDFObjectHandle::parse("<< /Font << >> >>");
        resources.getKey("/Font").replaceKey("/F1", font);
        page.replaceKey("/Resources", resources);
        page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, p.content));
        kids.appendItem(pdf.makeIndirectObject(page));
    }
    root.replaceKey("/Kids", kids);
    root.replaceKey("/Count", QPDFObjectHandle::newInteger(static_cast<long long>(pages.size())));
    setAttributes(root, tree.rotate, {{"/MediaBox", &tree.media}, {"/CropBox", &tree.crop}});
    return written(pdf);
}

std::string wordPages(int count, double width, double height, const std::string& word) {
    return makePdf(std::vector(static_cast<std::size_t>(count),
                               FixturePage{.media = gfx::Rect{0, 0, width, height},
                                           .content = textOp(72, height - 100, 12, word)}));
}

std::string makeCairoTextPdf(int pages, double width, double height, int lines) {
    std::string bytes;
    cairo_surface_t* surface =
        cairo_pdf_surface_create_for_stream(appendToString, &bytes, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 10);
    for (int p = 1; p <= pages; ++p) {
        for (int l = 1; l <= lines; ++l) {
            std::string text = "Page " + std::to_string(p) + " line " + std::to_string(l) +
                               " the quick brown fox jumps over the lazy dog";
            cairo_move_to(cr, 50, 40 + (l - 1) * 17.0);
            cairo_show_text(cr, text.c_str());
        }
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    return bytes;
}

std::string editPdf(const std::string& bytes, const std::function<void(QPDF&)>& edit,
                    const std::optional<std::string>& password) {
    QPDF pdf;
    pdf.processMemoryFile("fixture", bytes.data(), bytes.size(),
                          password ? password->c_str() : nullptr);
    if (edit) {
        edit(pdf);
    }
    return written(pdf, [](QPDFWriter& w) { w.setPreserveEncryption(false); });
}

namespace {

std::string addAnnotation(const std::string& bytes, int index, const gfx::Rect& rect,
                          const std::function<QPDFObjectHandle(QPDF&)>& make) {
    return editPdf(bytes, [&](QPDF& pdf) {
        auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
        QPDFObjectHandle page = pages.at(static_cast<size_t>(index)).getObjectHandle();
        QPDFObjectHandle annots = page.getKey("/Annots");
        if (!annots.isArray()) {
            annots = QPDFObjectHandle::newArray();
            page.replaceKey("/Annots", annots);
        }
        QPDFObjectHandle annot = make(pdf);
        annot.replaceKey("/Rect", rectArray(rect));
        annot.replaceKey("/P", page);
        annots.appendItem(annot);
    });
}

} // namespace

std::string addLink(const std::string& bytes, int index, const gfx::Rect& rect,
                    const std::string& uri) {
    return addAnnotation(bytes, index, rect, [&](QPDF& pdf) {
        QPDFObjectHandle a = QPDFObjectHandle::parse(
            "<< /Type /Annot /Subtype /Link /Border [0 0 0] /A << /S /URI >> >>");
        a.getKey("/A").replaceKey("/URI", QPDFObjectHandle::newString(uri));
        return pdf.makeIndirectObject(a);
    });
}

std::string addSquareAnnotation(const std::string& bytes, int index, const gfx::Rect& rect,
                                const gfx::Color& color) {
    return addAnnotation(bytes, index, rect, [&](QPDF& pdf) {
        QPDFObjectHandle a = QPDFObjectHandle::parse("<< /Type /Annot /Subtype /Square /F 4 >>");
        const gfx::Rect box{0, 0, rect.width, rect.height};
        QPDFObjectHandle ap = QPDFObjectHandle::newStream(&pdf, fillRectOp(box, color));
        ap.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
        ap.getDict().replaceKey("/BBox", rectArray(box));
        a.replaceKey("/AP", QPDFObjectHandle::newDictionary({{"/N", ap}}));
        return pdf.makeIndirectObject(a);
    });
}

std::string encryptPdf(const std::string& bytes, const std::string& user, const std::string& owner,
                       bool aes128) {
    return encryptPdf(bytes, user, owner, aes128 ? Encryption::r4aes : Encryption::r6);
}

std::string encryptPdf(const std::string& bytes, const std::string& user, const std::string& owner,
                       Encryption encryption) {
    QPDF pdf;
    pdf.processMemoryFile("fixture", bytes.data(), bytes.size());
    return written(pdf, [&](QPDFWriter& w) {
        const char* u = user.c_str();
        const char* o = owner.c_str();
        switch (encryption) {
        case Encryption::r2:
            w.setR2EncryptionParametersInsecure(u, o, true, true, true, true);
            break;
        case Encryption::r3:
            w.setR3EncryptionParametersInsecure(u, o, true, true, true, true, true, true,
                                                qpdf_r3p_full);
            break;
        case Encryption::r4rc4:
        case Encryption::r4aes:
            w.setR4EncryptionParametersInsecure(u, o, true, true, true, true, true, true,
                                                qpdf_r3p_full, true,
                                                encryption == Encryption::r4aes);
            break;
        case Encryption::r6:
            w.setR6EncryptionParameters(u, o, true, true, true, true, true, true, qpdf_r3p_full,
                                        true);
            break;
        }
    });
}

std::vector<PageFacts> pageFacts(const std::string& bytes,
                                 const std::optional<std::string>& password) {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processMemoryFile("facts", bytes.data(), bytes.size(),
                          password ? password->c_str() : nullptr);
    std::vector<PageFacts> facts;
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        auto text = [&](const char* key, bool inherited) {
            QPDFObjectHandle h =
                inherited ? page.getAttribute(key, false) : page.getObjectHandle().getKey(key);
            return h.isNull() ? std::string() : h.unparse();
        };
        PageFacts f{text("/MediaBox", true), text("/CropBox", true), text("/BleedBox", false),
                    text("/TrimBox", false), text("/ArtBox", false), text("/Rotate", true)};
        if (QPDFObjectHandle annots = page.getObjectHandle().getKey("/Annots"); annots.isArray()) {
            for (auto& a : annots.aitems()) {
                f.annotations.push_back(a.getKey("/Subtype").unparse() + " " +
                                        a.getKey("/Rect").unparse());
            }
        }
        facts.push_back(std::move(f));
    }
    return facts;
}

bool qpdfCheck(const std::filesystem::path& pdf, const std::optional<std::string>& password) {
    auto r = runCommand({"qpdf", "--check", "--password=" + password.value_or(""), pdf.string()});
    return r.exitCode == 0 &&
           r.out.find("No syntax or stream encoding errors") != std::string::npos;
}

namespace {

// The lines of a poppler tool's table below its two header lines.
std::vector<std::string> tableRows(const std::string& out) {
    std::vector<std::string> rows = splitLines(out);
    rows.erase(rows.begin(), rows.begin() + std::min<std::ptrdiff_t>(2, std::ssize(rows)));
    std::erase(rows, std::string());
    return rows;
}

} // namespace

std::vector<PdfImageRow> pdfImages(const std::filesystem::path& pdf) {
    std::vector<PdfImageRow> images;
    for (const auto& line : tableRows(runCommand({"pdfimages", "-list", pdf.string()}).out)) {
        std::istringstream fields(line);
        PdfImageRow row;
        std::string num, color, comp, bpc, enc, interp;
        fields >> row.page >> num >> row.type >> row.width >> row.height >> color >> comp >> bpc >>
            enc >> interp >> row.object;
        images.push_back(row);
    }
    return images;
}

std::vector<std::string> pdfFonts(const std::filesystem::path& pdf) {
    return tableRows(runCommand({"pdffonts", pdf.string()}).out);
}

std::string pdftotext(const std::filesystem::path& pdf,
                      const std::optional<std::string>& password) {
    return runCommand(popplerArgs({"pdftotext"}, pdf, password)).out;
}

std::vector<WordBox> pdftotextBBox(const std::filesystem::path& pdf,
                                   const std::optional<std::string>& password) {
    std::string html = runCommand(popplerArgs({"pdftotext", "-bbox"}, pdf, password)).out;
    std::vector<WordBox> words;
    static const std::regex word(
        R"re(<word xMin="([-0-9.]+)" yMin="([-0-9.]+)" xMax="([-0-9.]+)" yMax="([-0-9.]+)">)re"
        R"re(([^<]*)</word>)re");
    int page = 0;
    std::istringstream lines(html);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find("<page ") != std::string::npos) {
            ++page;
            continue;
        }
        std::smatch m;
        if (std::regex_search(line, m, word)) {
            words.push_back({m[5].str(), page, std::stod(m[1].str()), std::stod(m[2].str()),
                             std::stod(m[3].str()), std::stod(m[4].str())});
        }
    }
    return words;
}

bool Rgb::near(const Rgb& o, int tolerance) const {
    return std::abs(r - o.r) <= tolerance && std::abs(g - o.g) <= tolerance &&
           std::abs(b - o.b) <= tolerance;
}

Rgb Raster::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return {-1, -1, -1};
    }
    size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

Raster rasterOf(const gfx::Image& image) {
    Raster raster;
    raster.width = image.width();
    raster.height = image.height();
    for (int y = 0; y < raster.height; ++y) {
        for (int x = 0; x < raster.width; ++x) {
            std::uint32_t p = image.pixel(x, y);
            raster.rgb.push_back(static_cast<std::uint8_t>((p >> 16) & 0xFF));
            raster.rgb.push_back(static_cast<std::uint8_t>((p >> 8) & 0xFF));
            raster.rgb.push_back(static_cast<std::uint8_t>(p & 0xFF));
        }
    }
    return raster;
}

gfx::Image solidImage(int width, int height, const gfx::Color& color) {
    auto bitmap = gfx::BitmapContext::create(width, height);
    bitmap->setFillColor(color);
    bitmap->fillRect({0, 0, static_cast<double>(width), static_cast<double>(height)});
    return bitmap->makeImage();
}

std::filesystem::path writeSolidPng(const std::filesystem::path& path, int width, int height,
                                    const gfx::Color& color) {
    EXPECT_TRUE(gfx::ImageCodec::writePNG(solidImage(width, height, color), path)) << path;
    return path;
}

namespace {

// Where a point of the page's unrotated user space lands when the page is shown turned by
// `rotation`, in points from the top left of the shown crop box.
gfx::Point shownPoint(gfx::Point p, const gfx::Rect& crop, int rotation) {
    double ux = p.x - crop.minX(), uy = p.y - crop.minY();
    double w = crop.width, h = crop.height;
    switch (rotation) {
    case 90:
        return {uy, ux};
    case 180:
        return {w - ux, uy};
    case 270:
        return {h - uy, w - ux};
    default:
        return {ux, h - uy};
    }
}

} // namespace

Rgb Raster::atUserPoint(gfx::Point p, const gfx::Rect& crop, int rotation) const {
    gfx::Point s = shownPoint(p, crop, rotation);
    return at(static_cast<int>(std::floor(s.x * dpi / 72)),
              static_cast<int>(std::floor(s.y * dpi / 72)));
}

std::vector<Raster> renderCropBoxes(const std::filesystem::path& pdf, double dpi, int first,
                                    int last, const std::optional<std::string>& password) {
    std::vector<std::string> argv{"pdftoppm", "-cropbox", "-r", num(dpi)};
    if (first > 0) {
        argv.insert(argv.end(), {"-f", std::to_string(first), "-l", std::to_string(last)});
    }
    CommandResult r = runCommand(popplerArgs(argv, pdf, password));
    // One binary PPM per page, one after the other: "P6\n<w> <h>\n<max>\n" then RGB bytes.
    std::vector<Raster> rasters;
    std::istringstream in(r.out);
    for (std::string magic; r.exitCode == 0 && in >> magic;) {
        Raster raster;
        raster.dpi = dpi;
        int maxValue = 0;
        if (magic != "P6" || !(in >> raster.width >> raster.height >> maxValue) ||
            maxValue != 255) {
            return {};
        }
        in.get();
        raster.rgb.resize(static_cast<size_t>(raster.width) * static_cast<size_t>(raster.height) *
                          3);
        if (!in.read(reinterpret_cast<char*>(raster.rgb.data()),
                     static_cast<std::streamsize>(raster.rgb.size()))) {
            return {};
        }
        rasters.push_back(std::move(raster));
    }
    return rasters;
}

Raster renderCropBox(const std::filesystem::path& pdf, int page, double dpi,
                     const std::optional<std::string>& password) {
    std::vector<Raster> rasters = renderCropBoxes(pdf, dpi, page, page, password);
    return rasters.size() == 1 ? rasters.front() : Raster{};
}

} // namespace fen::test
