#include "storage/TextListImportDecoder.h"

#include <uchardet.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <iconv.h>
#include <initializer_list>
#include <memory>
#include <vector>

namespace fen {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// An iconv descriptor that closes itself.
class Converter {
public:
    explicit Converter(const std::string& from) : cd_(iconv_open("UTF-8", from.c_str())) {}
    ~Converter() {
        if (valid()) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts everything; a bad sequence either ends the conversion (strict) or becomes U+FFFD.
    std::optional<std::string> run(std::string_view bytes, bool lenient) {
        std::string out;
        out.reserve(bytes.size() + bytes.size() / 2 + 16);
        char buffer[4096];
        char* in = const_cast<char*>(bytes.data());
        size_t inLeft = bytes.size();
        while (inLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            size_t rc = iconv(cd_, &in, &inLeft, &dst, &dstLeft);
            out.append(buffer, dst);
            if (rc != static_cast<size_t>(-1)) {
                continue;
            }
            if (errno == E2BIG) {
                continue;
            }
            if (!lenient) {
                return std::nullopt;
            }
            out.append(kReplacement);
            if (errno == EINVAL) {
                break; // an incomplete sequence at the end
            }
            ++in;
            --inLeft;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        // Flush any shift state.
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        if (iconv(cd_, nullptr, nullptr, &dst, &dstLeft) == static_cast<size_t>(-1) && !lenient) {
            return std::nullopt;
        }
        out.append(buffer, dst);
        return out;
    }

private:
    iconv_t cd_;
};

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// True when control characters other than the line and tab characters make up more than one in
// twenty characters: a binary file that happened to convert.
bool looksBinary(std::string_view utf8) {
    size_t controls = 0;
    size_t characters = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) == 0x80) {
            continue;
        }
        ++characters;
        if ((c < 0x20 && !(c >= 0x09 && c <= 0x0D)) || c == 0x7F) {
            ++controls;
        }
    }
    return controls * 20 > characters;
}

std::optional<std::string> checked(std::optional<std::string> text) {
    if (text && looksBinary(*text)) {
        return std::nullopt;
    }
    return text;
}

struct DetectorDeleter {
    void operator()(uchardet* detector) const { uchardet_delete(detector); }
};

std::string detectCharset(std::string_view bytes) {
    std::unique_ptr<uchardet, DetectorDeleter> detector(uchardet_new());
    if (!detector || uchardet_handle_data(detector.get(), bytes.data(), bytes.size()) != 0) {
        return {};
    }
    uchardet_data_end(detector.get());
    const char* name = uchardet_get_charset(detector.get());
    return name ? std::string(name) : std::string();
}

