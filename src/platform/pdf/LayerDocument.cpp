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

void LayerDocument::open(bool pageList) {
    pages_.clear();
    pageList_ = false;
    recording_ = std::make_unique<QPDF>();
    PdfStructure::open(*recording_, bytes_, std::nullopt, "layer");
    if (!pageList) {
        QPDFObjectHandle kids = recording_->getRoot().getKey("/Pages").getKey("/Kids");
        if (kids.isArray() && kids.getArrayNItems() == segments_) {
            pages_ = kids.getArrayAsVector();
        }
        return;
    }
    for (auto& p : QPDFPageDocumentHelper(*recording_).getAllPages()) {
        pages_.push_back(p.getObjectHandle());
    }
    if (static_cast<int>(pages_.size()) != segments_) {
        pages_.clear();
        throw std::runtime_error("recording has the wrong page count");
    }
    pageList_ = true;
}

QPDFObjectHandle LayerDocument::page(int segment) {
    if (segment < 0 || segment >= segments_) {
        throw std::out_of_range("no such recorded page");
    }
    if (!recording_) {
        open(false);
    }
    if (!pageList_) {
        // cairo writes every page as a direct kid of one page tree node. Anything else (or a
        // kid met twice, dropped with the first one's form) is read through qpdf's page list of
        // a fresh read.
        if (!pages_.empty()) {
            QPDFObjectHandle p = pages_[static_cast<size_t>(segment)];
            if (p.isDictionary() && p.getKey("/Type").isNameAndEquals("/Page")) {
                return p;
            }
        }
        dropping_ = false;
        open(true);
    }
    return pages_[static_cast<size_t>(segment)];
}

QPDFObjectHandle LayerDocument::readablePage(int segment) {
    QPDFObjectHandle p = page(segment);
    if (!dropping_) {
        return p;
    }
    bool lost = false;
    for (const char* key : {"/Contents", "/Resources", "/MediaBox", "/Group"}) {
        QPDFObjectHandle value = p.getKey(key);
        lost = lost || dropped(value);
        if (value.isArray()) {
            for (auto& item : value.aitems()) {
                lost = lost || dropped(item);
            }
        }
    }
    if (!lost) {
        return p;
    }
    // Objects shared with a page whose form is made, as cairo never writes them: the recording
    // is read afresh and kept whole from now on.
    dropping_ = false;
    open(pageList_);
    return page(segment);
}

bool LayerDocument::dropped(QPDFObjectHandle foreign) {
    return foreign.isIndirect() && foreign.isNull() && copied_.contains(foreign.getObjGen());
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
        QPDFPageObjectHelper(readablePage(segment)).pipeContents(&pipe);
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
    // Read before the page is dropped below.
    (void)paints(segment);
    QPDFObjectHandle p = readablePage(segment);
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
        // Not as cairo writes a page: such a page may inherit what earlier forms dropped, so the
        // recording is read afresh and kept whole from now on.
        if (dropping_) {
            dropping_ = false;
            open(pageList_);
            p = page(segment);
        }
        foreignForm = QPDFPageObjectHelper(p).getFormXObjectForPage(false);
    }
    read_.clear();
    QPDFObjectHandle made = copy(foreignForm);
    // Nothing of the recording is read again for this segment (its form and whether it paints
    // are kept): what it read is dropped, so the recording is held as qpdf objects only a page
    // at a time. Later pages find the objects they share with it among the copies.
    if (dropping_) {
        for (const QPDFObjGen& og : read_) {
            recording_->replaceObject(og, QPDFObjectHandle::newNull());
        }
        if (!pageList_ && p.isIndirect()) {
            recording_->replaceObject(p.getObjGen(), QPDFObjectHandle::newNull());
        }
    }
    read_.clear();
    return made;
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
    QPDFObjGen og;
    if (foreign.isIndirect()) {
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
    if (foreign.isStream()) {
        return copyStream(foreign, og, share);
    }
    if (foreign.isDictionary() || foreign.isArray()) {
        return copyContainer(foreign, og, share);
    }
    QPDFObjectHandle value = copyScalar(foreign);
    return og.isIndirect() ? indirect(value, og, share) : value;
}

QPDFObjectHandle LayerDocument::copyStream(QPDFObjectHandle foreign, QPDFObjGen og, bool share) {
    QPDFObjectHandle from = foreign.getDict();
    auto raw = foreign.getRawStreamData();
    std::string data(reinterpret_cast<const char*>(raw->getBuffer()), raw->getSize());
    QPDFObjectHandle result;
    if (!share) {
        // Made first, so that objects referring back to it find it.
        result = QPDFObjectHandle::newStream(&out_);
        remember(og, result);
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
                remember(og, candidate);
                journal_.emplace_back(og, key);
                return candidate;
            }
        }
        result = QPDFObjectHandle::newStream(&out_);
        remember(og, result);
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

QPDFObjectHandle LayerDocument::copyContainer(QPDFObjectHandle foreign, QPDFObjGen og, bool share) {
    const bool isDict = foreign.isDictionary();
    QPDFObjectHandle result =
        isDict ? QPDFObjectHandle::newDictionary() : QPDFObjectHandle::newArray();
    // Unshared, an indirect one is made first, so that objects referring back to it find it.
    const bool madeFirst = og.isIndirect() && !share;
    if (madeFirst) {
        result = out_.makeIndirectObject(result);
        remember(og, result);
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
    return og.isIndirect() && !madeFirst ? indirect(result, og, share) : result;
}

QPDFObjectHandle LayerDocument::copyScalar(QPDFObjectHandle foreign) {
    if (foreign.isInteger()) {
        return QPDFObjectHandle::newInteger(foreign.getIntValue());
    }
    if (foreign.isReal()) {
        return QPDFObjectHandle::newReal(foreign.getRealValue());
    }
    if (foreign.isName()) {
        return QPDFObjectHandle::newName(foreign.getName());
    }
    if (foreign.isString()) {
        return QPDFObjectHandle::newString(foreign.getStringValue());
    }
    if (foreign.isBool()) {
        return QPDFObjectHandle::newBool(foreign.getBoolValue());
    }
    return QPDFObjectHandle::newNull();
}

QPDFObjectHandle LayerDocument::indirect(QPDFObjectHandle value, QPDFObjGen og, bool share) {
    if (share) {
        // Objects that read alike are one object of the output.
        std::string key = "O" + value.unparse();
        auto& candidates = shared_[key];
        if (candidates.empty()) {
            candidates.push_back(out_.makeIndirectObject(value));
        }
        value = candidates.front();
        journal_.emplace_back(og, std::move(key));
    } else {
        value = out_.makeIndirectObject(value);
    }
    remember(og, value);
    return value;
}

void LayerDocument::remember(QPDFObjGen og, QPDFObjectHandle copy) {
    copied_.emplace(og, std::move(copy));
    read_.push_back(og);
}

} // namespace fen::pdf
