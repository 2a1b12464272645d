#include "platform/pdf/LayeredWriter.h"

#include "platform/graphics/Context.h"
#include "platform/pdf/BitmapEncoding.h"
#include "platform/pdf/ContentScanner.h"
#include "platform/pdf/LayerDocument.h"
#include "platform/pdf/LayerRecorder.h"
#include "platform/pdf/Page.h"
#include "platform/pdf/PageImageSource.h"
#include "platform/pdf/PdfStructure.h"
#include "platform/pdf/RasterEncoder.h"
#include "platform/pdf/RasterSpill.h"
#include "platform/pdf/RecordingScanner.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <qpdf/Pl_String.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFSystemError.hh>
#include <qpdf/QPDFWriter.hh>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <stdexcept>

namespace fen::pdf {

namespace {

cairo_status_t appendToString(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

std::string contentOf(QPDFPageObjectHelper& page) {
    std::string s;
    Pl_String pipe("content", nullptr, s);
    page.pipeContents(&pipe);
    return s;
}

std::string repeated(const char* op, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        s += op;
    }
    return s;
}

// The dictionary at `key` of `res`, made the page's own: an indirect (possibly shared) one is
// replaced by a copy, a missing one by a new dictionary.
QPDFObjectHandle ownSubdictionary(QPDFObjectHandle res, const char* key) {
    QPDFObjectHandle d = res.getKey(key);
    if (!d.isDictionary()) {
        d = QPDFObjectHandle::newDictionary();
        res.replaceKey(key, d);
    } else if (d.isIndirect()) {
        d = d.shallowCopy();
        res.replaceKey(key, d);
    }
    return d;
}

// The /DecodeParms of an image stream holding `pixels`, `width` a row: null for plain rows.
QPDFObjectHandle decodeParms(const PackedPlane& pixels, int width) {
    return pixels.predicted ? QPDFObjectHandle::parse(pixels.decodeParms(width))
                            : QPDFObjectHandle::newNull();
}

// The colour space of an image stream holding `pixels`.
QPDFObjectHandle colorSpace(const PackedPlane& pixels) {
    return QPDFObjectHandle::newName(pixels.colors == 1 ? "/DeviceGray" : "/DeviceRGB");
}

// The compressed rows of a deferred picture, given to qpdf when it writes them: read back from
// the write's spill, or as the worker made them when they stayed in memory.
class RasterData : public QPDFObjectHandle::StreamDataProvider {
public:
    RasterData(std::shared_ptr<RasterTask> task, std::shared_ptr<const RasterSpill> spill)
        : task_(std::move(task)), spill_(std::move(spill)) {}
    void provideStreamData(QPDFObjGen const&, Pipeline* pipeline) override {
        const EncodedRaster& raster = task_->result();
        if (raster.spilled) {
            spill_->pipe(*raster.spilled, *pipeline);
        } else {
            const std::string& data = raster.pixels.flate;
            pipeline->write(reinterpret_cast<const unsigned char*>(data.data()), data.size());
        }
        pipeline->finish();
    }

private:
    std::shared_ptr<RasterTask> task_;
    std::shared_ptr<const RasterSpill> spill_;
};

// One plane of a bitmap's encoding, given to qpdf when it writes it: the compressed bytes are
// shared with the image, not copied per file.
class BitmapData : public QPDFObjectHandle::StreamDataProvider {
public:
    BitmapData(std::shared_ptr<const BitmapEncoding> encoding, bool alpha)
        : encoding_(std::move(encoding)), alpha_(alpha) {}
    void provideStreamData(QPDFObjGen const&, Pipeline* pipeline) override {
        const std::string& data = alpha_ ? encoding_->alpha.flate : encoding_->color.flate;
        pipeline->write(reinterpret_cast<const unsigned char*>(data.data()), data.size());
        pipeline->finish();
    }

private:
    std::shared_ptr<const BitmapEncoding> encoding_;
    bool alpha_;
};

// Merges the recording into a fresh copy of the input, page by page.
class Merger {
public:
    Merger(QPDF& out, LayerDocument* layer, std::shared_ptr<const RasterSpill> spill)
        : out_(out), layer_(layer), spill_(std::move(spill)) {}

