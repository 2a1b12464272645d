#include "platform/pdf/LayerDocument.h"

#include "platform/pdf/ContentScanner.h"
#include "platform/pdf/PdfStructure.h"

#include <qpdf/Buffer.hh>
#include <qpdf/Pl_String.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>

namespace fen::pdf {

namespace {

// Pages per chunk: few enough that a chunk's objects stay small, enough that reading the
// recording's cross-reference table again per chunk costs little.
constexpr int chunkSize = 512;

} // namespace

LayerDocument::LayerDocument(const std::string& bytes, int segments, QPDF& out,
                             std::vector<signed char> knownPaints, std::vector<int> alike)
    : bytes_(bytes), segments_(segments), out_(out), paints_(std::move(knownPaints)),
      alike_(std::move(alike)) {
    const size_t count = static_cast<size_t>(segments > 0 ? segments : 0);
    paints_.resize(count, -1);
    alike_.resize(count, -1);
    forms_.resize(count);
    // Only an earlier segment can stand for a later one.
    for (size_t i = 0; i < count; ++i) {
        if (alike_[i] >= static_cast<int>(i)) {
            alike_[i] = -1;
        }
    }
}

LayerDocument::~LayerDocument() = default;

QPDFObjectHandle LayerDocument::page(int segment) {
    if (segment < 0 || segment >= segments_) {
        throw std::out_of_range("no such recorded page");
    }
    int chunk = segment / chunkSize;
    if (chunk != chunkIndex_) {
        allPages_.clear();
        kids_ = QPDFObjectHandle();
        chunk_.reset();
        chunkIndex_ = -1;
        auto pdf = std::make_unique<QPDF>();
        PdfStructure::open(*pdf, bytes_, std::nullopt, "layer");
        kids_ = pdf->getRoot().getKey("/Pages").getKey("/Kids");
        chunk_ = std::move(pdf);
        chunkIndex_ = chunk;
    }
    // cairo writes every page as a direct kid of one page tree node; anything else is read
    // through qpdf's page list.
    if (kids_.isArray() && kids_.getArrayNItems() == segments_) {
        QPDFObjectHandle p = kids_.getArrayItem(segment);
        if (p.isDictionary() && p.getKey("/Type").isNameAndEquals("/Page")) {
            return p;
        }
    }
    if (allPages_.empty()) {
        for (auto& p : QPDFPageDocumentHelper(*chunk_).getAllPages()) {
            allPages_.push_back(p.getObjectHandle());
        }
        if (static_cast<int>(allPages_.size()) != segments_) {
            allPages_.clear();
            throw std::runtime_error("recording has the wrong page count");
        }
    }
    return allPages_[static_cast<size_t>(segment)];
}

bool LayerDocument::paints(int segment) {
    if (segment < 0 || segment >= segments_) {
        return false;
    }
    signed char& known = paints_[static_cast<size_t>(segment)];
    const int alike = alike_[static_cast<size_t>(segment)];
    if (known < 0 && alike >= 0) {
        known = paints(alike) ? 1 : 0;
    }
    if (known < 0) {
        std::string content;
        Pl_String pipe("layer content", nullptr, content);
        QPDFPageObjectHelper(page(segment)).pipeContents(&pipe);
        known = ContentScanner::scan(content).paints ? 1 : 0;
    }
    return known == 1;
}

QPDFObjectHandle LayerDocument::form(int segment) {
    if (segment < 0 || segment >= segments_) {
        throw std::out_of_range("no such recorded page");
    }
    QPDFObjectHandle& made = forms_[static_cast<size_t>(segment)];
    if (!made.isInitialized()) {
        const int alike = alike_[static_cast<size_t>(segment)];
        made = alike >= 0 ? form(alike) : makeForm(segment);
    }
    return made;
}

QPDFObjectHandle LayerDocument::makeForm(int segment) {
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
    cyclic_ = false;
    inProgress_.clear();
    journal_.clear();
    QPDFObjectHandle result = copyObject(foreign, true);
    if (!cyclic_) {
        return result;
    }
    // A structure that refers back to itself cannot be compared by value: forget what this
    // attempt shared and copy it object by object.
    for (const auto& [og, key] : journal_) {
        auto it = copied_.find(og);
        if (it != copied_.end()) {
            auto& candidates = shared_[key];
            std::erase_if(candidates, [&](const QPDFObjectHandle& h) {
                return h.getObjGen() == it->second.getObjGen();
            });
            copied_.erase(it);
        }
    }
    journal_.clear();
    return copyObject(foreign, false);
}

QPDFObjectHandle LayerDocument::copyObject(QPDFObjectHandle foreign, bool share) {
    const bool indirect = foreign.isIndirect();
    QPDFObjGen og;
    if (indirect) {
        og = foreign.getObjGen();
        auto it = copied_.find(og);
        if (it != copied_.end()) {
            return it->second;
        }
        if (share && !inProgress_.insert(og).second) {
            cyclic_ = true;
            return QPDFObjectHandle::newNull();
        }
    }
    QPDFObjectHandle result;
    if (foreign.isStream()) {
        QPDFObjectHandle from = foreign.getDict();
        auto raw = foreign.getRawStreamData();
        std::string data(reinterpret_cast<const char*>(raw->getBuffer()), raw->getSize());
        if (!share) {
            // Made first, so that objects referring back to it find it.
            result = QPDFObjectHandle::newStream(&out_);
            copied_.emplace(og, result);
        }
        QPDFObjectHandle dict = QPDFObjectHandle::newDictionary();
        for (auto& [key, value] : from.getDictAsMap()) {
            if (key != "/Length") {
                dict.replaceKey(key, copyObject(value, share));
            }
        }
        std::string key;
        if (share) {
            key = "S" + dict.unparse() + "#" + std::to_string(data.size()) + "#" +
                  std::to_string(std::hash<std::string>{}(data));
            for (auto& candidate : shared_[key]) {
                auto existing = candidate.getRawStreamData();
                if (existing->getSize() == data.size() &&
                    std::memcmp(existing->getBuffer(), data.data(), data.size()) == 0) {
                    copied_.emplace(og, candidate);
                    journal_.emplace_back(og, key);
                    return candidate;
                }
            }
            result = QPDFObjectHandle::newStream(&out_);
            copied_.emplace(og, result);
            journal_.emplace_back(og, key);
        }
        QPDFObjectHandle to = result.getDict();
        for (auto& [name, value] : dict.getDictAsMap()) {
            if (name != "/Filter" && name != "/DecodeParms") {
                to.replaceKey(name, value);
            }
        }
        result.replaceStreamData(data, dict.getKey("/Filter"), dict.getKey("/DecodeParms"));
        if (share) {
            shared_[key].push_back(result);
        }
        return result;
    }
    if (foreign.isDictionary() || foreign.isArray()) {
        const bool isDict = foreign.isDictionary();
        result = isDict ? QPDFObjectHandle::newDictionary() : QPDFObjectHandle::newArray();
        if (indirect && !share) {
            result = out_.makeIndirectObject(result);
            copied_.emplace(og, result);
        }
        if (isDict) {
            for (auto& [key, value] : foreign.getDictAsMap()) {
                result.replaceKey(key, copyObject(value, share));
            }
        } else {
            for (auto& item : foreign.aitems()) {
                result.appendItem(copyObject(item, share));
            }
        }
        if (indirect && !share) {
            return result;
        }
    } else if (foreign.isInteger()) {
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
        if (share) {
            // Objects that read alike are one object of the output.
            std::string key = "O" + result.unparse();
            auto& candidates = shared_[key];
            if (candidates.empty()) {
                candidates.push_back(out_.makeIndirectObject(result));
            }
            result = candidates.front();
            journal_.emplace_back(og, std::move(key));
        } else {
            result = out_.makeIndirectObject(result);
        }
        copied_.emplace(og, result);
    }
    return result;
}

} // namespace fen::pdf
