#include "storage/OldSettingsValue.h"

#include "storage/TextListImportDecoder.h"

#include <plist/plist.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

namespace fen {
namespace {

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistHandle = std::unique_ptr<void, PlistDeleter>;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// Texts of a binary property list are not checked by libplist: invalid UTF-8 becomes U+FFFD, so
// that every text can be written as JSON.
std::string validText(std::string_view text) {
    return TextListImportDecoder::validUtf8(text);
}

// The text of a dictionary key node. libplist's own getter asserts (and so aborts the program)
// on a key with a NUL inside, which a corrupt binary list can hold; so the key is written as a
// one-object binary list and its string object read back: marker 0x5N (N ASCII bytes) or 0x6N
// (N UTF-16 units, big-endian), N = 15 meaning that an integer object with the count follows.
std::optional<std::string> keyText(plist_t keyNode) {
    if (!keyNode || plist_get_node_type(keyNode) != PLIST_KEY) {
        return std::nullopt;
    }
    char* raw = nullptr;
    uint32_t rawLength = 0;
    plist_to_bin(keyNode, &raw, &rawLength);
    std::unique_ptr<char, FreeDeleter> owned(raw);
    constexpr size_t kObjectStart = 8; // after "bplist00"
    if (!raw || rawLength <= kObjectStart) {
        return std::nullopt;
    }
    std::string_view bin(raw, rawLength);
    auto byteAt = [&](size_t i) { return static_cast<unsigned char>(bin[i]); };
    unsigned char marker = byteAt(kObjectStart);
    size_t pos = kObjectStart + 1;
    uint64_t count = marker & 0x0F;
    if (count == 0x0F) {
        if (pos >= bin.size() || (byteAt(pos) & 0xF0) != 0x10) {
            return std::nullopt;
        }
        size_t width = size_t{1} << (byteAt(pos) & 0x0F);
        ++pos;
        if (width > 8 || width > bin.size() - pos) {
            return std::nullopt;
        }
        count = 0;
        for (size_t i = 0; i < width; ++i) {
            count = (count << 8) | byteAt(pos++);
        }
    }
    size_t available = bin.size() - pos;
    switch (marker >> 4) {
    case 0x5:
        if (count > available) {
            return std::nullopt;
        }
        return validText(bin.substr(pos, count));
    case 0x6:
        if (count > available / 2) {
            return std::nullopt;
        }
        return TextListImportDecoder::convertLenient(bin.substr(pos, count * 2), "UTF-16BE");
    default:
        return std::nullopt;
    }
}

// The text of a key that is known to hold no NUL: libplist's getter, which writes no list.
std::optional<std::string> plainKeyText(plist_t keyNode) {
    if (!keyNode || plist_get_node_type(keyNode) != PLIST_KEY) {
        return std::nullopt;
    }
    char* raw = nullptr;
    plist_get_key_val(keyNode, &raw);
    std::unique_ptr<char, FreeDeleter> owned(raw);
    return raw ? std::optional<std::string>(validText(raw)) : std::nullopt;
}

// A big-endian unsigned number of `width` bytes (1 to 8) at `at`.
uint64_t bigEndian(std::string_view bytes, size_t at, size_t width) {
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

// Walks the object graph of a binary property list ("bplist00": objects, an offset table and a
// 32-byte trailer with the offset width, the reference width, the object count, the top object
// and the table's place) from its top object as the tree would expand it, each reference a copy,
// and stops at the first bound it crosses. The walk keeps its own stack, counts every value it
// will visit before it goes on, and so costs at most `maxValues` steps whatever the file.
// Empty when the list stays within the bounds. A list it cannot walk (a trailer whose widths,
// count, top object or table lie outside what it reads, a reference or count it cannot read) is
// refused as malformed: libplist would read some such lists in its own way (widths above 8 bytes
// as their last 8), and never sees one this walk has not bounded.
//
// It also tells, in `plainKeys`, whether every dictionary key is an ASCII or UTF-16 text without
// NUL, which libplist's key getter reads without aborting.
std::string binaryListProblem(std::string_view bytes, int maxDepth, size_t maxValues,
                              bool& plainKeys) {
    plainKeys = false;
    constexpr size_t kHeader = 8;
    constexpr size_t kTrailer = 32;
    const std::string malformed = "not a readable property list";
    if (bytes.size() < kHeader + kTrailer) {
        return malformed;
    }
    const size_t trailer = bytes.size() - kTrailer;
    const size_t offsetWidth = static_cast<unsigned char>(bytes[trailer + 6]);
    const size_t refWidth = static_cast<unsigned char>(bytes[trailer + 7]);
    const uint64_t objectCount = bigEndian(bytes, trailer + 8, 8);
    const uint64_t top = bigEndian(bytes, trailer + 16, 8);
    const uint64_t table = bigEndian(bytes, trailer + 24, 8);
    if (offsetWidth < 1 || offsetWidth > 8 || refWidth < 1 || refWidth > 8 || top >= objectCount ||
        table < kHeader || table > trailer || objectCount > (trailer - table) / offsetWidth) {
        return malformed;
    }
    // The object's container kind and its references: `count` references (twice as many for a
    // dictionary, keys first) starting at `refs`; count 0 for anything but a container.
    struct Object {
        uint64_t count = 0;
        size_t refs = 0;
        bool dictionary = false;
        bool plainText = false; // a text without NUL
    };
    auto objectAt = [&](uint64_t index, Object& object) {
        const uint64_t offset = bigEndian(bytes, table + index * offsetWidth, offsetWidth);
        if (offset < kHeader || offset >= table) {
            return false;
        }
        const unsigned char marker = static_cast<unsigned char>(bytes[offset]);
        const unsigned kind = marker >> 4;
        object = {};
        const bool isText = kind == 0x5 || kind == 0x6;
        if (!isText && kind != 0xA && kind != 0xB && kind != 0xC && kind != 0xD) {
            return true;
        }
        size_t at = offset + 1;
        uint64_t count = marker & 0x0F;
        if (count == 0x0F) {
            // The count follows as an integer object: 0x1N, then 2^N bytes.
            if (at >= table || (static_cast<unsigned char>(bytes[at]) & 0xF0) != 0x10) {
                return false;
            }
            const size_t width = size_t{1} << (static_cast<unsigned char>(bytes[at]) & 0x0F);
            ++at;
            if (width > 8 || width > table - at) {
                return false;
            }
            count = bigEndian(bytes, at, width);
            at += width;
        }
        if (isText) {
            // ASCII bytes or UTF-16 units; a text that does not fit is left to libplist.
            const size_t unit = kind == 0x6 ? 2 : 1;
            if (count > (table - at) / unit) {
                return true;
            }
            const std::string_view text = bytes.substr(at, count * unit);
            object.plainText = true;
            for (size_t i = 0; i < text.size(); i += unit) {
                if (text[i] == 0 && (unit == 1 || text[i + 1] == 0)) {
                    object.plainText = false;
                }
            }
            return true;
        }
        const uint64_t refCount = kind == 0xD ? 2 : 1;
        if (count > (table - at) / refWidth / refCount) {
            return false;
        }
        object = Object{count * refCount, at, kind == 0xD, false};
        return true;
    };

    struct Visit {
        uint64_t index;
        int depth;
        bool isKey;
    };
    std::vector<Visit> stack{{top, 0, false}};
    size_t visited = 0;
    bool allKeysPlain = true;
    while (!stack.empty()) {
        auto [index, depth, isKey] = stack.back();
        stack.pop_back();
        ++visited;
        if (depth > maxDepth) {
            return "nested deeper than " + std::to_string(maxDepth) + " levels";
        }
        Object object;
        if (!objectAt(index, object)) {
            return malformed;
        }
        allKeysPlain = allKeysPlain && (!isKey || object.plainText);
        if (object.count > maxValues - visited - stack.size()) {
            return "more than " + std::to_string(maxValues) + " values once expanded";
        }
        for (uint64_t i = 0; i < object.count; ++i) {
            const uint64_t child = bigEndian(bytes, object.refs + i * refWidth, refWidth);
            if (child >= objectCount) {
                return malformed;
            }
            stack.push_back({child, depth + 1, object.dictionary && i < object.count / 2});
        }
    }
    plainKeys = allKeysPlain;
    return {};
}

// Follows an XML property list the way libplist's XML reader does, building nothing, and stops at
// the first bound it crosses: the depth at which each value would be built, and the values and
// dictionary keys it would hold. That reader builds without recursion but frees by recursion, so
// a list nested too deep must be refused before it runs, whether or not the reader would accept it.
//
// The forms followed are the reader's own: around the values, white space, processing
// instructions (`<?…?>`, whose "…"-quoted parts may hold `?>`), comments and a document type with
// or without an internal subset; `<plist>` elements, which hold no value and may even stand inside
// a container; the containers `<dict>` and `<array>`, self-closing or not (a self-closing root
// still takes what follows it); `<key>`, which names the next value when it stands in a dictionary
// and is a text anywhere else; the texts (`<string>`, `<integer>`…), whose content may hold
// comments and CDATA sections; attributes, with "…"-quoted values. Anything else is what the
// reader refuses too, and is refused here, so that nothing this scan did not follow is handed over:
// a file with a NUL byte, on which the reader's C string comparisons and this scan could part.
// The reader stops at the end of the top value; so does the scan.
class XmlListScan {
public:
    XmlListScan(std::string_view text, int maxDepth, size_t valueLimit)
        : text_(text), maxDepth_(maxDepth), valueLimit_(valueLimit) {}

    // Empty when the list stays within the bounds (or is one the reader refuses for itself).
    std::string problem() {
        if (text_.find('\0') != std::string_view::npos) {
            return malformed();
        }
        size_t at = 0;
        for (;;) {
            at = skipSpace(at);
            if (at >= text_.size()) {
                return {};
            }
            if (text_[at] != '<' || at + 1 >= text_.size()) {
                return malformed();
            }
            ++at;
            if (text_[at] == '?') {
                at = find(at, "?>", true);
                if (at == npos) {
                    return malformed();
                }
                at += 2;
                continue;
            }
            if (text_[at] == '!') {
                at = skipDeclaration(at);
                if (at == npos) {
                    return malformed();
                }
                continue;
            }
            // A tag: its name ends at white space, '<' or '>'; quoted parts are skipped only after
            // the name. A '/' just before '>' closes it at once, and is cut from a name it ends.
            const size_t start = at;
            size_t end = findAny(at, " \r\n\t<>", false);
            if (end == npos) {
                return malformed();
            }
            std::string_view name = text_.substr(start, end - start);
            if (text_[end] != '>') {
                end = findAny(end, "<>", true);
                if (end == npos || text_[end] != '>') {
                    return malformed();
                }
            }
            const bool empty = text_[end - 1] == '/';
            if (empty && end - 1 - start < name.size()) {
                name = name.substr(0, end - 1 - start);
            }
            at = end + 1;
            Step step = tag(name, empty, at);
            if (step == Step::refused) {
                return problem_;
            }
            if (step == Step::done) {
                return {};
            }
        }
    }

private:
    static constexpr size_t npos = std::string_view::npos;
    enum class Step { next, done, refused };

    std::string malformed() const { return "not a readable property list"; }

    Step refuse(std::string problem) {
        problem_ = std::move(problem);
        return Step::refused;
    }

    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    size_t skipSpace(size_t at) const {
        while (at < text_.size() && isSpace(text_[at])) {
            ++at;
        }
        return at;
    }

    // Where `pattern` first starts at or after `at`, "…"-quoted parts skipped when `quotes`.
    size_t find(size_t at, std::string_view pattern, bool quotes) const {
        while (at < text_.size()) {
            if (text_.compare(at, pattern.size(), pattern) == 0) {
                return at;
            }
            if (quotes && text_[at] == '"') {
                at = text_.find('"', at + 1);
                if (at == npos) {
                    return npos;
                }
            }
            ++at;
        }
        return npos;
    }

    // Where one of `chars` first stands at or after `at`, "…"-quoted parts skipped when `quotes`.
    size_t findAny(size_t at, std::string_view chars, bool quotes) const {
        while (at < text_.size()) {
            if (quotes && text_[at] == '"') {
                at = text_.find('"', at + 1);
                if (at == npos) {
                    return npos;
                }
            } else if (chars.find(text_[at]) != npos) {
                return at;
            }
            ++at;
        }
        return npos;
    }

    // Past a comment or a document type between values, `at` on its '!'.
    size_t skipDeclaration(size_t at) const {
        const std::string_view rest = text_.substr(at);
        if (rest.size() > 3 && rest.starts_with("!--")) {
            const size_t end = text_.find("-->", at + 3);
            return end == npos ? npos : end + 3;
        }
        if (rest.size() <= 8 || !rest.starts_with("!DOCTYPE")) {
            return npos;
        }
        at += 8;
        for (;;) {
            at = findAny(at, " \t\r\n[>", true);
            if (at == npos) {
                return npos;
            }
            if (text_[at] == '>') {
                return at + 1;
            }
            if (text_[at] == '[') {
                const size_t end = find(at, "]>", true);
                return end == npos ? npos : end + 2;
            }
            at = skipSpace(at);
        }
    }

    // Past the content of a text element and its closing tag, `at` just after its opening tag.
    size_t skipText(size_t at, std::string_view name) const {
        for (;;) {
            at = text_.find('<', at);
            if (at == npos || at + 1 >= text_.size()) {
                return npos;
            }
            const std::string_view rest = text_.substr(at + 1);
            if (rest.starts_with("/")) {
                break;
            }
            if (rest.starts_with("!--")) {
                at = text_.find("-->", at + 4);
            } else if (rest.starts_with("![CDATA[")) {
                at = text_.find("]]>", at + 9);
            } else {
                return npos;
            }
            if (at == npos) {
                return npos;
            }
            at += 3;
        }
        at += 2;
        if (text_.compare(at, name.size(), name) != 0) {
            return npos;
        }
        at = skipSpace(at + name.size());
        return at < text_.size() && text_[at] == '>' ? at + 1 : npos;
    }

    // One tag, its name cut; `at` just after it, moved past the content of a text element.
    Step tag(std::string_view name, bool empty, size_t& at) {
        if (name == "plist") {
            // A second top-level <plist> ends the reading; an empty one is refused.
            if (open_.empty() && rootSeen_) {
                return Step::done;
            }
            if (empty) {
                return refuse(malformed());
            }
            open_.push_back(Open::plist);
            return Step::next;
        }
        if (name.starts_with("/")) {
            // Closes the element opened last, which must be of that name.
            static constexpr std::string_view names[] = {"plist", "dict", "array"};
            if (open_.empty() || name.substr(1) != names[static_cast<int>(open_.back())]) {
                return refuse(malformed());
            }
            const bool container = open_.back() != Open::plist;
            open_.pop_back();
            if (!container) {
                return Step::next;
            }
            keyPending_ = false;
            parents_.pop_back();
            return parents_.empty() ? Step::done : Step::next; // the top value ended
        }
        const bool isDict = name == "dict";
        const bool isContainer = isDict || name == "array";
        static constexpr std::string_view texts[] = {"key",  "string", "integer", "real",
                                                     "true", "false",  "data",    "date"};
        if (!isContainer &&
            std::find(std::begin(texts), std::end(texts), name) == std::end(texts)) {
            return refuse(malformed());
        }
        if (!isContainer && !empty) {
            at = skipText(at, name);
            if (at == npos) {
                return refuse(malformed());
            }
        }
        const bool inDict = !parents_.empty() && parents_.back() == Open::dict;
        if (++values_ > valueLimit_) {
            return refuse("more than " + std::to_string(valueLimit_) + " values");
        }
        if (name == "key" && inDict && !keyPending_) {
            keyPending_ = true; // the name of the next value, no value itself
            return Step::next;
        }
        // A value, built one level below its container.
        if (inDict && !keyPending_) {
            return refuse(malformed());
        }
        if (parents_.size() > static_cast<size_t>(maxDepth_)) {
            return refuse("nested deeper than " + std::to_string(maxDepth_) + " levels");
        }
        keyPending_ = false;
        const bool root = !rootSeen_;
        rootSeen_ = true;
        if (!isContainer) {
            return root ? Step::done : Step::next;
        }
        // The values that follow go into it until it is closed; into a self-closing root too.
        if (!empty) {
            open_.push_back(isDict ? Open::dict : Open::array);
        }
        if (!empty || root) {
            parents_.push_back(isDict ? Open::dict : Open::array);
        }
        return Step::next;
    }

    enum class Open { plist, dict, array };

    std::string_view text_;
    int maxDepth_;
    size_t valueLimit_;
    std::string problem_;
    std::vector<Open> open_;    // the elements open, innermost last
    std::vector<Open> parents_; // the containers the next value goes into, innermost last
    bool rootSeen_ = false;
    bool keyPending_ = false;
    size_t values_ = 0;
};

} // namespace

const std::vector<OldSettingsValue>& OldSettingsValue::empty() {
    static const std::vector<OldSettingsValue> none;
    return none;
}

void OldSettingsValue::indexKeys() {
    auto sortedOrder = [this] {
        order_.resize(keys_.size());
        for (size_t i = 0; i < order_.size(); ++i) {
            order_[i] = static_cast<std::uint32_t>(i);
        }
        std::stable_sort(order_.begin(), order_.end(),
                         [this](std::uint32_t a, std::uint32_t b) { return keys_[a] < keys_[b]; });
    };
    sortedOrder();
    std::vector<bool> repeated(keys_.size(), false);
    bool anyRepeated = false;
    for (size_t i = 1; i < order_.size(); ++i) {
        if (keys_[order_[i]] == keys_[order_[i - 1]]) {
            repeated[order_[i]] = true; // the stable order puts the first one first
            anyRepeated = true;
        }
    }
    if (!anyRepeated) {
        return;
    }
    size_t kept = 0;
    for (size_t i = 0; i < keys_.size(); ++i) {
        if (!repeated[i]) {
            keys_[kept] = std::move(keys_[i]);
            items_[kept] = std::move(items_[i]);
            ++kept;
        }
    }
    keys_.resize(kept);
    items_.resize(kept);
    sortedOrder();
}

bool OldSettingsValue::build(void* opaque, OldSettingsValue& out, int depth, BuildState& state) {
    size_t& budget = state.budget;
    if (depth > maxDepth || budget == 0) {
        return false;
    }
    --budget;
    plist_t node = static_cast<plist_t>(opaque);
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        out.type_ = Type::boolean;
        out.boolean_ = value != 0;
        return true;
    }
    case PLIST_UINT: {
        // libplist keeps every integer as 64 bits; the file format's integers are signed.
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        out.type_ = Type::integer;
        out.integer_ = static_cast<std::int64_t>(value);
        return true;
    }
    case PLIST_REAL:
        out.type_ = Type::real;
        plist_get_real_val(node, &out.real_);
        return true;
    case PLIST_STRING:
    case PLIST_KEY: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        out.type_ = Type::text;
        out.text_ = validText(text ? std::string_view(text, length) : std::string_view());
        return true;
    }
    case PLIST_DATE: {
        // Seconds since 2001-01-01, as the format keeps them.
        int32_t seconds = 0;
        int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        out.type_ = Type::date;
        out.real_ = seconds + microseconds / 1e6;
        return true;
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        std::unique_ptr<char, FreeDeleter> owned(bytes);
        out.type_ = Type::data;
        out.text_ = bytes ? std::string(bytes, length) : std::string();
        return true;
    }
    case PLIST_ARRAY: {
        // Through an iterator: the arrays that libplist's readers make have no index, so reading
        // item i walks the i items before it.
        out.type_ = Type::array;
        out.items_.resize(plist_array_get_size(node));
        plist_array_iter iter = nullptr;
        plist_array_new_iter(node, &iter);
        std::unique_ptr<void, FreeDeleter> ownedIter(iter);
        for (OldSettingsValue& item : out.items_) {
            plist_t child = nullptr;
            plist_array_next_item(node, iter, &child);
            if (!child || !build(child, item, depth + 1, state)) {
                return false;
            }
        }
        return true;
    }
    case PLIST_DICT: {
        out.type_ = Type::dictionary;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        std::unique_ptr<void, FreeDeleter> ownedIter(iter);
        while (iter) {
            plist_t value = nullptr;
            plist_dict_next_item(node, iter, nullptr, &value);
            if (!value) {
                break;
            }
            std::optional<std::string> key = state.plainKeys
                                                 ? plainKeyText(plist_dict_item_get_key(value))
                                                 : keyText(plist_dict_item_get_key(value));
            if (!key) {
                return false;
            }
            if (budget == 0) {
                return false;
            }
            --budget; // the key
            OldSettingsValue item;
            if (!build(value, item, depth + 1, state)) {
                return false;
            }
            out.keys_.push_back(std::move(*key));
            out.items_.push_back(std::move(item));
        }
        out.indexKeys();
        return true;
    }
    default:
        out.type_ = Type::none; // UIDs and anything newer
        return true;
    }
}