    void merge(QPDFPageObjectHelper& page, const LayerRecorder::PageRecord& record) {
        std::vector<const LayerRecorder::Step*> under = live(record.under);
        std::vector<const LayerRecorder::Step*> over = live(record.over);
        QPDFObjectHandle dict = page.getObjectHandle();
        if (!record.baseDrawn) {
            // The page is what it drew, alone: new resources, new content, links only.
            QPDFObjectHandle res = QPDFObjectHandle::newDictionary();
            dict.replaceKey("/Resources", res);
            under.insert(under.end(), over.begin(), over.end());
            dict.replaceKey("/Contents", sharedStream(placements(under, res, record.area)));
            keepOnlyLinks(dict);
            return;
        }
        if (under.empty() && over.empty()) {
            return;
        }
        dropContentsThatAreNoStream(dict);
        QPDFObjectHandle res;
        try {
            res = page.getAttribute("/Resources", true);
        } catch (const std::exception&) {
            // Inherited resources that are no dictionary (a stream) cannot be copied; readers
            // ignore them, and the page gets a dictionary of its own as below.
            res = QPDFObjectHandle::newNull();
        }
        if (!res.isDictionary()) {
            res = QPDFObjectHandle::newDictionary();
            dict.replaceKey("/Resources", res);
        }
        std::string underOps = placements(under, res, record.area);
        if (over.empty()) {
            page.addPageContents(sharedStream(underOps), true);
            return;
        }
        std::string overOps = placements(over, res, record.area);
        ContentScan scan;
        try {
            scan = ContentScanner::scan(contentOf(page));
        } catch (const std::exception&) {
            scan = {}; // unreadable content: nothing to balance
        }
        int saves = 1 + scan.leadingSaves();
        int restores = saves + scan.netDepth;
        underOps.append(repeated("q\n", saves));
        std::string closing("\n");
        closing.append(repeated("Q\n", restores)).append(overOps);
        page.addPageContents(sharedStream(underOps), true);
        page.addPageContents(sharedStream(closing), false);
    }

private:
    std::vector<const LayerRecorder::Step*> live(const std::vector<LayerRecorder::Step>& steps) {
        std::vector<const LayerRecorder::Step*> r;
        for (const auto& s : steps) {
            if (s.segment < 0 || (layer_ && layer_->paints(s.segment))) {
                r.push_back(&s);
            }
        }
        return r;
    }

    std::string placements(const std::vector<const LayerRecorder::Step*>& steps,
                           QPDFObjectHandle res, const gfx::Rect& area) {
        std::string ops;
        if (steps.empty()) {
            return ops;
        }
        QPDFObjectHandle xobjects = ownSubdictionary(res, "/XObject");
        int suffix = 1;
        for (const auto* step : steps) {
            if (step->segment >= 0) {
                std::string name = res.getUniqueResourceName("/FenLayer", suffix);
                xobjects.replaceKey(name, layer_->form(step->segment));
                ops += "q 1 0 0 1 " + LayeredWriter::number(area.minX()) + " " +
                       LayeredWriter::number(area.minY()) + " cm " + name + " Do Q\n";
            } else if (step->raster.task) {
                QPDFObjectHandle image = rasterImage(step->raster.task);
                if (image.isNull()) {
                    // A picture that could not be painted (a flattened page among them) fails the
                    // write: a page is never written without what it drew.
                    throw std::runtime_error("A page's picture could not be drawn.");
                }
                std::string name = res.getUniqueResourceName("/FenRaster", suffix);
                xobjects.replaceKey(name, image);
                ops += "q ";
                for (double v : step->raster.matrix) {
                    ops += LayeredWriter::number(v) + " ";
                }
                ops += "cm " + name + " Do Q\n";
            } else if (step->bitmap.encoding) {
                const auto& bitmap = step->bitmap;
                QPDFObjectHandle image = bitmapImage(bitmap.encoding, bitmap.interpolate);
                std::string name = res.getUniqueResourceName("/FenImage", suffix);
                xobjects.replaceKey(name, image);
                ops += clippedPlacement(name, bitmap.matrix, bitmap.alpha, res, area, suffix);
            } else {
                const auto& img = step->image;
                QPDFObjectHandle form = imageForm(*img.source);
                if (form.isNull()) {
                    continue;
                }
                std::string name = res.getUniqueResourceName("/FenPdfImage", suffix);
                xobjects.replaceKey(name, form);
                ops += clippedPlacement(name, img.matrix, img.alpha, res, area, suffix);
            }
        }
        return ops;
    }

