#include "storage/TextListImportDecoder.h"

#include <uchardet.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <iconv.h>
#include <initializer_list>
#include <limits>
#include <memory>
#include <span>
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
    if (c < 0x80) {
        return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
    }
    // The letters of most lists, before the table: a long list reads each character many times.
    if ((c >= 0xF8 && c <= 0x2AF) || (c >= 0x400 && c <= 0x481)) {
        return true;
    }
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
        if (c < 0x80) {
            continue; // no sign that stands against a letter is in ASCII
        }
        if (c <= 0x9F || c == 0xFFFD) {
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

// Whether a text has the shape of a language of Latin script: its words hold plain Latin letters,
// the accented ones among them. A text of another script read in a Latin code page gives words
// made only of accented letters ("Привет" in Windows-1251 reads "Ïðèâåò" in Windows-1252); a word
// of three or more letters without a plain one is taken for that.
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

// The Mac and DOS code pages, which a detector names for text of their script that is mostly
// written in its Windows page ("Январь" in Windows-1251 is named MAC-CYRILLIC, whose reading
// "январь" is clean too).
bool isMacOrDosCodePage(std::string_view charset) {
    return equalsIgnoringCase(charset.substr(0, 3), "MAC") ||
           equalsIgnoringCase(charset.substr(0, 3), "IBM");
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

// The text in `charset` when it reads cleanly there.
std::optional<std::string> cleanIn(std::string_view bytes, const std::string& charset) {
    std::optional<std::string> text = TextListImportDecoder::convert(bytes, charset);
    if (text && readsCleanly(codePoints(*text))) {
        return text;
    }
    return std::nullopt;
}

// A letter as it stands in lower case, for the Latin letters that single-byte code pages carry.
// Turkish dotted capital I and dotless i stay as they are: no other language has them.
char32_t lowerLatin(char32_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
        return c + 0x20;
    }
    const bool evenUpper = (c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) ||
                           (c >= 0x14A && c <= 0x177) || (c >= 0x218 && c <= 0x21B);
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((evenUpper && c % 2 == 0) || (oddUpper && c % 2 == 1)) {
        return c + 1;
    }
    return c == 0x178 ? 0xFF : c;
}

// How often a letter outside ASCII stands in running text of a language, in per cent: rounded
// letter counts, for what matters here is which letters a language uses, and roughly how much.
struct LetterShare {
    char32_t letter;
    double percent;
};
using Language = std::span<const LetterShare>;

constexpr LetterShare kSpanish[] = {{U'á', .50}, {U'é', .43}, {U'í', .73}, {U'ó', .83},
                                    {U'ú', .17}, {U'ñ', .31}, {U'ü', .02}};
constexpr LetterShare kPortuguese[] = {
    {U'á', .12}, {U'â', .56}, {U'ã', .73}, {U'à', .07}, {U'ç', .53}, {U'é', .34}, {U'ê', .45},
    {U'í', .13}, {U'ó', .30}, {U'ô', .64}, {U'õ', .04}, {U'ú', .21}, {U'ü', .01}};
constexpr LetterShare kFrench[] = {{U'à', .49}, {U'â', .05}, {U'æ', .01}, {U'ç', .09},
                                   {U'è', .27}, {U'é', 1.5}, {U'ê', .22}, {U'ë', .01},
                                   {U'î', .05}, {U'ï', .01}, {U'ô', .02}, {U'œ', .02},
                                   {U'ù', .06}, {U'û', .06}, {U'ü', .01}, {U'ÿ', .01}};
constexpr LetterShare kGerman[] = {{U'ä', .58}, {U'ö', .44}, {U'ü', 1.0}, {U'ß', .31}, {U'é', .01}};
constexpr LetterShare kItalian[] = {{U'à', .64}, {U'è', .26}, {U'é', .03}, {U'ì', .03}, {U'í', .01},
                                    {U'ò', .10}, {U'ó', .01}, {U'ù', .17}, {U'ú', .01}};
constexpr LetterShare kCatalan[] = {{U'à', .80}, {U'ç', .20}, {U'è', .80}, {U'é', .60},
                                    {U'í', .40}, {U'ï', .10}, {U'ò', .50}, {U'ó', .50},
                                    {U'ú', .20}, {U'ü', .05}};
constexpr LetterShare kDutch[] = {{U'é', .02}, {U'ë', .10}, {U'ï', .02}, {U'è', .01},
                                  {U'ö', .01}, {U'ü', .01}, {U'á', .01}};
constexpr LetterShare kDanish[] = {{U'å', 1.19}, {U'æ', .87}, {U'ø', .94}, {U'é', .02}};
constexpr LetterShare kSwedish[] = {{U'å', 1.34}, {U'ä', 1.8}, {U'ö', 1.31}, {U'é', .02}};
constexpr LetterShare kIcelandic[] = {{U'á', 1.8}, {U'ð', 4.39}, {U'é', .65}, {U'í', 1.57},
                                      {U'ó', .99}, {U'ú', .61},  {U'ý', .23}, {U'þ', 1.46},
                                      {U'æ', .87}, {U'ö', .78}};
constexpr LetterShare kFinnish[] = {
    {U'ä', 3.58}, {U'ö', .44}, {U'å', .01}, {U'š', .01}, {U'ž', .01}};
constexpr LetterShare kEstonian[] = {{U'ä', .80}, {U'õ', 1.0}, {U'ö', .20},
                                     {U'ü', .70}, {U'š', .02}, {U'ž', .01}};
constexpr LetterShare kPolish[] = {{U'ą', .70},  {U'ć', .74}, {U'ę', 1.04},
                                   {U'ł', 2.11}, {U'ń', .36}, {U'ó', 1.14},
                                   {U'ś', .81},  {U'ź', .08}, {U'ż', .71}};
constexpr LetterShare kCzech[] = {{U'á', .87},  {U'č', .46}, {U'ď', .02}, {U'é', .63}, {U'ě', 1.22},
                                  {U'í', 1.64}, {U'ň', .01}, {U'ó', .02}, {U'ř', .38}, {U'š', .69},
                                  {U'ť', .01},  {U'ú', .05}, {U'ů', .20}, {U'ý', .99}, {U'ž', .72}};
constexpr LetterShare kSlovak[] = {{U'á', 2.1}, {U'ä', .10}, {U'č', 1.0}, {U'ď', .20}, {U'é', .70},
                                   {U'í', 1.6}, {U'ĺ', .01}, {U'ľ', .30}, {U'ň', .05}, {U'ó', .20},
                                   {U'ô', .20}, {U'ŕ', .01}, {U'š', .80}, {U'ť', 1.0}, {U'ú', .70},
                                   {U'ý', 2.0}, {U'ž', .80}};
constexpr LetterShare kHungarian[] = {{U'á', 3.7}, {U'é', 4.1}, {U'í', .60},
                                      {U'ó', 1.0}, {U'ö', 1.0}, {U'ő', .90},
                                      {U'ú', .30}, {U'ü', .60}, {U'ű', .10}};
constexpr LetterShare kCroatian[] = {
    {U'č', 1.1}, {U'ć', .90}, {U'đ', .20}, {U'š', 1.0}, {U'ž', .70}};
constexpr LetterShare kRomanian[] = {{U'ă', 2.9}, {U'â', 1.2}, {U'î', 1.0}, {U'ş', 1.4},
                                     {U'ţ', 1.0}, {U'ș', 1.4}, {U'ț', 1.0}};
constexpr LetterShare kLatvian[] = {{U'ā', 4.0}, {U'č', .05}, {U'ē', 1.7}, {U'ģ', .04},
                                    {U'ī', 1.6}, {U'ķ', .15}, {U'ļ', .40}, {U'ņ', .40},
                                    {U'š', 1.4}, {U'ū', .50}, {U'ž', .70}};
constexpr LetterShare kLithuanian[] = {{U'ą', .60}, {U'č', .40}, {U'ę', .20},
                                       {U'ė', 1.7}, {U'į', .60}, {U'š', 1.2},
                                       {U'ų', 1.2}, {U'ū', .50}, {U'ž', .80}};
constexpr LetterShare kTurkish[] = {{U'â', .05}, {U'ç', 1.16}, {U'ğ', 1.13}, {U'ı', 5.11},
                                    {U'İ', .60}, {U'î', .01},  {U'ö', .78},  {U'ş', 1.78},
                                    {U'û', .01}, {U'ü', 1.85}};

// The languages written in each family of code pages.
constexpr Language kWesternLanguages[] = {kSpanish, kPortuguese, kFrench,  kGerman,
                                          kItalian, kCatalan,    kDutch,   kDanish,
                                          kSwedish, kIcelandic,  kFinnish, kEstonian};
constexpr Language kCentralLanguages[] = {kPolish,   kCzech,    kSlovak, kHungarian,
                                          kCroatian, kRomanian, kGerman};
constexpr Language kBalticLanguages[] = {kLatvian, kLithuanian, kEstonian};
constexpr Language kTurkishLanguages[] = {kTurkish};

// Whether a letter of the Latin pages is a capital: one with a small form, and Turkish dotted İ.
bool isCapital(char32_t c) {
    return lowerLatin(c) != c || c == U'İ';
}

// Whether the word in [first, end) mixes its cases as no word is written: a capital after its first
// letter in a word that also has small letters. A wrong code page makes such words of signs and
// letters ("¡Atención" read as ISO-8859-2 is "ĄAtención", "Domžale" read as ISO-8859-15 is
// "DomŸale"); words in capitals and capitalised words are written so.
bool mixesCases(const std::u32string& text, size_t first, size_t end) {
    const bool small = std::any_of(text.begin() + first, text.begin() + end,
                                   [](char32_t c) { return c < 0x250 && !isCapital(c); });
    return small && std::any_of(text.begin() + first + 1, text.begin() + end, isCapital);
}

// Letters that no word of their languages begins with ("Šiauliai" read as Windows-1252 is
// "Ðiauliai", which no Icelandic word can be).
constexpr std::u32string_view kNeverFirst = U"ðğßůěų";

// The alphabet a letter belongs to, for telling a word of one alphabet from a wrong page's mix.
// Ideographs, kana and hangul count as none: their texts set Latin letters against them.
enum class Alphabet { None, Latin, Greek, Cyrillic, Armenian, Hebrew, Arabic, Thai };

Alphabet alphabetOf(char32_t c) {
    if (c < 0x300 || (c >= 0x1E00 && c < 0x1F00)) {
        return Alphabet::Latin;
    }
    if (c < 0x370) {
        return Alphabet::None; // combining marks
    }
    if (c < 0x400 || (c >= 0x1F00 && c < 0x2000)) {
        return Alphabet::Greek;
    }
    if (c < 0x530) {
        return Alphabet::Cyrillic;
    }
    if (c < 0x590) {
        return Alphabet::Armenian;
    }
    if (c < 0x600) {
        return Alphabet::Hebrew;
    }
    if (c < 0x700) {
        return Alphabet::Arabic;
    }
    if (c >= 0xE00 && c < 0xE80) {
        return Alphabet::Thai;
    }
    return Alphabet::None;
}

// Whether a letter is a capital, in the Latin, Greek and Cyrillic alphabets.
bool isAnyCapital(char32_t c) {
    if (c < 0x370) {
        return isCapital(c);
    }
    if (c < 0x400) {
        return c == 0x386 || (c >= 0x388 && c <= 0x38F) || (c >= 0x391 && c <= 0x3AB);
    }
    if (c < 0x530) {
        return c < 0x430 || (c >= 0x460 && c % 2 == 0);
    }
    return false;
}

// Whether the signs in [first, end), which stand between two letters, are one that joins letters
// in words: an apostrophe, a dash before a capital ("Paris–Roubaix"), or the Catalan "l·l".
bool joinsLetters(const std::u32string& text, size_t first, size_t end) {
    if (end != first + 1) {
        return false;
    }
    const char32_t sign = text[first];
    if (sign == U'’' || sign == U'´') {
        return true;
    }
    if (sign == U'–' || sign == U'—') {
        return isAnyCapital(text[end]);
    }
    return sign == U'·' && (text[first - 1] | 0x20) == 'l' && (text[end] | 0x20) == 'l';
}

// Whether a clean reading also reads as words, each written as words are: of one alphabet, in one
// case (or capitalised, or in capitals) where it holds a letter outside ASCII, with no sign between
// two of its letters other than one that joins them, no opening mark (¿ ¡ „ ‚) right after a
// letter nor closing one (™ ®) right before one, no dash between a letter and a space, no
// no-break space beside a space or a line's end, and no letter first that no word begins with. A
// wrong page whose letters stand where another page has letters reads cleanly, but not so: "Dobrý
// večer" in CP852 read as Windows-1252 is "Dobrì veŸer", "Málaga" in CP850 is "M laga" with a
// no-break space, "Спасибо" in KOI8-R read as ISO-8859-7 is "σΠΑΣΙΒΟ".
bool readsAsWords(const std::u32string& text) {
    if (!readsCleanly(text)) {
        return false;
    }
    static constexpr std::u32string_view kOpening = U"¿¡„‚";
    static constexpr std::u32string_view kClosing = U"™®";
    const auto space = [&](size_t k) {
        return k >= text.size() || text[k] == ' ' || text[k] == 0xA0 ||
               (text[k] >= 0x09 && text[k] <= 0x0D);
    };
    for (size_t i = 0; i < text.size();) {
        const char32_t c = text[i];
        if (!isLetter(c)) {
            const bool letterBefore = i > 0 && isLetter(text[i - 1]);
            const bool letterAfter = i + 1 < text.size() && isLetter(text[i + 1]);
            if ((letterBefore && kOpening.find(c) != kOpening.npos) ||
                (letterAfter && kClosing.find(c) != kClosing.npos) ||
                (letterBefore && (c == U'–' || c == U'—') && space(i + 1)) ||
                (c == 0xA0 && (i == 0 || space(i - 1) || space(i + 1)))) {
                return false;
            }
            // The signs outside ASCII between two letters, with nothing else between them.
            size_t end = i;
            while (end < text.size() && text[end] >= 0x80 && !isLetter(text[end])) {
                ++end;
            }
            if (end > i && letterBefore && end < text.size() && isLetter(text[end]) &&
                !joinsLetters(text, i, end)) {
                return false;
            }
            i = std::max(end, i + 1);
            continue;
        }
        if (kNeverFirst.find(lowerLatin(c)) != kNeverFirst.npos) {
            return false;
        }
        size_t end = i;
        Alphabet alphabet = Alphabet::None;
        bool outsideAscii = false;
        bool small = false;
        bool laterCapital = false;
        for (; end < text.size() && isLetter(text[end]); ++end) {
            const char32_t letter = text[end];
            const Alphabet its = alphabetOf(letter);
            if (its != Alphabet::None) {
                if (alphabet != Alphabet::None && its != alphabet) {
                    return false;
                }
                alphabet = its;
            }
            outsideAscii = outsideAscii || letter >= 0x80;
            const bool capital = isAnyCapital(letter);
            small = small || (!capital && its != Alphabet::None);
            laterCapital = laterCapital || (capital && end > i);
        }
        if (outsideAscii && small && laterCapital) {
            return false;
        }
        i = end;
    }
    return true;
}

// How well a reading fits the languages of its page, word by word: for each word, the sum over
// its characters outside ASCII of the logarithm of each one's share in the language the word fits
// best. A word thus fits one language, whose letters it must all use ("Růže" fits Czech; "Růľe",
// with the Czech ů and the Slovak ľ, fits none), while a list may mix languages. A letter the
// language does not use counts as one in a hundred thousand (a foreign name), a letter it uses
// at least as one in five hundred (rare letters are common in names), or as foreign where it
// begins a word and no word of the language begins with it; a sign counts as a letter of middling
// use. A word that mixes its cases counts as one more foreign letter.
double fit(const std::u32string& text, std::span<const Language> languages) {
    const double foreign = std::log(0.00001);
    const double sign = std::log(0.003);
    constexpr double kLeast = 0.2;
    double total = 0;
    for (size_t i = 0; i < text.size();) {
        if (!isLetter(text[i])) {
            total += text[i] >= 0x80 ? sign : 0;
            ++i;
            continue;
        }
        size_t end = i;
        while (end < text.size() && isLetter(text[end])) {
            ++end;
        }
        if (std::any_of(text.begin() + i, text.begin() + end,
                        [](char32_t c) { return c >= 0x80; })) {
            double best = -std::numeric_limits<double>::infinity();
            for (const Language& language : languages) {
                double sum = 0;
                for (size_t k = i; k < end; ++k) {
                    if (text[k] < 0x80) {
                        continue;
                    }
                    const char32_t lower = lowerLatin(text[k]);
                    const auto share =
                        std::find_if(language.begin(), language.end(),
                                     [&](const LetterShare& s) { return s.letter == lower; });
                    const bool misplaced = k == i && kNeverFirst.find(lower) != kNeverFirst.npos;
                    sum += share == language.end() || misplaced
                               ? foreign
                               : std::log(std::max(share->percent, kLeast) / 100);
                }
                best = std::max(best, sum);
            }
            total += best + (mixesCases(text, i, end) ? foreign : 0);
        }
        i = end;
    }
    return total;
}

// Whether a reading of a multi-byte page is text of its script, rather than Latin words with some
// of their letters read in pairs as ideographs ("Rīga" in Windows-1257 read as GB18030 is
// "R頶a"): it is not when most runs of ideographs, kana or hangul stand between two Latin letters.
bool readsAsItsScript(const std::u32string& text) {
    const auto latin = [](char32_t c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; };
    size_t runs = 0;
    size_t inWords = 0;
    for (size_t i = 0; i < text.size();) {
        if (text[i] < 0x3040) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < text.size() && text[end] >= 0x3040) {
            ++end;
        }
        ++runs;
        inWords += i > 0 && end < text.size() && latin(text[i - 1]) && latin(text[end]);
        i = end;
    }
    return inWords * 2 <= runs;
}