OldSettingsValue::Parsed OldSettingsValue::read(std::string_view bytes, size_t valueLimit) {
    if (bytes.size() > maxBytes) {
        return {std::nullopt, "larger than " + std::to_string(maxBytes) + " bytes"};
    }
    const std::string malformed = "not a readable property list";
    if (bytes.empty()) {
        return {std::nullopt, malformed};
    }
    // An XML list's keys hold no NUL unless a character reference writes one.
    bool plainKeys = bytes.find("&#") == std::string_view::npos;
    // Each form is bounded the way libplist will read it, which is told by its own test.
    std::string problem = plist_is_binary(bytes.data(), static_cast<uint32_t>(bytes.size()))
                              ? binaryListProblem(bytes, maxDepth, valueLimit, plainKeys)
                              : XmlListScan(bytes, maxDepth, valueLimit).problem();
    if (!problem.empty()) {
        return {std::nullopt, problem};
    }
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    PlistHandle handle(root);
    if (!root) {
        return {std::nullopt, malformed};
    }
    OldSettingsValue value;
    BuildState state{valueLimit, plainKeys};
    if (!build(root, value, 0, state)) {
        // Both forms were bounded before libplist read them; this holds should the two part.
        return {std::nullopt, state.budget == 0
                                  ? "more than " + std::to_string(valueLimit) + " values"
                                  : "nested deeper than " + std::to_string(maxDepth) + " levels"};
    }
    return {std::move(value), {}};
}