    // Paints XObject `name` with `matrix` at `alpha`, clipped to the recorded area.
    std::string clippedPlacement(const std::string& name, const std::array<double, 6>& matrix,
                                 double alpha, QPDFObjectHandle res, const gfx::Rect& area,
                                 int& suffix) {
        std::string ops = "q " + LayeredWriter::number(area.minX()) + " " +
                          LayeredWriter::number(area.minY()) + " " +
                          LayeredWriter::number(area.width) + " " +
                          LayeredWriter::number(area.height) + " re W n ";
        if (alpha < 1) {
            QPDFObjectHandle states = ownSubdictionary(res, "/ExtGState");
            std::string gs = res.getUniqueResourceName("/FenGs", suffix);
            states.replaceKey(gs, alphaState(alpha));
            ops += gs + " gs ";
        }
        for (double v : matrix) {
            ops += LayeredWriter::number(v) + " ";
        }
        return ops + "cm " + name + " Do Q\n";
    }

    // A content stream with `ops`. Pages whose placements read alike share one stream, so a
    // write of many pages does not compress the same few bytes once per page.
    QPDFObjectHandle sharedStream(const std::string& ops) {
        auto it = streams_.find(ops);
        if (it != streams_.end()) {
            return it->second;
        }
        QPDFObjectHandle stream = out_.newStream(ops);
        streams_.emplace(ops, stream);
        return stream;
    }

    // The picture's page as a form of the written file, made once per picture; null when qpdf
    // cannot make one (content that does not decode, which qpdf would decode only when it
    // writes the form, or resources that are no dictionary): such a picture is left out rather
    // than failing the whole write.
    QPDFObjectHandle imageForm(const PageImageSource& source) {
        auto it = images_.find(&source);
        if (it != images_.end()) {
            return it->second;
        }
        QPDFObjectHandle imported;
        try {
            imported = importImageForm(source);
        } catch (const std::exception&) {
            imported = QPDFObjectHandle::newNull();
        }
        images_.emplace(&source, imported);
        return imported;
    }

    QPDFObjectHandle importImageForm(const PageImageSource& source) {
        auto pdf = std::make_unique<QPDF>();
        PdfStructure::open(*pdf, source.bytes(), std::nullopt, "image");
        auto pages = QPDFPageDocumentHelper(*pdf).getAllPages();
        QPDFPageObjectHelper& page = pages.at(static_cast<size_t>(source.index()));
        (void)contentOf(page);
        QPDFObjectHandle form = page.getFormXObjectForPage(false);
        const gfx::Rect& c = source.cropBox();
        form.replaceKey("/BBox", QPDFObjectHandle::newArray(QPDFObjectHandle::Rectangle(
                                     c.minX(), c.minY(), c.maxX(), c.maxY())));
        // Alpha applies to the page as a whole, as to a picture.
        QPDFObjectHandle group = QPDFObjectHandle::newDictionary();
        group.replaceKey("/S", QPDFObjectHandle::newName("/Transparency"));
        QPDFObjectHandle old = form.getKey("/Group");
        if (old.isDictionary() && old.hasKey("/CS")) {
            group.replaceKey("/CS", old.getKey("/CS"));
        }
        form.replaceKey("/Group", group);
        QPDFObjectHandle imported = out_.copyForeignObject(form);
        imagePdfs_.push_back(std::move(pdf));
        return imported;
    }

    // The deferred picture as an RGB image. Its compressed rows are handed to the written file
    // as the worker made them, without a copy.
    QPDFObjectHandle rasterImage(const std::shared_ptr<RasterTask>& task) {
        const EncodedRaster& raster = task->result();
        if (raster.width <= 0 || raster.height <= 0) {
            return QPDFObjectHandle::newNull();
        }
        QPDFObjectHandle image = out_.newStream();
        image.replaceStreamData(std::make_shared<RasterData>(task, spill_),
                                QPDFObjectHandle::newName("/FlateDecode"),
                                decodeParms(raster.pixels, raster.width));
        QPDFObjectHandle dict = image.getDict();
        dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
        dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
        dict.replaceKey("/Width", QPDFObjectHandle::newInteger(raster.width));
        dict.replaceKey("/Height", QPDFObjectHandle::newInteger(raster.height));
        dict.replaceKey("/ColorSpace", colorSpace(raster.pixels));
        dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
        return image;
    }

