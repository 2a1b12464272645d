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
// The recording is read with one QPDF, opened once, and what the output needs is copied at once
// (stream data as it is, still compressed). Once a segment's form is made, what was read of the
// recording for it is dropped from that QPDF: so the whole recording is never held as qpdf
// objects, and past the opening each page reads only what it needs. Objects shared by many pages
// (fonts, images) are copied once, whichever page asks for them first.
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
    // Reads the recording afresh; `pageList`: its pages through qpdf's page list rather than as
    // the kids of its page tree's root.
    void open(bool pageList);
    QPDFObjectHandle page(int segment);
    // The page, read afresh when what its form is made of was dropped with another page's form.
    QPDFObjectHandle readablePage(int segment);
    // True for an object of the recording dropped once copied.
    bool dropped(QPDFObjectHandle foreign);
    QPDFObjectHandle makeForm(int segment);
    // Copies a foreign object into the output. Objects reached from it that read alike (same
    // keys and values, same stream data) become one object, so a watermark drawn alike on every
    // page is stored once; a structure that refers back to itself is copied as it is.
    QPDFObjectHandle copy(QPDFObjectHandle foreign);
    // One object of a copy: an object copied before is its earlier copy; an indirect one met
    // again while it is being copied marks the copy cyclic. `share`: objects that read alike
    // become one (copied after what they refer to, to be compared by value); otherwise each is
    // made before what it refers to, so that a cycle finds it.
    QPDFObjectHandle copyObject(QPDFObjectHandle foreign, bool share);
    // A stream: its dictionary copied, its data as it is, still compressed.
    QPDFObjectHandle copyStream(QPDFObjectHandle foreign, QPDFObjGen og, bool share);
    // A dictionary or an array, item by item.
    QPDFObjectHandle copyContainer(QPDFObjectHandle foreign, QPDFObjGen og, bool share);
    // A number, name, string, boolean or null, as a direct object of the output.
    static QPDFObjectHandle copyScalar(QPDFObjectHandle foreign);
    // The copied `value` of indirect object `og` as an indirect object of the output: the one
    // object that reads alike when sharing.
    QPDFObjectHandle indirect(QPDFObjectHandle value, QPDFObjGen og, bool share);
    void remember(QPDFObjGen og, QPDFObjectHandle copy);

    const std::string& bytes_;
    int segments_;
    QPDF& out_;
    std::unique_ptr<QPDF> recording_;
    // The recorded pages: the page tree's kids as cairo writes them, or qpdf's page list
    // (`pageList_`) once some kid is no page.
    std::vector<QPDFObjectHandle> pages_;
    bool pageList_ = false;
    // Whether what a made form read is dropped: until the recording shows a shape that cairo
    // never writes (pages sharing objects, a page tree of more than one level).
    bool dropping_ = true;
    std::vector<signed char> paints_;
    std::vector<int> alike_;
    std::vector<QPDFObjectHandle> forms_;
    std::map<QPDFObjGen, QPDFObjectHandle> copied_;
    // The objects of the recording the form in progress copied, dropped when it is made.
    std::vector<QPDFObjGen> read_;
    // The copy in progress: objects entered but not finished (a cycle when met again), and what
    // it shared, to be forgotten if it meets one.
    std::set<QPDFObjGen> inProgress_;
    std::vector<std::pair<QPDFObjGen, std::string>> journal_;
    bool cyclic_ = false;
    std::map<std::string, std::vector<QPDFObjectHandle>> shared_;
};

} // namespace fen::pdf