std::optional<OldSettingsValue> OldSettingsValue::parse(std::string_view bytes) {
    return read(bytes).value;
}

std::optional<std::string> OldSettingsValue::text() const {
    if (type_ == Type::text) {
        return text_;
    }
    return std::nullopt;
}

std::optional<std::int64_t> OldSettingsValue::integer() const {
    if (type_ == Type::integer) {
        return integer_;
    }
    // A real that is a whole number within range; -2^63 <= x < 2^63.
    if (type_ == Type::real && std::isfinite(real_) && std::trunc(real_) == real_ &&
        real_ >= -9223372036854775808.0 && real_ < 9223372036854775808.0) {
        return static_cast<std::int64_t>(real_);
    }
    return std::nullopt;
}

std::optional<double> OldSettingsValue::real() const {
    if (type_ == Type::real) {
        return real_;
    }
    if (type_ == Type::integer) {
        return static_cast<double>(integer_);
    }
    return std::nullopt;
}

std::optional<bool> OldSettingsValue::truth() const {
    if (type_ == Type::boolean) {
        return boolean_;
    }
    if (auto number = real(); number && (*number == 0 || *number == 1)) {
        return *number == 1;
    }
    return std::nullopt;
}

std::optional<Date> OldSettingsValue::date() const {
    if (type_ == Type::date) {
        return Date{real_};
    }
    return std::nullopt;
}