// A Latin code page lists are written in, and the languages written in it.
struct LatinPage {
    const char* charset;
    std::span<const Language> languages;
};

// Pages of one family carry the same letters in most places, and the detector tells them apart
// no better than by chance.
struct PageFamily {
    std::array<LatinPage, 2> pages;
    // What the detector's naming a page of the family counts for, per letter outside ASCII: a
    // detector tells Central European and Turkish text well, and names the Baltic ISO page for
    // many a Western word.
    double trust;
    // What the family counts for by itself, per letter outside ASCII up to six: most lists are
    // written in Windows-1252, so a short list its letters leave in doubt is read in it.
    double prior;
};

constexpr PageFamily kFamilies[] = {
    {{{{"WINDOWS-1252", kWesternLanguages}, {"ISO-8859-15", kWesternLanguages}}}, 1.0, 2.5},
    {{{{"WINDOWS-1250", kCentralLanguages}, {"ISO-8859-2", kCentralLanguages}}}, 4.0, 0.0},
    {{{{"WINDOWS-1254", kTurkishLanguages}, {"ISO-8859-9", kTurkishLanguages}}}, 4.0, 0.0},
    {{{{"WINDOWS-1257", kBalticLanguages}, {"ISO-8859-13", kBalticLanguages}}}, 1.0, 0.0},
};