    // The bitmap as an image XObject of this file, with its alpha as a soft mask; made once per
    // file from the image's one encoding.
    QPDFObjectHandle bitmapImage(const std::shared_ptr<const BitmapEncoding>& encoding,
                                 bool interpolate) {
        auto key = std::make_pair(encoding.get(), interpolate);
        auto it = bitmaps_.find(key);
        if (it != bitmaps_.end()) {
            return it->second;
        }
        auto plane = [&](bool alpha) {
            QPDFObjectHandle stream = out_.newStream();
            const PackedPlane& pixels = alpha ? encoding->alpha : encoding->color;
            stream.replaceStreamData(std::make_shared<BitmapData>(encoding, alpha),
                                     QPDFObjectHandle::newName("/FlateDecode"),
                                     decodeParms(pixels, encoding->width));
            QPDFObjectHandle dict = stream.getDict();
            dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
            dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
            dict.replaceKey("/Width", QPDFObjectHandle::newInteger(encoding->width));
            dict.replaceKey("/Height", QPDFObjectHandle::newInteger(encoding->height));
            dict.replaceKey("/ColorSpace", colorSpace(pixels));
            dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
            dict.replaceKey("/Interpolate", QPDFObjectHandle::newBool(interpolate));
            return stream;
        };
        QPDFObjectHandle image = plane(false);
        if (!encoding->alpha.flate.empty()) {
            image.getDict().replaceKey("/SMask", plane(true));
        }
        bitmaps_.emplace(key, image);
        return image;
    }

    QPDFObjectHandle alphaState(double alpha) {
        auto it = alphaStates_.find(alpha);
        if (it != alphaStates_.end()) {
            return it->second;
        }
        std::string a = LayeredWriter::number(alpha);
        QPDFObjectHandle gs = out_.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /ExtGState /ca " + a + " /CA " + a + " >>"));
        alphaStates_.emplace(alpha, gs);
        return gs;
    }

    // qpdf adds no content to a page whose /Contents is no stream, or an array that holds
    // something that is no stream (readers skip such items): those are dropped first.
    static void dropContentsThatAreNoStream(QPDFObjectHandle dict) {
        QPDFObjectHandle contents = dict.getKey("/Contents");
        if (!contents.isArray()) {
            if (!contents.isStream() && dict.hasKey("/Contents")) {
                dict.removeKey("/Contents");
            }
            return;
        }
        QPDFObjectHandle streams = QPDFObjectHandle::newArray();
        for (auto& item : contents.aitems()) {
            if (item.isStream()) {
                streams.appendItem(item);
            }
        }
        if (streams.getArrayNItems() != contents.getArrayNItems()) {
            dict.replaceKey("/Contents", streams);
        }
    }

    static void keepOnlyLinks(QPDFObjectHandle dict) {
        QPDFObjectHandle annots = dict.getKey("/Annots");
        if (!annots.isArray()) {
            dict.removeKey("/Annots");
            return;
        }
        QPDFObjectHandle links = QPDFObjectHandle::newArray();
        for (auto& a : annots.aitems()) {
            if (a.isDictionary() && a.getKey("/Subtype").isNameAndEquals("/Link")) {
                links.appendItem(a);
            }
        }
        if (links.getArrayNItems() == 0) {
            dict.removeKey("/Annots");
        } else {
            dict.replaceKey("/Annots", links);
        }
    }