// The length of the well-formed UTF-8 sequence at `i` (no overlong forms, surrogates or values
// above U+10FFFF); 0 when the bytes there are none.
size_t validSequenceLength(std::string_view bytes, size_t i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
        return 1;
    }
    size_t length;
    char32_t value;
    char32_t minimum;
    if ((c & 0xE0) == 0xC0) {
        length = 2;
        value = c & 0x1F;
        minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3;
        value = c & 0x0F;
        minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4;
        value = c & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() - i < length) {
        return 0;
    }
    for (size_t k = 1; k < length; ++k) {
        unsigned char next = static_cast<unsigned char>(bytes[i + k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    return length;
}

// The code points of valid UTF-8.
std::u32string codePoints(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        size_t length = validSequenceLength(utf8, i);
        if (length == 0) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        char32_t c = static_cast<unsigned char>(utf8[i]);
        if (length > 1) {
            c &= 0x7F >> length;
            for (size_t k = 1; k < length; ++k) {
                c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
            }
        }
        out.push_back(c);
        i += length;
    }
    return out;
}

// Letters (and the marks written on them) of the scripts that single-byte code pages carry, and
// the ideographs, kana and hangul of the multi-byte ones.
bool isLetter(char32_t c) {
    struct Range {
        char32_t first, last;
    };
    static constexpr Range letters[] = {
        {'A', 'Z'},       {'a', 'z'},       {0xAA, 0xAA},     {0xB5, 0xB5},     {0xBA, 0xBA},
        {0xC0, 0xD6},     {0xD8, 0xF6},     {0xF8, 0x2AF},    {0x300, 0x36F},   {0x370, 0x374},
        {0x376, 0x37D},   {0x386, 0x386},   {0x388, 0x3FF},   {0x400, 0x481},   {0x48A, 0x52F},
        {0x531, 0x556},   {0x561, 0x587},   {0x591, 0x5C7},   {0x5D0, 0x5EA},   {0x620, 0x65F},
        {0x66E, 0x6D3},   {0xE01, 0xE3A},   {0xE40, 0xE4E},   {0x1E00, 0x1FFF}, {0x3040, 0x30FF},
        {0x3400, 0x4DBF}, {0x4E00, 0x9FFF}, {0xAC00, 0xD7AF}, {0xF900, 0xFAFF}, {0xFF66, 0xFF9F}};
    for (const Range& range : letters) {
        if (c >= range.first && c <= range.last) {
            return true;
        }
    }
    return false;
}

// Signs that ordinary text sets against a word: quotes, Spanish ¿ and ¡, the marks of names,
// the ellipsis, dashes, the degree, the middle dot of Catalan and the acute accent that some type
// for an apostrophe.
bool mayTouchLetters(char32_t c) {
    static constexpr std::u32string_view signs = U"‚„“”‘’‹›«»¿¡®©"
                                                 U"™…·–—°´";
    return signs.find(c) != std::u32string_view::npos;
}

// The signs among those that open or close a word but never stand inside one: quotes other than
// the apostrophe's, and Spanish ¿ and ¡. Between two letters they are a wrong code page's reading
// of a letter (Polish "ż" read as Windows-1252 is "¿", "´" read as ISO-8859-13 is "“").
bool standsBesideWords(char32_t c) {
    static constexpr std::u32string_view signs = U"‚„“”‹›«»¿¡";
    return signs.find(c) != std::u32string_view::npos;
}

// Whether a decoded text reads as text of its code page. A wrong single-byte code page turns
// letters into the signs of another (Polish "ł" read as Windows-1252 is "³", Greek "Ά" read as
// ISO-8859-7 is "’") or into control characters; such signs then stand against letters, or a
// quote inside a word, which text written with them does not do.
bool readsCleanly(const std::u32string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if ((c >= 0x80 && c <= 0x9F) || c == 0xFFFD) {
            return false;
        }
        const bool letterBefore = i > 0 && isLetter(text[i - 1]);
        const bool letterAfter = i + 1 < text.size() && isLetter(text[i + 1]);
        if (standsBesideWords(c) && letterBefore && letterAfter) {
            return false;
        }
        if (c < 0x80 || isLetter(c) || mayTouchLetters(c) || c == 0xA0 || c == 0x2028 ||
            c == 0x2029) {
            continue;
        }
        if (letterBefore || letterAfter) {
            return false;
        }
    }
    return true;
}