// The DOS and Mac pages of the Western and Central European families: what a Windows console
// writes (`dir > list.txt`) and what older Mac editors wrote. The detector names the Central
// European ones for many a Western text in them (Mac Roman "Düsseldorf" as IBM852), and never the
// Western ones, so its naming counts for little; the Western ones keep a little of the prior of
// their family.
struct OlderPage {
    LatinPage page;
    double trust;
    double prior;
};

const OlderPage kDosAndMac[] = {
    {{"IBM850", kWesternLanguages}, 1.0, 0.5},
    {{"MACINTOSH", kWesternLanguages}, 1.0, 0.5},
    {{"IBM852", kCentralLanguages}, 1.0, 0.0},
    {{"MAC-CENTRALEUROPE", kCentralLanguages}, 1.0, 0.0},
};

// The Latin pages lists are rarely written in, read only when the detector names them, each with
// the languages written in it.
const LatinPage kNamedOnly[] = {
    {"ISO-8859-4", kBalticLanguages},
};

// A reading of the bytes and how likely its page is.
struct Reading {
    std::optional<std::string> text;
    double score = -std::numeric_limits<double>::infinity();
};

// The likeliest clean reading that reads as words, and the likeliest that does not.
struct Readings {
    Reading asWords;
    Reading clean;

