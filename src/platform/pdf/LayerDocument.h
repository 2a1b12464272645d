#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fen::pdf {

// The recording of a write (a cairo PDF, one page per segment) as qpdf reads it for the merge:
// whether a segment paints anything, and each segment as a form XObject in the output.
//
// The recording is read a chunk of pages at a time, each chunk with a QPDF of its own that is
// dropped when the merge moves on, and what the output needs is copied at once (stream data as
// it is, still compressed): so the whole recording is never held as qpdf objects. Objects shared
// by many pages (fonts, images) are copied once, whatever chunk asks for them.
class LayerDocument {
public:
    // `bytes` (the recording, `segments` pages) must outlive the object. `knownPaints` tells for
    // some segments whether they paint (1 or 0; -1 or missing: read the page to find out).
    // `alike` names for some segments an earlier one recorded alike, whose form they share
    // without their page being read (-1 or missing: none).
    LayerDocument(const std::string& bytes, int segments, QPDF& out,
                  std::vector<signed char> knownPaints = {}, std::vector<int> alike = {});
    ~LayerDocument();
    LayerDocument(const LayerDocument&) = delete;
    LayerDocument& operator=(const LayerDocument&) = delete;

    // True when the segment's content paints anything.
    bool paints(int segment);
    // The segment as a form XObject of the output: its content stream with the page's resources,
    // /BBox the recorded page. Made once per segment, and once for segments recorded alike.
    QPDFObjectHandle form(int segment);

private:
    QPDFObjectHandle page(int segment);
    QPDFObjectHandle makeForm(int segment);
    // Copies a foreign object into the output. Objects reached from it that read alike (same
    // keys and values, same stream data) become one object, so a watermark drawn alike on every
    // page is stored once; a structure that refers back to itself is copied as it is.
    QPDFObjectHandle copy(QPDFObjectHandle foreign);
    QPDFObjectHandle copyObject(QPDFObjectHandle foreign, bool share);

    const std::string& bytes_;
    int segments_;
    QPDF& out_;
    std::unique_ptr<QPDF> chunk_;
    int chunkIndex_ = -1;
    QPDFObjectHandle kids_;
    std::vector<QPDFObjectHandle> allPages_;
    std::vector<signed char> paints_;
    std::vector<int> alike_;
    std::vector<QPDFObjectHandle> forms_;
    std::map<QPDFObjGen, QPDFObjectHandle> copied_;
    // The copy in progress: objects entered but not finished (a cycle when met again), and what
    // it shared, to be forgotten if it meets one.
    std::set<QPDFObjGen> inProgress_;
    std::vector<std::pair<QPDFObjGen, std::string>> journal_;
    bool cyclic_ = false;
    std::map<std::string, std::vector<QPDFObjectHandle>> shared_;
};

} // namespace fen::pdf