// Whether a text has the shape of a Western European language: its words hold plain Latin
// letters, the accented ones among them. A text of another script read as Windows-1252 gives
// words made only of accented letters ("Привет" in Windows-1251 reads "Ïðèâåò"); a word of three
// or more letters without a plain one is taken for that.
bool hasWesternShape(const std::u32string& text) {
    size_t letters = 0;
    bool plain = false;
    for (size_t i = 0; i <= text.size(); ++i) {
        char32_t c = i < text.size() ? text[i] : U' ';
        if (isLetter(c)) {
            ++letters;
            plain = plain || c < 0x80;
            continue;
        }
        if (letters >= 3 && !plain) {
            return false;
        }
        letters = 0;
        plain = false;
    }
    return true;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

bool isOneOf(std::string_view charset, std::initializer_list<std::string_view> names) {
    return std::any_of(names.begin(), names.end(),
                       [&](std::string_view name) { return equalsIgnoringCase(charset, name); });
}

// The code pages of Latin script that a detector confuses with one another on a short text.
bool isLatinCodePage(std::string_view charset) {
    return isOneOf(charset, {"ASCII",        "ISO-8859-1",   "ISO-8859-2",
                             "ISO-8859-3",   "ISO-8859-4",   "ISO-8859-9",
                             "ISO-8859-10",  "ISO-8859-13",  "ISO-8859-14",
                             "ISO-8859-15",  "ISO-8859-16",  "WINDOWS-1250",
                             "WINDOWS-1252", "WINDOWS-1254", "WINDOWS-1257",
                             "WINDOWS-1258", "IBM437",       "IBM850",
                             "IBM852",       "IBM865",       "MAC-CENTRALEUROPE",
                             "MACINTOSH"});
}

// The Latin code pages whose answer is a real choice against Windows-1252: the Central European,
// Baltic and Turkish pages of Windows and ISO, in which lists of those languages are written. The
// other Latin pages a detector names (ISO-8859-10 for "Señor", a Mac or DOS page) are rarely
// used for such lists and are taken for a guess.
bool isRegionalLatinCodePage(std::string_view charset) {
    return isOneOf(charset, {"WINDOWS-1250", "ISO-8859-2", "WINDOWS-1257", "ISO-8859-13",
                             "WINDOWS-1254", "ISO-8859-9"});
}

// The Mac and DOS code pages, which a detector names for text of their script that is mostly
// written in its Windows page ("Январь" in Windows-1251 is named MAC-CYRILLIC, whose reading
// "январь" is clean too).
bool isMacOrDosCodePage(std::string_view charset) {
    return equalsIgnoringCase(charset.substr(0, 3), "MAC") ||
           equalsIgnoringCase(charset.substr(0, 3), "IBM");
}

// Whether the detector's answer outweighs a clean Western reading: a code page of another script
// (other than a Mac or DOS one), or a Central European, Baltic or Turkish one.
bool isRealChoice(std::string_view charset) {
    return isRegionalLatinCodePage(charset) ||
           (!charset.empty() && !isLatinCodePage(charset) && !isMacOrDosCodePage(charset));
}

bool isWindows1252Family(std::string_view charset) {
    return isOneOf(charset, {"WINDOWS-1252", "ISO-8859-1", "ISO-8859-15"});
}

// The code pages to try for a detected one, in order, with its sibling of the same script. A
// detected ISO page comes before its Windows sibling and a Windows page before its ISO one: where
// the two differ, the wrong one mostly reads as signs against letters or as control characters,
// and where both read cleanly ("Růže" in ISO-8859-2 reads "Růľe" in Windows-1250) the detector's
// answer is the better guess. A Mac or DOS page comes after the Windows page of its script.
std::vector<std::string> candidatesFor(const std::string& detected) {
    static const std::pair<const char*, const char*> windowsOf[] = {
        {"ISO-8859-2", "WINDOWS-1250"},   {"ISO-8859-5", "WINDOWS-1251"},
        {"IBM855", "WINDOWS-1251"},       {"IBM866", "WINDOWS-1251"},
        {"MAC-CYRILLIC", "WINDOWS-1251"}, {"ISO-8859-7", "WINDOWS-1253"},
        {"ISO-8859-9", "WINDOWS-1254"},   {"ISO-8859-8", "WINDOWS-1255"},
        {"ISO-8859-6", "WINDOWS-1256"},   {"ISO-8859-13", "WINDOWS-1257"}};
    for (const auto& [other, windows] : windowsOf) {
        if (equalsIgnoringCase(detected, other)) {
            if (isMacOrDosCodePage(detected)) {
                return {windows, detected};
            }
            return {detected, windows};
        }
        if (equalsIgnoringCase(detected, windows)) {
            return {detected, other};
        }
    }
    return {detected};
}

// The bytes in `charset` (Windows-1252 or ISO-8859-15) when they read cleanly as text of a
// Western European language in it: no byte that the code page leaves undefined, and a reading
// that is clean and of that shape.
std::optional<std::string> asWestern(std::string_view bytes, const std::string& charset) {
    if (charset == "WINDOWS-1252" &&
        bytes.find_first_of(std::string_view("\x81\x8D\x8F\x90\x9D")) != std::string_view::npos) {
        return std::nullopt;
    }
    std::optional<std::string> text = TextListImportDecoder::convert(bytes, charset);
    if (!text) {
        return std::nullopt;
    }
    std::u32string points = codePoints(*text);
    if (!readsCleanly(points) || !hasWesternShape(points)) {
        return std::nullopt;
    }
    return text;
}

// The text in `charset` when it reads cleanly there.
std::optional<std::string> cleanIn(std::string_view bytes, const std::string& charset) {
    std::optional<std::string> text = TextListImportDecoder::convert(bytes, charset);
    if (text && readsCleanly(codePoints(*text))) {
        return text;
    }
    return std::nullopt;
}

// Bytes that are neither UTF-8 nor marked. A short text gives a detector little to go on: it
// often names a Latin code page of another language ("Señor" as ISO-8859-10 reads "Seņor"), while
// a Western list in Windows-1252 or ISO-8859-1 reads cleanly only as such. So the detector's
// answer is taken first only where it is a real choice: a code page of another script, or a
// Central European, Baltic or Turkish one, in which the text reads cleanly. Otherwise
// Windows-1252 when the text reads cleanly as Western European text in it; then the detected code
// page or its sibling, whichever reads cleanly first; then ISO-8859-15, whose Œ, œ, Š and Ž
// Windows-1252 reads as fractions and signs; and the detected one as it reads when none does.
std::optional<std::string> decodeSingleOrMultiByte(std::string_view bytes) {
    const std::string detected = detectCharset(bytes);
    if (isRealChoice(detected)) {
        if (std::optional<std::string> text = cleanIn(bytes, detected)) {
            return text;
        }
    }
    if (std::optional<std::string> western = asWestern(bytes, "WINDOWS-1252")) {
        return western;
    }
    if (detected.empty()) {
        return std::nullopt;
    }
    for (const std::string& charset : candidatesFor(detected)) {
        if (isWindows1252Family(charset)) {
            continue; // judged above
        }
        if (std::optional<std::string> text = cleanIn(bytes, charset)) {
            return text;
        }
    }
    if (std::optional<std::string> western = asWestern(bytes, "ISO-8859-15")) {
        return western;
    }
    return TextListImportDecoder::convert(bytes, detected);
}

} // namespace

