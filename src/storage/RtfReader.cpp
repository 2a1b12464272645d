#include "storage/RtfReader.h"

#include "storage/TextListImportDecoder.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

namespace fen {
namespace {

// What the characters of a group are.
enum class Destination {
    text,      // document text: kept
    fontTable, // font definitions: read for their code pages
    skipped,   // anything else: dropped
};

struct GroupState {
    Destination destination = Destination::text;
    int unicodeSkip = 1; // \ucN: fallback characters after each \uN
    int font = -1;       // \fN in effect, -1 before any
};

// Destinations whose characters are no document text.
bool isSkippedDestination(std::string_view word) {
    static const std::string_view names[] = {
        "aftncn",      "aftnsep",       "aftnsepc",  "annotation",
        "atnauthor",   "atnid",         "author",    "background",
        "bkmkend",     "bkmkstart",     "buptim",    "colorschememapping",
        "colortbl",    "comment",       "creatim",   "datastore",
        "doccomm",     "docvar",        "falt",      "fchars",
        "fldinst",     "filetbl",       "footer",    "footerf",
        "footerl",     "footerr",       "footnote",  "ftncn",
        "ftnsep",      "ftnsepc",       "generator", "header",
        "headerf",     "headerl",       "headerr",   "info",
        "keywords",    "latentstyles",  "lchars",    "listoverridetable",
        "listpicture", "listtable",     "mmathPr",   "NeXTGraphic",
        "nonshppict",  "objdata",       "operator",  "panose",
        "pgdsctbl",    "pict",          "pn",        "printim",
        "private",     "protusertbl",   "revtbl",    "revtim",
        "rsidtbl",     "shpinst",       "sn",        "sp",
        "stylesheet",  "subject",       "sv",        "tc",
        "template",    "themedata",     "title",     "txe",
        "userprops",   "wgrffmtfilter", "xe",        "xmlnstbl",
    };
    return std::find(std::begin(names), std::end(names), word) != std::end(names);
}

// Characters that a control word stands for.
std::string_view controlWordText(std::string_view word) {
    struct Entry {
        std::string_view word;
        std::string_view text;
    };
    static const Entry entries[] = {
        {"par", "\n"},
        {"line", "\n"},
        {"sect", "\n"},
        {"page", "\n"},
        {"row", "\n"},
        {"nestrow", "\n"},
        {"tab", "\t"},
        {"cell", "\t"},
        {"nestcell", "\t"},
        {"emdash", "\xE2\x80\x94"},
        {"endash", "\xE2\x80\x93"},
        {"emspace", "\xE2\x80\x83"},
        {"enspace", "\xE2\x80\x82"},
        {"qmspace", "\xE2\x80\x85"},
        {"bullet", "\xE2\x80\xA2"},
        {"lquote", "\xE2\x80\x98"},
        {"rquote", "\xE2\x80\x99"},
        {"ldblquote", "\xE2\x80\x9C"},
        {"rdblquote", "\xE2\x80\x9D"},
        {"zwbo", "\xE2\x80\x8B"},
        {"zwnj", "\xE2\x80\x8C"},
        {"zwj", "\xE2\x80\x8D"},
        {"ltrmark", "\xE2\x80\x8E"},
        {"rtlmark", "\xE2\x80\x8F"},
    };
    for (const Entry& entry : entries) {
        if (entry.word == word) {
            return entry.text;
        }
    }
    return {};
}

// The Windows code page of a font's \fcharsetN; 0 when the document's code page applies.
int codePageOfCharset(long charset) {
    switch (charset) {
    case 0:
        return 1252;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0;
    }
}

std::string iconvName(int codePage) {
    switch (codePage) {
    case 10000:
        return "MACINTOSH";
    case 1361:
        return "JOHAB";
    default:
        return "CP" + std::to_string(codePage);
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

class Parser {
public:
    explicit Parser(std::string_view input) : in_(input) {}

    std::optional<std::string> run() {
        size_t start = 0;
        if (in_.substr(0, 3) == "\xEF\xBB\xBF") {
            start = 3;
        }
        while (start < in_.size() && (in_[start] == ' ' || in_[start] == '\t' ||
                                      in_[start] == '\r' || in_[start] == '\n')) {
            ++start;
        }
        if (in_.substr(start, 5) != "{\\rtf") {
            return std::nullopt;
        }
        pos_ = start;
        while (pos_ < in_.size()) {
            char c = in_[pos_++];
            switch (c) {
            case '{':
                flush();
                if (stack_.size() >= RtfReader::maxGroupDepth) {
                    return std::nullopt;
                }
                stack_.push_back(stack_.empty() ? GroupState{} : stack_.back());
                skipCount_ = 0;
                break;
            case '}':
                flush();
                skipCount_ = 0;
                if (!stack_.empty()) {
                    stack_.pop_back();
                }
                if (stack_.empty()) {
                    return finish();
                }
                break;
            case '\\':
                controlSequence();
                break;
            case '\r':
            case '\n':
                break;
            default:
                character(c);
                break;
            }
        }
        return finish();
    }

private:
    std::string finish() {
        flush();
        return std::move(out_);
    }

    GroupState& state() { return stack_.back(); }
    bool keepsText() const {
        return !stack_.empty() && stack_.back().destination == Destination::text;
    }

    // Drops the characters that stand in for the last \uN; true when `c` was one of them.
    bool consumedAsFallback() {
        if (skipCount_ > 0) {
            --skipCount_;
            return true;
        }
        return false;
    }

    void character(char c) {
        if (!keepsText() || consumedAsFallback()) {
            return;
        }
        if (static_cast<unsigned char>(c) >= 0x80) {
            flushSurrogate();
            pendingBytes_.push_back(c);
        } else {
            emit(std::string_view(&c, 1));
        }
    }

    void byteInCodePage(unsigned char byte) {
        if (!keepsText() || consumedAsFallback()) {
            return;
        }
        flushSurrogate();
        pendingBytes_.push_back(static_cast<char>(byte));
    }

    void emit(std::string_view text) {
        flush();
        out_.append(text);
    }

    // A lone high surrogate of a \uN pair that never got its low half.
    void flushSurrogate() {
        if (highSurrogate_ != 0) {
            TextListImportDecoder::appendUtf8(out_, 0xFFFD);
            highSurrogate_ = 0;
        }
    }

    void flush() {
        flushSurrogate();
        if (pendingBytes_.empty()) {
            return;
        }
        int font = stack_.empty() || stack_.back().font < 0 ? defaultFont_ : stack_.back().font;
        int codePage = documentCodePage_;
        if (auto found = fontCodePages_.find(font); found != fontCodePages_.end()) {
            codePage = found->second;
        }
        auto text = TextListImportDecoder::convertLenient(pendingBytes_, iconvName(codePage));
        if (!text) {
            text = TextListImportDecoder::convertLenient(pendingBytes_, "CP1252");
        }
        pendingBytes_.clear();
        out_.append(text.value_or(""));
    }

    void unicodeCharacter(long value) {
        if (!keepsText()) {
            return;
        }
        skipCount_ = state().unicodeSkip;
        if (value < -32768 || value > 65535) {
            emit("\xEF\xBF\xBD"); // no 16-bit unit
            return;
        }
        char32_t unit = static_cast<char32_t>(value < 0 ? value + 65536 : value);
        if (unit >= 0xDC00 && unit <= 0xDFFF && highSurrogate_ != 0) {
            char32_t cp = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00);
            highSurrogate_ = 0;
            flush();
            TextListImportDecoder::appendUtf8(out_, cp);
            return;
        }
        flush();
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            highSurrogate_ = unit;
            return;
        }
        TextListImportDecoder::appendUtf8(out_, unit);
    }

    void controlSequence() {
        if (pos_ >= in_.size()) {
            return;
        }
        char c = in_[pos_];
        if (isLetter(c)) {
            controlWord();
            return;
        }
        ++pos_;
        switch (c) {
        case '\\':
        case '{':
        case '}':
            character(c);
            break;
        case '\'': {
            int high = pos_ < in_.size() ? hexValue(in_[pos_]) : -1;
            int low = pos_ + 1 < in_.size() ? hexValue(in_[pos_ + 1]) : -1;
            if (high < 0 || low < 0) {
                break; // malformed: dropped
            }
            pos_ += 2;
            byteInCodePage(static_cast<unsigned char>(high * 16 + low));
            break;
        }
        case '*':
            if (!stack_.empty()) {
                state().destination = Destination::skipped;
            }
            break;
        case '~':
            symbol("\xC2\xA0");
            break;
        case '_':
            symbol("\xE2\x80\x91");
            break;
        case '\r':
        case '\n':
            symbol("\n");
            break;
        default:
            symbol({}); // \- (optional hyphen), \| and the rest: no character
            break;
        }
    }

    void symbol(std::string_view text) {
        if (!keepsText() || consumedAsFallback()) {
            return;
        }
        emit(text);
    }

    void controlWord() {
        size_t begin = pos_;
        while (pos_ < in_.size() && isLetter(in_[pos_])) {
            ++pos_;
        }
        std::string_view word = in_.substr(begin, pos_ - begin);
        bool hasParameter = false;
        bool negative = false;
        long parameter = 0;
        if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() &&
            isDigit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        while (pos_ < in_.size() && isDigit(in_[pos_])) {
            hasParameter = true;
            if (parameter < 100000000L) {
                parameter = parameter * 10 + (in_[pos_] - '0');
            }
            ++pos_;
        }
        if (negative) {
            parameter = -parameter;
        }
        if (pos_ < in_.size() && in_[pos_] == ' ') {
            ++pos_;
        }
        if (stack_.empty()) {
            return;
        }
        apply(word, hasParameter, parameter);
    }

    void apply(std::string_view word, bool hasParameter, long parameter) {
        if (word == "bin") {
            // Binary data of the given length follows; its bytes are never markup.
            if (hasParameter && parameter > 0) {
                pos_ += std::min(static_cast<size_t>(parameter), in_.size() - pos_);
            }
            return;
        }
        GroupState& group = state();
        if (group.destination == Destination::skipped) {
            return;
        }
        if (group.destination == Destination::fontTable) {
            if (word == "f" && hasParameter) {
                definedFont_ = static_cast<int>(parameter);
            } else if (word == "fcharset" && hasParameter) {
                if (int codePage = codePageOfCharset(parameter); codePage != 0) {
                    fontCodePages_[definedFont_] = codePage;
                }
            } else if (word == "cpg" && hasParameter && parameter > 0) {
                fontCodePages_[definedFont_] = static_cast<int>(parameter);
            } else if (isSkippedDestination(word)) {
                group.destination = Destination::skipped;
            }
            return;
        }
        if (word == "fonttbl") {
            flush();
            group.destination = Destination::fontTable;
        } else if (isSkippedDestination(word)) {
            flush();
            group.destination = Destination::skipped;
        } else if (word == "u" && hasParameter) {
            if (!consumedAsFallback()) {
                unicodeCharacter(parameter);
            }
        } else if (word == "uc" && hasParameter) {
            group.unicodeSkip = static_cast<int>(std::clamp(parameter, 0L, 16L));
        } else if (word == "f" && hasParameter) {
            flush();
            group.font = static_cast<int>(parameter);
        } else if (word == "deff" && hasParameter) {
            flush();
            defaultFont_ = static_cast<int>(parameter);
        } else if (word == "ansicpg" && hasParameter && parameter > 0) {
            flush();
            documentCodePage_ = static_cast<int>(parameter);
        } else if (word == "ansi") {
            flush();
            documentCodePage_ = 1252;
        } else if (word == "mac") {
            flush();
            documentCodePage_ = 10000;
        } else if (word == "pc") {
            flush();
            documentCodePage_ = 437;
        } else if (word == "pca") {
            flush();
            documentCodePage_ = 850;
        } else if (std::string_view text = controlWordText(word); !text.empty()) {
            if (!consumedAsFallback()) {
                emit(text);
            }
        } else {
            consumedAsFallback(); // a formatting word still counts as a fallback character
        }
    }

    std::string_view in_;
    size_t pos_ = 0;
    std::vector<GroupState> stack_;
    std::string out_;
    std::string pendingBytes_; // \'hh and 8-bit bytes waiting for their code page
    char32_t highSurrogate_ = 0;
    int skipCount_ = 0; // fallback characters of the last \uN still to drop
    int documentCodePage_ = 1252;
    int defaultFont_ = -1;
    int definedFont_ = -1; // the font being defined in the font table
    std::map<int, int> fontCodePages_;
};

} // namespace

std::optional<std::string> RtfReader::plainText(std::string_view rtf) {
    return Parser(rtf).run();
}

} // namespace fen