    void offer(std::string text, double score, bool asWord) {
        Reading& into = asWord ? asWords : clean;
        // On a tie, the page offered first.
        if (score > into.score) {
            into = {std::move(text), score};
        }
    }
};

// The Latin pages' readings of the bytes that are clean and of the shape of Latin text, the best
// of those that read as words and the best of the others. Each is weighed by how well its words
// fit a language of its page, by what the detector said (in favour of the family of the page it
// names, and of that page within it, by one more per letter), and by the prior of the page's
// family. A short list, where the detector has little to go on, is thus read in the page whose
// letters its language uses ("María" as Spanish, though the detector names a Baltic page for
// it), and a longer one as the detector says unless its letters tell otherwise (a list of Latvian
// places the detector takes for Chinese). The DOS and Mac pages are weighed where no Windows or
// ISO page reads the text as words, or where the detector names one and Windows-1252 does not
// read the text cleanly ("Białystok" in MAC-CENTRALEUROPE reads "Biažystok" in ISO-8859-2); a
// rarer ISO page only in the latter case ("Panevėžys" in ISO-8859-4 reads "Panevěžys" in
// ISO-8859-2). The detector names such pages for many a Western word too ("mercoledì" as IBM852,
// "mercoledý").
Readings latinReadings(std::string_view bytes, const std::string& detected) {
    constexpr double kNamedPage = 1.0;
    constexpr double kPriorLetters = 6;
    Readings readings;
    bool anyAsWords = false;
    bool windows1252Reads = false;
    const auto weigh = [&](const char* charset, std::span<const Language> languages, double trust,
                           double prior) {
        std::optional<std::string> text = TextListImportDecoder::convert(bytes, charset);
        if (!text) {
            return false;
        }
        const std::u32string points = codePoints(*text);
        if (!readsCleanly(points) || !hasWesternShape(points)) {
            return false;
        }
        const auto letters = static_cast<double>(
            std::count_if(points.begin(), points.end(), [](char32_t c) { return c >= 0x80; }));
        const double score =
            fit(points, languages) + prior * std::min(letters, kPriorLetters) +
            (trust + (equalsIgnoringCase(detected, charset) ? kNamedPage : 0)) * letters;
        const bool asWords = readsAsWords(points);
        anyAsWords = anyAsWords || asWords;
        readings.offer(std::move(*text), score, asWords);
        return true;
    };
    const auto named = [&](const PageFamily& family) {
        // ISO-8859-1 names the Western family: Windows-1252 reads all it carries.
        return std::any_of(family.pages.begin(), family.pages.end(),
                           [&](const LatinPage& page) {
                               return equalsIgnoringCase(detected, page.charset);
                           }) ||
               (&family == &kFamilies[0] && equalsIgnoringCase(detected, "ISO-8859-1"));
    };
    for (const PageFamily& family : kFamilies) {
        for (const LatinPage& page : family.pages) {
            const bool reads =
                weigh(page.charset, page.languages, named(family) ? family.trust : 0, family.prior);
            windows1252Reads = windows1252Reads || (reads && &page == &kFamilies[0].pages[0]);
        }
    }
    const bool windowsAndIsoFail = !anyAsWords;
    for (const OlderPage& older : kDosAndMac) {
        const bool itsName = equalsIgnoringCase(detected, older.page.charset);
        if (windowsAndIsoFail || (itsName && !windows1252Reads)) {
            weigh(older.page.charset, older.page.languages, itsName ? older.trust : 0, older.prior);
        }
    }
    for (const LatinPage& page : kNamedOnly) {
        if (!windows1252Reads && equalsIgnoringCase(detected, page.charset)) {
            weigh(page.charset, page.languages, 0, 0);
        }
    }
    return readings;
}