    QPDF& out_;
    LayerDocument* layer_;
    std::shared_ptr<const RasterSpill> spill_;
    std::map<const PageImageSource*, QPDFObjectHandle> images_;
    std::vector<std::unique_ptr<QPDF>> imagePdfs_;
    std::map<std::pair<const BitmapEncoding*, bool>, QPDFObjectHandle> bitmaps_;
    std::map<double, QPDFObjectHandle> alphaStates_;
    std::map<std::string, QPDFObjectHandle> streams_;
};

// True when the output keeps the input's encryption as it is: when no password is asked for and
// the input opens without one (an owner password alone guards the author's restrictions), or the
// write asks to keep it. Otherwise one whose user password opened it never keeps that password. A
// V2 or V3 dictionary without a valid /Length is not kept either: qpdf would write a copy whose
// streams cannot be decrypted.
bool keepsInputEncryption(QPDF& pdf, const WriteOptions& options) {
    if (options.password || !pdf.isEncrypted()) {
        return false;
    }
    if (!options.keepEncryption &&
        (!pdf.userPasswordMatched() || !pdf.getTrimmedUserPassword().empty())) {
        return false;
    }
    QPDFObjectHandle encrypt = pdf.getTrailer().getKey("/Encrypt");
    QPDFObjectHandle version = encrypt.getKey("/V");
    if (version.isInteger() && (version.getIntValue() == 2 || version.getIntValue() == 3)) {
        QPDFObjectHandle length = encrypt.getKey("/Length");
        return length.isInteger() && length.getIntValue() >= 40 && length.getIntValue() <= 128 &&
               length.getIntValue() % 8 == 0;
    }
    return true;
}

// Tells the system's reason for a failed write, when the caller asks for it.
void tellSystemError(const WriteOptions& options, int error) {
    if (options.systemError && error != 0) {
        *options.systemError = std::error_code(error, std::generic_category());
    }
}

// Thrown from qpdf's progress report once the stop is set: qpdf gives up the write there.
class WriteStopped : public std::runtime_error {
public:
    WriteStopped() : std::runtime_error("The write was stopped.") {}
};

// What qpdf calls about a hundred times while it writes a file: it tells the share written and
// ends the write once `stop` is set.
std::shared_ptr<QPDFWriter::ProgressReporter> writeReporter(const WriteProgress& progress,
                                                            const std::atomic<bool>* stop) {
    return std::make_shared<QPDFWriter::FunctionProgressReporter>([&progress, stop](int percent) {
        if (progress) {
            progress(WriteStage::fileWritten, percent);
        }
        if (stop && stop->load()) {
            throw WriteStopped();
        }
    });
}

// Writes `pdf` to a new file beside `path`, named in `written`; removes it on failure or stop.
bool writeBeside(QPDF& pdf, const std::string& path, const WriteOptions& options,
                 const WriteProgress& progress, const std::atomic<bool>* stop,
                 std::string& written) {
    // qpdf would encrypt with every byte, and no password would open the file.
    if (options.password && options.password->size() > maximumPasswordBytes) {
        return false;
    }
    namespace fs = std::filesystem;
    fs::path target(path);
    fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::random_device rd;
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, ".fenmoor-%08x%08x.tmp", rd(), rd());
        tmp = (dir / name).string();
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            tellSystemError(options, errno);
            return false;
        }
    }
    if (fd < 0) {
        return false;
    }
    FILE* file = fdopen(fd, "wb");
    if (!file) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return false;
    }
    bool ok = false;
    try {
        QPDFWriter w(pdf, tmp.c_str(), file, false);
        w.registerProgressReporter(writeReporter(progress, stop));
        w.setPreserveEncryption(keepsInputEncryption(pdf, options));
        if (options.password) {
            const char* pw = options.password->c_str();
            w.setR6EncryptionParameters(pw, pw, true, true, true, true, true, true, qpdf_r3p_full,
                                        true);
        }
        w.write();
        ok = std::fflush(file) == 0 && !std::ferror(file);
        if (!ok) {
            tellSystemError(options, errno);
        }
    } catch (const QPDFSystemError& e) {
        tellSystemError(options, e.getErrno());
        ok = false;
    } catch (const std::exception&) {
        ok = false;
    }
    if (std::fclose(file) != 0) {
        if (ok) {
            tellSystemError(options, errno);
        }
        ok = false;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    written = tmp;
    return true;
}

} // namespace

LayeredWriter::LayeredWriter(Document& document, const std::string& bytes,
                             const std::optional<std::string>& password, std::unique_ptr<QPDF> read)
    : document_(document), bytes_(bytes), password_(password), read_(std::move(read)) {}

LayeredWriter::~LayeredWriter() = default;

std::string LayeredWriter::number(double value) {
    if (!std::isfinite(value)) {
        return "0";
    }
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
    if (ec != std::errc()) {
        return "0";
    }
    std::string s(buf, end);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') {
            s.pop_back();
        }
        if (s.back() == '.') {
            s.pop_back();
        }
    }
    if (s == "-0") {
        s = "0";
    }
    return s;
}

bool LayeredWriter::write(const std::string& path, const WriteOptions& options,
                          const WriteProgress& progress, const std::atomic<bool>* stop) {
    if (progress) {
        progress(WriteStage::begin, -1);
    }
    bool ok = false;
    std::string written;
    try {
        ok = run(path, options, progress, stop, written);
    } catch (const std::exception&) {
        ok = false;
    }
    // The file goes into place once the writer has let go of its copies of the document, so
    // that whoever waits for it can tell its path at once.
    if (ok && std::rename(written.c_str(), path.c_str()) != 0) {
        tellSystemError(options, errno);
        ok = false;
    }
    if (!ok && !written.empty()) {
        ::unlink(written.c_str());
    }
    if (progress) {
        progress(WriteStage::end, -1);
    }
    return ok;
}

