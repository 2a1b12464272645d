#include "storage/TextListImportDecoder.h"

#include <uchardet.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
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
    iconv_t get() const { return cd_; }

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

// What a character of a reading is to the words around it.
enum class Kind : std::uint8_t {
    Letter,  // a letter of a script, or a mark written on one
    Joiner,  // a format character, such as the soft hyphen, which stands inside words
    Sign,    // punctuation, a symbol, a number or a space
    Control, // a control character, or a byte the code page does not define
};

struct Character {
    char32_t point = 0;
    Kind kind = Kind::Sign;
    UScriptCode script = USCRIPT_COMMON; // of a letter; common for the marks
    bool capital = false;
    bool small = false;
    // Of a sign: one that text is seldom written with, which a wrong page reads for a letter (a
    // spacing accent, a box-drawing sign, a mathematical operator).
    bool odd = false;
    // Of a sign: one that opens or closes a word but never stands inside one (quotes other than
    // the apostrophe's, Spanish ¿ and ¡).
    bool beside = false;
};

// A character as ICU classifies it. A letter is one of a script: the modifier letters and the
// micro sign, which ICU counts as letters of no script, are signs here.
Character classify(char32_t c) {
    Character out{.point = c};
    const auto type = static_cast<UCharCategory>(u_charType(static_cast<UChar32>(c)));
    UErrorCode error = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(static_cast<UChar32>(c), &error);
    if (c == 0xFFFD || type == U_UNASSIGNED || type == U_CONTROL_CHAR) {
        out.kind = Kind::Control;
    } else if (type == U_NON_SPACING_MARK || type == U_COMBINING_SPACING_MARK) {
        out.kind = Kind::Letter;
    } else if (u_isalpha(static_cast<UChar32>(c)) && U_SUCCESS(error) &&
               script > USCRIPT_INHERITED && script != USCRIPT_UNKNOWN) {
        out.kind = Kind::Letter;
        out.script = script;
        out.capital = u_isupper(static_cast<UChar32>(c)) || type == U_TITLECASE_LETTER;
        out.small = u_islower(static_cast<UChar32>(c));
    } else if (type == U_FORMAT_CHAR) {
        out.kind = Kind::Joiner;
    } else {
        // The acute accent stands for an apostrophe, and the Greek tonos for the numeral sign.
        out.odd = ((type == U_MODIFIER_SYMBOL || type == U_MODIFIER_LETTER) && c != U'´' &&
                   c != 0x384 && c != 0x385) ||
                  (c >= 0x2200 && c <= 0x22FF) || (c >= 0x2500 && c <= 0x25FF) || c == 0x2044 ||
                  type == U_PRIVATE_USE_CHAR;
        out.beside = std::u32string_view(U"‚„“”‹›«»¿¡").find(c) != std::u32string_view::npos;
    }
    return out;
}