// The single-byte pages of the Cyrillic alphabet. KOI8-U is KOI8-R with the Ukrainian letters
// і ї є ґ where KOI8-R has box-drawing signs; Russian text reads alike in both.
constexpr const char* kCyrillicPages[] = {"WINDOWS-1251", "KOI8-R",       "KOI8-U",
                                          "IBM866",       "MAC-CYRILLIC", "ISO-8859-5"};

bool isCyrillicPage(std::string_view charset) {
    return std::any_of(std::begin(kCyrillicPages), std::end(kCyrillicPages),
                       [&](const char* page) { return equalsIgnoringCase(charset, page); }) ||
           equalsIgnoringCase(charset, "IBM855");
}

// A reading and how many letters it reads as.
struct Counted {
    std::optional<std::string> text;
    std::ptrdiff_t letters = -1;
};

// Of the readings in `charsets` that read as words (or, with `asWords` false, only cleanly), the
// one with the most letters, the first on a tie. A text of a DOS or Mac page read in the Windows
// page of its script turns its commonest letters into spaces and signs ("Самара" in IBM866 reads "‘
// ¬ а " in Windows-1251), while the Windows page's own text reads as letters in both ("Январь" in
// Windows-1251 reads "январь" in MAC-CYRILLIC); Ukrainian in KOI8-U reads as box-drawing signs in
// KOI8-R ("Львів" is "Льв╕в").
Counted mostLetters(std::string_view bytes, const std::vector<std::string>& charsets,
                    bool asWords) {
    Counted best;
    for (size_t i = 0; i < charsets.size(); ++i) {
        if (std::find(charsets.begin(), charsets.begin() + i, charsets[i]) !=
            charsets.begin() + i) {
            continue;
        }
        std::optional<std::string> text = TextListImportDecoder::convert(bytes, charsets[i]);
        if (!text) {
            continue;
        }
        const std::u32string points = codePoints(*text);
        const std::ptrdiff_t letters = std::count_if(points.begin(), points.end(), isLetter);
        if (letters > best.letters && (asWords ? readsAsWords(points) : readsCleanly(points))) {
            best = {std::move(text), letters};
        }
    }
    return best;
}

