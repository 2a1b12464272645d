#include "platform/pdf/LayerDocument.h"

#include "platform/pdf/ContentScanner.h"
#include "platform/pdf/PdfStructure.h"

#include <qpdf/Buffer.hh>
#include <qpdf/Pl_String.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <stdexcept>

namespace fen::pdf {

namespace {

// Pages per chunk: few enough that a chunk's objects stay small, enough that reading the
// recording's cross-reference table again per chunk costs little.
constexpr int chunkSize = 256;

} // namespace

LayerDocument::LayerDocument(const std::string& bytes, int segments, QPDF& out,
                             std::vector<signed char> knownPaints)
    : bytes_(bytes), segments_(segments), out_(out), paints_(std::move(knownPaints)) {
    paints_.resize(static_cast<size_t>(segments > 0 ? segments : 0), -1);
}

LayerDocument::~LayerDocument() = default;

QPDFObjectHandle LayerDocument::page(int segment) {
    if (segment < 0 || segment >= segments_) {
        throw std::out_of_range("no such recorded page");
    }
    int chunk = segment / chunkSize;
    if (chunk != chunkIndex_) {
        chunkPages_.clear();
        chunk_.reset();
        chunkIndex_ = -1;
        auto pdf = std::make_unique<QPDF>();
        PdfStructure::open(*pdf, bytes_, std::nullopt, "layer");
        int first = chunk * chunkSize;
        int last = std::min(segments_, first + chunkSize);
        // cairo writes every page as a direct kid of one page tree node; anything else is read
        // through qpdf's page list.
        QPDFObjectHandle kids = pdf->getRoot().getKey("/Pages").getKey("/Kids");
        if (kids.isArray() && kids.getArrayNItems() == segments_) {
            for (int i = first; i < last; ++i) {
                chunkPages_.push_back(kids.getArrayItem(i));
            }
        }
        bool flat = true;
        for (auto& p : chunkPages_) {
            flat = flat && p.isDictionary() && p.getKey("/Type").isNameAndEquals("/Page");
        }
        if (!flat || chunkPages_.empty()) {
            chunkPages_.clear();
            auto all = QPDFPageDocumentHelper(*pdf).getAllPages();
            if (static_cast<int>(all.size()) != segments_) {
                throw std::runtime_error("recording has the wrong page count");
            }
            for (int i = first; i < last; ++i) {
                chunkPages_.push_back(all[static_cast<size_t>(i)].getObjectHandle());
            }
        }
        chunk_ = std::move(pdf);
        chunkIndex_ = chunk;
    }
    return chunkPages_[static_cast<size_t>(segment - chunkIndex_ * chunkSize)];
}

bool LayerDocument::paints(int segment) {
    if (segment < 0 || segment >= segments_) {
        return false;
    }
    signed char& known = paints_[static_cast<size_t>(segment)];
    if (known < 0) {
        std::string content;
        Pl_String pipe("layer content", nullptr, content);
        QPDFPageObjectHelper(page(segment)).pipeContents(&pipe);
        known = ContentScanner::scan(content).paints ? 1 : 0;
    }
    return known == 1;
}

QPDFObjectHandle LayerDocument::form(int segment) {
    QPDFObjectHandle p = page(segment);
    QPDFObjectHandle contents = p.getKey("/Contents");
    QPDFObjectHandle foreignForm;
    if (contents.isStream()) {
        // cairo writes one content stream per page: that stream becomes the form, its compressed
        // data copied as it is.
        foreignForm = contents;
        QPDFObjectHandle dict = contents.getDict();
        dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
        dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
        dict.replaceKey("/BBox", p.getKey("/MediaBox"));
        QPDFObjectHandle resources = p.getKey("/Resources");
        dict.replaceKey("/Resources",
                        resources.isDictionary() ? resources : QPDFObjectHandle::newDictionary());
        QPDFObjectHandle group = p.getKey("/Group");
        if (group.isDictionary()) {
            dict.replaceKey("/Group", group);
        }
    } else {
        foreignForm = QPDFPageObjectHelper(p).getFormXObjectForPage(false);
    }
    return copy(foreignForm);
}

QPDFObjectHandle LayerDocument::copy(QPDFObjectHandle foreign) {
    const bool indirect = foreign.isIndirect();
    if (indirect) {
        auto it = copied_.find(foreign.getObjGen());
        if (it != copied_.end()) {
            return it->second;
        }
    }
    QPDFObjectHandle result;
    if (foreign.isStream()) {
        result = QPDFObjectHandle::newStream(&out_);
        copied_.emplace(foreign.getObjGen(), result);
        QPDFObjectHandle from = foreign.getDict();
        QPDFObjectHandle to = result.getDict();
        for (auto& [key, value] : from.getDictAsMap()) {
            if (key != "/Length" && key != "/Filter" && key != "/DecodeParms") {
                to.replaceKey(key, copy(value));
            }
        }
        auto raw = foreign.getRawStreamData();
        result.replaceStreamData(
            std::string(reinterpret_cast<const char*>(raw->getBuffer()), raw->getSize()),
            copy(from.getKey("/Filter")), copy(from.getKey("/DecodeParms")));
        return result;
    }
    if (foreign.isDictionary()) {
        result = QPDFObjectHandle::newDictionary();
        if (indirect) {
            result = out_.makeIndirectObject(result);
            copied_.emplace(foreign.getObjGen(), result);
        }
        for (auto& [key, value] : foreign.getDictAsMap()) {
            result.replaceKey(key, copy(value));
        }
        return result;
    }
    if (foreign.isArray()) {
        result = QPDFObjectHandle::newArray();
        if (indirect) {
            result = out_.makeIndirectObject(result);
            copied_.emplace(foreign.getObjGen(), result);
        }
        for (auto& item : foreign.aitems()) {
            result.appendItem(copy(item));
        }
        return result;
    }
    if (foreign.isInteger()) {
        result = QPDFObjectHandle::newInteger(foreign.getIntValue());
    } else if (foreign.isReal()) {
        result = QPDFObjectHandle::newReal(foreign.getRealValue());
    } else if (foreign.isName()) {
        result = QPDFObjectHandle::newName(foreign.getName());
    } else if (foreign.isString()) {
        result = QPDFObjectHandle::newString(foreign.getStringValue());
    } else if (foreign.isBool()) {
        result = QPDFObjectHandle::newBool(foreign.getBoolValue());
    } else {
        result = QPDFObjectHandle::newNull();
    }
    if (indirect) {
        result = out_.makeIndirectObject(result);
        copied_.emplace(foreign.getObjGen(), result);
    }
    return result;
}

} // namespace fen::pdf