// What one byte is in a code page: its character, U+FFFD where the page does not define it, or
// nothing where the byte begins a sequence of several (a page of several bytes a character).
std::optional<char32_t> pointOf(Converter& converter, unsigned char byte) {
    iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
    char in = static_cast<char>(byte);
    char* src = &in;
    size_t inLeft = 1;
    char out[8];
    char* dst = out;
    size_t outLeft = sizeof out;
    if (iconv(converter.get(), &src, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) {
        return errno == EINVAL ? std::nullopt : std::optional<char32_t>(0xFFFD);
    }
    // A page that may join a letter with a mark after it (Windows-1255, -1258) holds the letter
    // back until told that nothing follows.
    iconv(converter.get(), nullptr, nullptr, &dst, &outLeft);
    const std::u32string points = codePoints(std::string_view(out, dst - out));
    return points.size() == 1 ? points[0] : 0xFFFD;
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
constexpr Language kBalticLanguages[] = {kLatvian, kLithuanian, kEstonian, kGerman};
constexpr Language kTurkishLanguages[] = {kTurkish, kGerman, kFrench};

// How often the letters of Russian stand in running text, in per cent. The letters of the other
// languages of the Cyrillic pages count as they do in Russian, or as one in a hundred; Greek
// letters count alike. What tells those pages apart is mostly whether a word's letters belong to
// one alphabet ("Уѕьэсѓпяѕ", Greek read as ISO-8859-5, mixes Russian and Macedonian letters).
constexpr LetterShare kRussianShares[] = {
    {U'о', 11},  {U'е', 8.5}, {U'а', 8},   {U'и', 7.4}, {U'н', 6.7}, {U'т', 6.3}, {U'с', 5.5},
    {U'р', 4.7}, {U'в', 4.5}, {U'л', 4.4}, {U'к', 3.5}, {U'м', 3.2}, {U'д', 3},   {U'п', 2.8},
    {U'у', 2.6}, {U'я', 2},   {U'ы', 1.9}, {U'ь', 1.7}, {U'г', 1.7}, {U'з', 1.6}, {U'б', 1.6},
    {U'ч', 1.4}, {U'й', 1.2}, {U'х', 1},   {U'ж', .9},  {U'ш', .7},  {U'ю', .6},  {U'ц', .5},
    {U'щ', .4},  {U'э', .3},  {U'ф', .3},  {U'ё', .2},  {U'ъ', .04}};

template <std::size_t N>
constexpr std::array<LetterShare, N - 1> alphabet(const char32_t (&letters)[N]) {
    std::array<LetterShare, N - 1> out{};
    for (std::size_t i = 0; i + 1 < N; ++i) {
        out[i] = {letters[i], letters[i] >= U'α' && letters[i] <= U'ώ' ? 4.0 : 1.0};
        for (const LetterShare& share : kRussianShares) {
            out[i].percent = share.letter == letters[i] ? share.percent : out[i].percent;
        }
    }
    return out;
}
constexpr auto kRussian = alphabet(U"абвгдеёжзийклмнопрстуфхцчшщъыьэюя");
constexpr auto kUkrainian = alphabet(U"абвгґдеєжзиіїйклмнопрстуфхцчшщьюя");
constexpr auto kBelarusian = alphabet(U"абвгдеёжзійклмнопрстуўфхцчшыьэюя");
constexpr auto kBulgarian = alphabet(U"абвгдежзийклмнопрстуфхцчшщъьюя");
constexpr auto kSerbian = alphabet(U"абвгдђежзијклљмнњопрстћуфхцчџш");
constexpr auto kMacedonian = alphabet(U"абвгдѓежзѕијклљмнњопрстќуфхцчџш");
constexpr auto kGreek = alphabet(U"αάβγδεέζηήθιίϊΐκλμνξοόπρσςτυύϋΰφχψωώ");
constexpr Language kCyrillicLanguages[] = {kRussian,   kUkrainian, kBelarusian,
                                           kBulgarian, kSerbian,   kMacedonian};
constexpr Language kGreekLanguages[] = {kGreek};
constexpr std::size_t kMostLanguages = std::size(kWesternLanguages);
static_assert(std::size(kCentralLanguages) <= kMostLanguages &&
              std::size(kTurkishLanguages) <= kMostLanguages &&
              std::size(kBalticLanguages) <= kMostLanguages &&
              std::size(kCyrillicLanguages) <= kMostLanguages);

// Letters that no word of their languages begins with ("Šiauliai" read as Windows-1252 is
// "Ðiauliai", which no Icelandic word can be).
constexpr std::u32string_view kNeverFirst = U"ðğßůěų";

// The families of code pages: the pages of one family carry the same letters in most places, and
// the detector tells them apart no better than by chance.
enum class Family : std::uint8_t { Western, Central, Turkish, Baltic, Cyrillic, Greek, Other };

// A code page a list may be written in.
struct Page {
    std::string charset;
    Family family;
    std::span<const Language> languages; // none: every letter of its script counts alike
    // What the page counts for by itself, per byte value above 0x7F up to six: most lists are
    // written in Windows-1252, so a short list its letters leave in doubt is read in it, and the
    // DOS and Mac pages are rarer than the Windows and ISO pages of their script.
    double prior;
    // Whether the detector's naming it counts: the detector names the DOS and Mac pages for many a
    // text of another page of their script (Mac Roman "Düsseldorf" as IBM852, Windows-1251
    // "Январь" as MAC-CYRILLIC).
    bool trusted;
};

// The pages weighed for every list: the Windows and ISO pages of each family, and what a Windows
// console writes (CP850, CP852, CP866) and older Mac editors wrote. KOI8-U is KOI8-R with the
// Ukrainian letters і ї є ґ where KOI8-R has box-drawing signs.
const Page kPages[] = {
    {"WINDOWS-1252", Family::Western, kWesternLanguages, 2.5, true},
    {"ISO-8859-15", Family::Western, kWesternLanguages, 1.0, true},
    {"IBM850", Family::Western, kWesternLanguages, -0.5, false},
    {"MACINTOSH", Family::Western, kWesternLanguages, -0.5, false},
    {"WINDOWS-1250", Family::Central, kCentralLanguages, 0, true},
    {"ISO-8859-2", Family::Central, kCentralLanguages, 0, true},
    {"IBM852", Family::Central, kCentralLanguages, -1, false},
    {"MAC-CENTRALEUROPE", Family::Central, kCentralLanguages, -1, false},
    {"WINDOWS-1254", Family::Turkish, kTurkishLanguages, 0, true},
    {"ISO-8859-9", Family::Turkish, kTurkishLanguages, 0, true},
    {"WINDOWS-1257", Family::Baltic, kBalticLanguages, 0, true},
    {"ISO-8859-13", Family::Baltic, kBalticLanguages, 0, true},
    {"WINDOWS-1251", Family::Cyrillic, kCyrillicLanguages, 0.5, true},
    {"KOI8-R", Family::Cyrillic, kCyrillicLanguages, 0, true},
    {"KOI8-U", Family::Cyrillic, kCyrillicLanguages, 0, true},
    {"IBM866", Family::Cyrillic, kCyrillicLanguages, 0, false},
    {"MAC-CYRILLIC", Family::Cyrillic, kCyrillicLanguages, 0, false},
    {"ISO-8859-5", Family::Cyrillic, kCyrillicLanguages, 0, true},
    {"WINDOWS-1253", Family::Greek, kGreekLanguages, 0, true},
    {"ISO-8859-7", Family::Greek, kGreekLanguages, 0, true},
};

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

// What a byte above 0x7F is in a page, and how much it tells of each of the page's languages.
struct Byte {
    Character character;
    // The logarithm of the share of the letter in each language, or of one in a hundred thousand
    // (a foreign name) where the language does not use it.
    std::array<float, kMostLanguages> fit{};
    // The languages that use the letter, one bit each.
    std::uint32_t usedBy = 0;
    bool neverFirst = false;
};

// A single-byte page read through a table of its bytes above 0x7F.
struct PageTable {
    const Page* page;
    std::array<Byte, 128> bytes;
};

constexpr float kForeign = -11.5129F; // log(0.00001)
constexpr float kSign = -5.809F;      // log(0.003)

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

// The table of a page, or nothing when iconv does not know it or it is no single-byte page.
std::optional<PageTable> tableOf(const Page& page) {
    Converter converter(page.charset);
    if (!converter.valid()) {
        return std::nullopt;
    }
    PageTable table{&page, {}};
    for (unsigned b = 0x80; b <= 0xFF; ++b) {
        const std::optional<char32_t> point = pointOf(converter, static_cast<unsigned char>(b));
        if (!point) {
            return std::nullopt;
        }
        Byte& byte = table.bytes[b - 0x80];
        byte.character = classify(*point);
        if (byte.character.kind != Kind::Letter) {
            continue;
        }
        // Turkish dotted capital I keeps its dot: lower-cased it would be a plain i.
        const auto lowered = static_cast<char32_t>(u_tolower(static_cast<UChar32>(*point)));
        const char32_t lower = lowered < 0x80 ? *point : lowered;
        byte.neverFirst = kNeverFirst.find(lower) != kNeverFirst.npos;
        byte.fit.fill(kForeign);
        if (byte.character.script == USCRIPT_COMMON) {
            // A mark: it counts as a sign does, in every language, and is no letter's.
            byte.fit.fill(kSign);
            byte.usedBy = ~0U;
            continue;
        }
        if (page.languages.empty()) {
            byte.fit[0] = std::log(0.03F);
            byte.usedBy = 1;
        }
        for (std::size_t l = 0; l < page.languages.size(); ++l) {
            const Language language = page.languages[l];
            const auto share =
                std::find_if(language.begin(), language.end(),
                             [&](const LetterShare& s) { return s.letter == lower; });
            if (share != language.end()) {
                // Rare letters are common in names: each counts as at least one in five hundred.
                byte.fit[l] = static_cast<float>(std::log(std::max(share->percent, 0.2) / 100));
                byte.usedBy |= 1U << l;
            }
        }
    }
    return table;
}

// The tables of kPages, made once.
const std::vector<PageTable>& fixedTables() {
    static const std::vector<PageTable> tables = [] {
        std::vector<PageTable> out;
        for (const Page& page : kPages) {
            if (std::optional<PageTable> table = tableOf(page)) {
                out.push_back(*table);
            }
        }
        return out;
    }();
    return tables;
}

// What the readings of one page say of each byte value above 0x7F, over all its places in the
// text. Each value is one decision of a single-byte page (is 0xEB "ë" or "ė"?), so what its
// places say is averaged, not added up: a list of a hundred names with ë tells no more of the page
// than one with ten.
struct ByteTally {
    std::uint32_t places = 0;
    // The logarithm of the share of its letter in the language of the word it stands in, as the
    // word fits its page's languages best; or of a sign: a letter of middling use, or a foreign
    // one when text is seldom written with it.
    double fit = 0;
    // Places in a word of two scripts or in mixed cases; and places read as no letter of a word
    // where another page reads a letter of a word of its languages, or as a sign that never
    // stands between two letters (a quote inside a word).
    double badWords = 0;
    double against = 0;
};

// What the reading of the text in one page amounts to.
struct Tally {
    bool control = false;
    std::array<ByteTally, 128> bytes;
    // Words whose letters no one language of the page uses.
    std::size_t unexplained = 0;
};

// A run of bytes that are letters in some page: ASCII letters and every byte above 0x7F. Longer
// runs are weighed in parts of this size; no word is as long.
constexpr std::size_t kLongestRun = 64;
// How many places of a byte value are enough to weigh it.
constexpr std::size_t kEnoughPlaces = 256;
// The most pages weighed at once.
constexpr std::size_t kMostPages = 32;

bool isAsciiLetter(unsigned char b) {
    return (b | 0x20) >= 'a' && (b | 0x20) <= 'z';
}

// Weighs one run of bytes in each page whose tally has no control character yet: its words, and
// which of its bytes above 0x7F stand in a word (a word of two letters or more, of one script,
// written in one case, or capitalised, or in capitals, whose letters one language of its page
// uses). A sign counts against a page only where another page reads a letter of such a word.
void weighRun(std::string_view run, std::span<const PageTable* const> tables,
              std::vector<Tally>& tallies) {
    const std::size_t count = std::min(tables.size(), kMostPages);
    // inWord[page * kLongestRun + i]: the byte at i is a letter of a word in that page's reading.
    std::array<bool, kMostPages * kLongestRun> inWord{};
    std::array<Character, kLongestRun> reading;
    for (std::size_t p = 0; p < count; ++p) {
        Tally& tally = tallies[p];
        if (tally.control) {
            continue;
        }
        const PageTable& table = *tables[p];
        for (std::size_t i = 0; i < run.size(); ++i) {
            const auto b = static_cast<unsigned char>(run[i]);
            if (b < 0x80) {
                reading[i] = Character{.point = b,
                                       .kind = Kind::Letter,
                                       .script = USCRIPT_LATIN,
                                       .capital = b < 'a',
                                       .small = b >= 'a'};
                continue;
            }
            reading[i] = table.bytes[b - 0x80].character;
            ByteTally& byte = tally.bytes[b - 0x80];
            ++byte.places;
            if (reading[i].kind == Kind::Control) {
                tally.control = true;
            }
        }
        if (tally.control) {
            continue;
        }
        for (std::size_t i = 0; i < run.size();) {
            if (reading[i].kind != Kind::Letter) {
                // A sign counts as a letter of middling use, or as a foreign one where it touches a
                // letter and text is seldom written with it.
                const bool before = i > 0 && reading[i - 1].kind == Kind::Letter;
                const bool after = i + 1 < run.size() && reading[i + 1].kind == Kind::Letter;
                const auto b = static_cast<unsigned char>(run[i]);
                if (b >= 0x80) {
                    ByteTally& byte = tally.bytes[b - 0x80];
                    byte.fit += reading[i].odd && (before || after) ? kForeign : kSign;
                    byte.against += reading[i].beside && before && after ? 1 : 0;
                }
                ++i;
                continue;
            }
            // The word: letters, and joiners between two of them.
            std::size_t end = i;
            while (end < run.size() &&
                   (reading[end].kind == Kind::Letter ||
                    (reading[end].kind == Kind::Joiner && end + 1 < run.size() &&
                     reading[end + 1].kind == Kind::Letter))) {
                ++end;
            }
            UScriptCode script = USCRIPT_COMMON;
            bool oneScript = true;
            bool outsideAscii = false;
            bool small = false;
            bool laterCapital = false;
            std::size_t letters = 0;
            std::uint32_t usedBy = ~0U;
            std::array<double, kMostLanguages> fit{};
            for (std::size_t k = i; k < end; ++k) {
                const Character& c = reading[k];
                if (c.kind != Kind::Letter) {
                    continue;
                }
                ++letters;
                if (c.script != USCRIPT_COMMON) {
                    oneScript = oneScript && (script == USCRIPT_COMMON || c.script == script);
                    script = c.script;
                }
                small = small || c.small;
                laterCapital = laterCapital || (c.capital && k > i);
                const auto b = static_cast<unsigned char>(run[k]);
                if (b >= 0x80) {
                    outsideAscii = true;
                    const Byte& byte = table.bytes[b - 0x80];
                    const bool misplaced = byte.neverFirst && k == i;
                    usedBy &= misplaced ? 0 : byte.usedBy;
                    for (std::size_t l = 0; l < kMostLanguages; ++l) {
                        fit[l] += misplaced ? kForeign : byte.fit[l];
                    }
                }
            }
            const bool wellFormed = oneScript && !(small && laterCapital);
            const bool explained = usedBy != 0;
            const std::size_t language =
                static_cast<std::size_t>(std::max_element(fit.begin(), fit.end()) - fit.begin());
            for (std::size_t k = i; k < end; ++k) {
                const auto b = static_cast<unsigned char>(run[k]);
                if (b < 0x80) {
                    continue;
                }
                ByteTally& byte = tally.bytes[b - 0x80];
                if (reading[k].kind == Kind::Letter) {
                    const Byte& its = table.bytes[b - 0x80];
                    byte.fit += its.neverFirst && k == i ? kForeign : its.fit[language];
                } else {
                    byte.fit += kSign; // a joiner inside the word
                }
                byte.badWords += wellFormed ? 0 : 1;
                inWord[p * kLongestRun + k] =
                    wellFormed && explained && letters >= 2 && reading[k].kind == Kind::Letter;
            }
            tally.unexplained += outsideAscii && !explained ? 1 : 0;
            i = end;
        }
    }
    for (std::size_t i = 0; i < run.size(); ++i) {
        const auto b = static_cast<unsigned char>(run[i]);
        if (b < 0x80) {
            continue;
        }
        bool anyWord = false;
        for (std::size_t p = 0; p < count; ++p) {
            anyWord = anyWord || (!tallies[p].control && inWord[p * kLongestRun + i]);
        }
        for (std::size_t p = 0; p < count && anyWord; ++p) {
            tallies[p].bytes[b - 0x80].against += inWord[p * kLongestRun + i] ? 0 : 1;
        }
    }
}

// What a word that is no word of its page (of two scripts, or in mixed cases) counts against the
// page, as a letter its languages do not use; what a sign where another page reads a letter of a
// word of its languages counts, twice that: the commonest sign of a wrong page.
constexpr double kBadWord = 11.5;
constexpr double kAgainst = 23;
// What reading the words of a list in several languages costs against reading them all in one.
constexpr double kMixing = 6.0;

// What a page's reading of the text amounts to, each byte value above 0x7F counted once.
struct Weighing {
    // Each word in the language of its page it fits best, and all of them in one language.
    double wordFit = 0;
    double oneLanguage = 0;
    double badWords = 0;
    double against = 0;
    std::size_t values = 0;
    // Every word reads as words of its page's languages.
    bool asWords = false;
};

Weighing weighingOf(const Tally& tally, const PageTable& table) {
    Weighing weighing;
    std::array<double, kMostLanguages> languages{};
    for (std::size_t b = 0; b < tally.bytes.size(); ++b) {
        const ByteTally& byte = tally.bytes[b];
        if (byte.places == 0) {
            continue;
        }
        const double places = byte.places;
        ++weighing.values;
        weighing.wordFit += byte.fit / places;
        weighing.badWords += byte.badWords / places;
        weighing.against += byte.against / places;
        const Byte& its = table.bytes[b];
        for (std::size_t l = 0; l < kMostLanguages; ++l) {
            languages[l] += its.character.kind == Kind::Letter ? its.fit[l] : byte.fit / places;
        }
    }
    weighing.oneLanguage = *std::max_element(languages.begin(), languages.end());
    weighing.asWords = tally.unexplained == 0 && weighing.badWords == 0 && weighing.against == 0;
    return weighing;
}

// The reading of the page of several bytes a character that the detector names, when it has no
// control character and is text of its script.
std::optional<std::string> multiByteReading(std::string_view bytes, const std::string& charset) {
    std::optional<std::string> text = TextListImportDecoder::convert(bytes, charset);
    if (!text) {
        return std::nullopt;
    }
    const std::u32string points = codePoints(*text);
    const bool control = std::any_of(points.begin(), points.end(), [](char32_t c) {
        return c >= 0x80 && classify(c).kind == Kind::Control;
    });
    if (control || !readsAsItsScript(points)) {
        return std::nullopt;
    }
    return text;
}

// What the detector's answer counts for a page, per byte value above 0x7F up to six. Naming a
// Windows or ISO page counts for every Windows and ISO page of its family (the detector tells
// Central European, Turkish, Cyrillic and Greek text well; it names a Baltic page for many a
// Western word), and once more for the page itself. The detector names the Cyrillic DOS and Mac
// pages for much text of their Windows page ("Январь" in Windows-1251 as MAC-CYRILLIC): that
// naming counts for the family alone. Naming a Latin DOS or Mac page counts twice for it, but not
// for a Central European one while a Western DOS or Mac page reads the list as words: the detector
// names IBM852 for many a Mac Roman list ("Grüße / Straße / Müller").
struct Trust {
    std::string detected;
    std::optional<Family> family;
    bool westernOlderAsWords = false;

    double in(const Page& page) const {
        double trust = 0;
        if (page.trusted && family == page.family) {
            trust += page.family == Family::Western || page.family == Family::Baltic ? 1 : 2;
        }
        if (equalsIgnoringCase(page.charset, detected)) {
            const bool heard = page.trusted || (page.family == Family::Western) ||
                               (page.family == Family::Central && !westernOlderAsWords);
            trust += !heard ? 0 : page.trusted ? 1 : 2;
        }
        return trust;
    }
};

// The tables of the pages to weigh: kPages, and the page the detector names when it is a
// single-byte page of another script (Hebrew, Arabic, Thai…) or ISO-8859-4, a Baltic page lists
// are rarely written in; another Latin page the detector names is left out, as lists are seldom
// written in it.
struct Candidates {
    std::vector<const PageTable*> tables;
    std::unique_ptr<Page> named;
    std::optional<PageTable> namedTable;
    // The detector names a page of several bytes a character.
    bool multiByte = false;
};

Candidates candidatesFor(const std::string& detected) {
    Candidates candidates;
    for (const PageTable& table : fixedTables()) {
        candidates.tables.push_back(&table);
    }
    const bool weighed = std::any_of(std::begin(kPages), std::end(kPages), [&](const Page& page) {
        return equalsIgnoringCase(page.charset, detected);
    });
    if (detected.empty() || weighed ||
        isOneOf(detected, {"ASCII", "ISO-8859-1", "ISO-8859-3", "ISO-8859-10", "ISO-8859-14",
                           "ISO-8859-16", "IBM437", "IBM865"})) {
        return candidates;
    }
    // The detector names Windows-1258, whose letters take marks after them, for many a Central
    // European word ("Żaneta"): its naming does not count.
    const bool baltic = equalsIgnoringCase(detected, "ISO-8859-4");
    const bool vietnamese = equalsIgnoringCase(detected, "WINDOWS-1258");
    candidates.named = std::make_unique<Page>(
        Page{detected, baltic ? Family::Baltic : Family::Other,
             baltic ? std::span<const Language>(kBalticLanguages) : std::span<const Language>(),
             vietnamese ? -1.0 : 0.0, !vietnamese});
    candidates.namedTable = tableOf(*candidates.named);
    if (candidates.namedTable) {
        candidates.tables.push_back(&*candidates.namedTable);
    } else {
        candidates.multiByte = true;
    }
    return candidates;
}

// Bytes that are neither UTF-8 nor marked, with `detected` the detector's answer (empty for none).
// The page the detector names, when it is one of several bytes a character, is taken when it reads
// as text of its script. Otherwise each single-byte page to weigh reads the bytes, and the reading
// that counts most is taken: how well its words fit the languages of its page, all in one language
// or each in its own (less kMixing), less what counts against it (kBadWord, kAgainst), with the
// prior of its page and the detector's trust. Each byte value counts once, as the average of its
// places. Nothing when every page reads a control character or a byte it does not define.
std::optional<std::string> readUnmarked(std::string_view bytes, const std::string& detected) {
    const Candidates candidates = candidatesFor(detected);
    if (candidates.multiByte) {
        if (std::optional<std::string> text = multiByteReading(bytes, detected)) {
            return text;
        }
    }
    const std::vector<const PageTable*>& tables = candidates.tables;
    std::vector<Tally> tallies(tables.size());
    std::array<std::size_t, 128> places{};
    for (std::size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80 &&
            !isAsciiLetter(static_cast<unsigned char>(bytes[i]))) {
            ++i;
            continue;
        }
        // A run is weighed while one of its byte values above 0x7F has had fewer places weighed
        // than kEnoughPlaces: an average over that many tells what all the others would.
        std::size_t end = i;
        bool needed = false;
        while (end < bytes.size() && end - i < kLongestRun &&
               (static_cast<unsigned char>(bytes[end]) >= 0x80 ||
                isAsciiLetter(static_cast<unsigned char>(bytes[end])))) {
            const auto b = static_cast<unsigned char>(bytes[end]);
            needed = needed || (b >= 0x80 && places[b - 0x80] < kEnoughPlaces);
            ++end;
        }
        if (needed) {
            for (std::size_t k = i; k < end; ++k) {
                const auto b = static_cast<unsigned char>(bytes[k]);
                places[b & 0x7F] += b >= 0x80 ? 1 : 0;
            }
            weighRun(bytes.substr(i, end - i), tables, tallies);
        }
        i = end;
    }
    Trust trust{detected};
    std::vector<Weighing> weighings(tables.size());
    for (std::size_t p = 0; p < tables.size(); ++p) {
        const Page& page = *tables[p]->page;
        if (!tallies[p].control) {
            weighings[p] = weighingOf(tallies[p], *tables[p]);
            trust.westernOlderAsWords =
                trust.westernOlderAsWords ||
                (page.family == Family::Western && !page.trusted && weighings[p].asWords);
        }
        if ((page.trusted || page.family == Family::Cyrillic) &&
            equalsIgnoringCase(page.charset, detected)) {
            trust.family = page.family;
        }
    }
    if (equalsIgnoringCase(detected, "ISO-8859-1")) {
        trust.family = Family::Western; // Windows-1252 reads all it carries
    }
    const PageTable* best = nullptr;
    double bestScore = -std::numeric_limits<double>::infinity();
    for (std::size_t p = 0; p < tables.size(); ++p) {
        if (tallies[p].control) {
            continue;
        }
        const Page& page = *tables[p]->page;
        const Weighing& w = weighings[p];
        const double score =
            std::max(w.oneLanguage, w.wordFit - kMixing) - kBadWord * w.badWords -
            kAgainst * w.against +
            (page.prior + trust.in(page)) * std::min(static_cast<double>(w.values), 6.0);
        // On a tie, the page weighed first.
        if (score > bestScore) {
            best = tables[p];
            bestScore = score;
        }
    }
    if (!best) {
        return std::nullopt;
    }
    // Converted whole, as a page that joins a letter with the mark after it (Windows-1255,
    // Windows-1258) writes them as one character.
    return TextListImportDecoder::convert(bytes, best->page->charset);
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