bool LayeredWriter::run(const std::string& path, const WriteOptions& options,
                        const WriteProgress& progress, const std::atomic<bool>* stop,
                        std::string& written) {
    const int count = document_.pageCount();
    auto stopped = [stop] { return stop && stop->load(); };

    // 1. Draw every page on the recording surface.
    std::string layerBytes;
    cairo_surface_t* surface =
        cairo_pdf_surface_create_for_stream(appendToString, &layerBytes, 612, 792);
    std::vector<LayerRecorder::PageRecord> records;
    int segments = 0;
    // Whether each segment paints, and which earlier segment it repeats, read from the bytes
    // cairo wrote for it.
    std::vector<signed char> knownPaints;
    std::vector<int> alike;
    RecordingScanner scanner;
    size_t segmentStart = 0;
    // Flattened pages wait for the output in a spill beside it, not in memory.
    auto spill = std::make_shared<RasterSpill>(std::filesystem::path(path).parent_path());
    bool drawn = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    if (drawn) {
        LayerRecorder recorder(surface, document_);
        recorder.keepPicturesIn(spill, options.pictureMemory);
        recorder.setSegmentListener([&](int segment) {
            const std::string_view recording(layerBytes);
            auto paints = scanner.pagePaints(recording.substr(segmentStart));
            knownPaints.resize(static_cast<size_t>(segment) + 1, -1);
            knownPaints[static_cast<size_t>(segment)] = paints ? (*paints ? 1 : 0) : -1;
            alike.resize(static_cast<size_t>(segment) + 1, -1);
            if (!paints || *paints) {
                alike[static_cast<size_t>(segment)] =
                    scanner.earlierAlike(recording, segmentStart, segment);
            }
            segmentStart = layerBytes.size();
        });
        for (int i = 0; i < count && !stopped(); ++i) {
            Page* page = document_.page(i);
            gfx::Rect media = document_.pageBounds(i, Box::media);
            gfx::Rect crop = document_.pageBounds(i, Box::crop);
            cairo_pdf_surface_set_size(surface, media.width, media.height);
            cairo_t* cr = cairo_create(surface);
            {
                // Drawers get the crop box's lower-left corner as origin; the recording covers
                // the whole media box.
                gfx::Context ctx(cr, media.height);
                ctx.translateBy(crop.minX() - media.minX(), crop.minY() - media.minY());
                recorder.beginPage(i, media);
                page->draw(Box::crop, ctx);
                recorder.endPage(cr);
            }
            cairo_destroy(cr);
            if (progress) {
                progress(WriteStage::pageEnd, i);
            }
        }
        if (stopped()) {
            // The pictures still waiting to be packed are not needed.
            drawn = false;
            recorder.cancelRasters();
        }
        records = recorder.pages();
        segments = recorder.segmentCount();
    }
    cairo_surface_finish(surface);
    drawn = drawn && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    if (!drawn || stopped() || static_cast<int>(records.size()) != count) {
        return false;
    }

    // 2. Merge the recording into the input as qpdf read it. The recording is copied into the
    // output as the merge reads it; the picture PDFs the merger imports stay open until the
    // write, since qpdf copies their stream data lazily.
    std::unique_ptr<QPDF> input = read_ ? PdfStructure::readyForChanges(std::move(read_), "input")
                                        : PdfStructure::openForChanges(bytes_, password_, "input");
    QPDF& out = *input;
    auto pages = QPDFPageDocumentHelper(out).getAllPages();
    if (static_cast<int>(pages.size()) != count) {
        return false;
    }
    std::unique_ptr<LayerDocument> layer;
    if (segments > 0) {
        layer = std::make_unique<LayerDocument>(layerBytes, segments, out, std::move(knownPaints),
                                                std::move(alike));
    }
    Merger merger(out, layer.get(), spill);
    for (int i = 0; i < count; ++i) {
        if (stopped()) {
            return false;
        }
        merger.merge(pages[static_cast<size_t>(i)], records[static_cast<size_t>(i)]);
        if (progress) {
            progress(WriteStage::pageMerged, i);
        }
    }
    // The output holds copies of what it needs of the recording: its reader goes before the write.
    layer.reset();
    if (stopped()) {
        return false;
    }

    // 3. Write beside the target; write() renames it into place.
    return writeBeside(out, path, options, progress, stop, written);
}

} // namespace fen::pdf