// Whether a reading has a sign outside ASCII next to a letter or to another such sign, as a
// text of another script read in a Latin page has ("Єва" in KOI8-U reads "¥◊¡" in Mac Roman), and
// a sign standing by itself ("€ 5,00") or joining two letters ("Don´t") has not.
bool hasSignsAgainstLetters(const std::u32string& text) {
    const auto sign = [](char32_t c) { return c >= 0x80 && !isLetter(c) && c != 0xA0; };
    for (size_t i = 0; i < text.size(); ++i) {
        if (!sign(text[i]) || (i > 0 && i + 1 < text.size() && isLetter(text[i - 1]) &&
                               isLetter(text[i + 1]) && joinsLetters(text, i, i + 1))) {
            continue;
        }
        for (size_t k : {i - 1, i + 1}) {
            if (k < text.size() && (isLetter(text[k]) || sign(text[k]))) {
                return true;
            }
        }
    }
    return false;
}

// The pages to try for a detected page of another script: its own and its sibling, and for a
// Cyrillic page the others of its alphabet after them.
std::vector<std::string> scriptCandidatesFor(const std::string& detected) {
    std::vector<std::string> charsets = candidatesFor(detected);
    if (isCyrillicPage(detected)) {
        for (const char* page : kCyrillicPages) {
            if (std::none_of(charsets.begin(), charsets.end(), [&](const std::string& charset) {
                    return equalsIgnoringCase(charset, page);
                })) {
                charsets.emplace_back(page);
            }
        }
    }
    return charsets;
}