std::optional<std::string> TextListImportDecoder::decodeText(std::string_view bytes) {
    if (bytes.empty()) {
        return std::string();
    }
    struct Bom {
        std::string_view mark;
        const char* charset;
    };
    // UTF-32 LE before UTF-16 LE: its mark begins with the UTF-16 one.
    static const Bom boms[] = {
        {std::string_view("\xEF\xBB\xBF", 3), "UTF-8"},
        {std::string_view("\xFF\xFE\x00\x00", 4), "UTF-32LE"},
        {std::string_view("\x00\x00\xFE\xFF", 4), "UTF-32BE"},
        {std::string_view("\xFF\xFE", 2), "UTF-16LE"},
        {std::string_view("\xFE\xFF", 2), "UTF-16BE"},
    };
    for (const Bom& bom : boms) {
        if (startsWith(bytes, bom.mark)) {
            return checked(convert(bytes.substr(bom.mark.size()), bom.charset));
        }
    }
    if (bytes.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    if (isValidUtf8(bytes)) {
        return checked(std::string(bytes));
    }
    return checked(decodeSingleOrMultiByte(bytes));
}

std::optional<std::string> TextListImportDecoder::convert(std::string_view bytes,
                                                          const std::string& charset) {
    Converter converter(charset);
    if (!converter.valid()) {
        return std::nullopt;
    }
    auto text = converter.run(bytes, false);
    if (text && !isValidUtf8(*text)) {
        return std::nullopt;
    }
    return text;
}

std::optional<std::string> TextListImportDecoder::convertLenient(std::string_view bytes,
                                                                 const std::string& charset) {
    Converter converter(charset);
    if (!converter.valid()) {
        return std::nullopt;
    }
    return converter.run(bytes, true);
}

bool TextListImportDecoder::isValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        size_t length = validSequenceLength(bytes, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string TextListImportDecoder::validUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        size_t length = validSequenceLength(bytes, i);
        if (length == 0) {
            out.append(kReplacement);
            ++i;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    return out;
}

void TextListImportDecoder::appendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        out.append(kReplacement);
    } else if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

} // namespace fen