const std::vector<OldSettingsValue>* OldSettingsValue::array() const {
    return type_ == Type::array ? &items_ : nullptr;
}

const OldSettingsValue* OldSettingsValue::member(std::string_view key) const {
    if (type_ != Type::dictionary) {
        return nullptr;
    }
    auto at =
        std::lower_bound(order_.begin(), order_.end(), key,
                         [this](std::uint32_t i, std::string_view k) { return keys_[i] < k; });
    if (at == order_.end() || keys_[*at] != key) {
        return nullptr;
    }
    return &items_[*at];
}

std::optional<std::string> OldSettingsValue::text(std::string_view key) const {
    const OldSettingsValue* value = member(key);
    return value ? value->text() : std::nullopt;
}

std::optional<std::int64_t> OldSettingsValue::integer(std::string_view key) const {
    const OldSettingsValue* value = member(key);
    return value ? value->integer() : std::nullopt;
}

std::optional<double> OldSettingsValue::real(std::string_view key) const {
    const OldSettingsValue* value = member(key);
    return value ? value->real() : std::nullopt;
}

std::optional<bool> OldSettingsValue::truth(std::string_view key) const {
    const OldSettingsValue* value = member(key);
    return value ? value->truth() : std::nullopt;
}

std::optional<Date> OldSettingsValue::date(std::string_view key) const {
    const OldSettingsValue* value = member(key);
    return value ? value->date() : std::nullopt;
}

} // namespace fen