// The reading of a detected page of another script, when it reads as words (or, with `asWords`
// false, only cleanly): for a DOS, Mac or Cyrillic page, the reading with the most letters among
// the detected page, its sibling and the pages of its alphabet; for another page, its own reading,
// and for a multi-byte page only when it reads as text of its script.
std::optional<std::string> otherScriptReading(std::string_view bytes, const std::string& detected,
                                              bool asWords) {
    if (detected.empty() || isLatinCodePage(detected)) {
        return std::nullopt;
    }
    if (isMacOrDosCodePage(detected) || isCyrillicPage(detected)) {
        return mostLetters(bytes, scriptCandidatesFor(detected), asWords).text;
    }
    std::optional<std::string> text = TextListImportDecoder::convert(bytes, detected);
    if (!text) {
        return std::nullopt;
    }
    const std::u32string points = codePoints(*text);
    if ((asWords ? readsAsWords(points) : readsCleanly(points)) && readsAsItsScript(points)) {
        return text;
    }
    return std::nullopt;
}

// Bytes that are neither UTF-8 nor marked, with `detected` the detector's answer (empty for
// none). A reading that reads as words is taken before one that only reads cleanly, and one that
// does neither never: first the detected page of another script; then the likeliest Latin page,
// unless its signs stand against letters where the detected page, its sibling, a Cyrillic or a
// Greek page reads more letters ("Єва" in KOI8-U reads "¥◊¡" in Mac Roman); then the one of those
// with the most letters. Only when none reads as words, the detected page of another script, the
// likeliest Latin page, and the detected page or its sibling, for a clean reading; nothing when
// none reads cleanly either.
std::optional<std::string> readUnmarked(std::string_view bytes, const std::string& detected) {
    if (std::optional<std::string> text = otherScriptReading(bytes, detected, true)) {
        return text;
    }
    Readings latin = latinReadings(bytes, detected);
    const auto others = [&] {
        std::vector<std::string> charsets =
            detected.empty() ? std::vector<std::string>() : scriptCandidatesFor(detected);
        charsets.insert(charsets.end(), std::begin(kCyrillicPages), std::end(kCyrillicPages));
        charsets.emplace_back("WINDOWS-1253");
        charsets.emplace_back("ISO-8859-7");
        return mostLetters(bytes, charsets, true);
    };
    if (latin.asWords.text) {
        const std::u32string points = codePoints(*latin.asWords.text);
        if (!hasSignsAgainstLetters(points)) {
            return std::move(latin.asWords.text);
        }
        Counted other = others();
        if (other.letters > std::count_if(points.begin(), points.end(), isLetter)) {
            return std::move(other.text);
        }
        return std::move(latin.asWords.text);
    }
    if (Counted other = others(); other.text) {
        return std::move(other.text);
    }
    if (std::optional<std::string> text = otherScriptReading(bytes, detected, false)) {
        return text;
    }
    if (latin.clean.text) {
        return std::move(latin.clean.text);
    }
    if (detected.empty()) {
        return std::nullopt;
    }
    for (const std::string& charset : candidatesFor(detected)) {
        if (std::optional<std::string> text = cleanIn(bytes, charset)) {
            return text;
        }
    }
    return std::nullopt;
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
    return checked(readUnmarked(bytes, detectCharset(bytes)));
}

std::optional<std::string> TextListImportDecoder::decodeUnmarked(std::string_view bytes,
                                                                 const std::string& detected) {
    return checked(readUnmarked(bytes, detected));
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
