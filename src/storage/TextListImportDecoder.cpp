#include "storage/TextListImportDecoder.h"

#include <uchardet.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <bit>
#include <bitset>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <iconv.h>
#include <initializer_list>
#include <limits>
#include <memory>
#include <span>
#include <strings.h>
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
        char *in = const_cast<char*>(bytes.data()), *dst = buffer;
        size_t inLeft = bytes.size(), dstLeft = sizeof buffer;
        while (inLeft > 0) {
            dst = buffer;
            dstLeft = sizeof buffer;
            const size_t rc = iconv(cd_, &in, &inLeft, &dst, &dstLeft);
            out.append(buffer, dst);
            if (rc != static_cast<size_t>(-1) || errno == E2BIG) {
                continue;
            }
            if (!lenient) {
                return std::nullopt;
            }
            out.append(kReplacement);
            if (errno == EINVAL) {
                break; // an incomplete sequence at the end
            }
            ++in, --inLeft;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        // Flush any shift state.
        dst = buffer;
        dstLeft = sizeof buffer;
        if (iconv(cd_, nullptr, nullptr, &dst, &dstLeft) == static_cast<size_t>(-1) && !lenient) {
            return std::nullopt;
        }
        out.append(buffer, dst);
        return out;
    }

private:
    iconv_t cd_;
};

// True when control characters other than the line and tab characters make up more than one in
// twenty characters: a binary file that happened to convert.
bool looksBinary(std::string_view utf8) {
    size_t controls = 0, characters = 0;
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
    return text && looksBinary(*text) ? std::nullopt : std::move(text);
}

std::string detectCharset(std::string_view bytes) {
    std::unique_ptr<uchardet, decltype(&uchardet_delete)> detector(uchardet_new(),
                                                                   &uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), bytes.data(), bytes.size()) != 0) {
        return {};
    }
    uchardet_data_end(detector.get());
    const char* name = uchardet_get_charset(detector.get());
    return name ? std::string(name) : std::string();
}

// The well-formed UTF-8 sequence at `i` (no overlong forms, surrogates or values above
// U+10FFFF): its length and code point; a length of 0 when the bytes there are none.
std::pair<size_t, char32_t> sequenceAt(std::string_view bytes, size_t i) {
    int32_t length = 0;
    UChar32 point = 0;
    U8_NEXT(reinterpret_cast<const uint8_t*>(bytes.data() + i), length,
            static_cast<int32_t>(std::min<size_t>(bytes.size() - i, 4)), point);
    return {point < 0 ? 0 : static_cast<size_t>(length), static_cast<char32_t>(point)};
}

// The code points of UTF-8, U+FFFD for each byte that begins no well-formed sequence.
std::u32string codePoints(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const auto [length, point] = sequenceAt(utf8, i);
        out.push_back(length == 0 ? 0xFFFD : point);
        i += std::max<size_t>(length, 1);
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

// Of a sign: the typography people write in and around words, which counts against no page reading
// it where it stands (weighRun()): what may stand inside a word (the apostrophe, the middle dot),
// quotes (low ones open a quotation), the openings ¡ ¿, dashes, …, •, ™ ® ©, ° and currency signs.
enum class Typography : std::uint8_t { none, insideWords, quote, lowQuote, opening, sign };

struct Character {
    char32_t point = 0;
    Kind kind = Kind::Sign;
    UScriptCode script = USCRIPT_COMMON; // of a letter; common for the marks
    bool capital = false;
    bool small = false;
    // Of a sign: one that text is seldom written with, which a wrong page reads for a letter (a
    // spacing accent, a box-drawing sign, a mathematical operator).
    bool odd = false;
    Typography typography = Typography::none;
};

// A character as ICU classifies it. A letter is one of a script: the modifier letters and the
// micro sign, which ICU counts as letters of no script, are signs here.
Character classify(char32_t c) {
    Character out{.point = c};
    const auto point = static_cast<UChar32>(c);
    const auto type = static_cast<UCharCategory>(u_charType(point));
    UErrorCode error = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(point, &error);
    if (c == 0xFFFD || type == U_UNASSIGNED || type == U_CONTROL_CHAR) {
        out.kind = Kind::Control;
    } else if (type == U_NON_SPACING_MARK || type == U_COMBINING_SPACING_MARK) {
        out.kind = Kind::Letter;
    } else if (u_isalpha(point) && U_SUCCESS(error) && script > USCRIPT_INHERITED &&
               script != USCRIPT_UNKNOWN) {
        out.kind = Kind::Letter;
        out.script = script;
        out.capital = u_isupper(point) || type == U_TITLECASE_LETTER;
        out.small = u_islower(point);
    } else if (type == U_FORMAT_CHAR) {
        out.kind = Kind::Joiner;
    } else {
        // The acute accent stands for an apostrophe, and the Greek tonos for the numeral sign;
        // text is written with × ÷ ±, not with the other mathematical signs.
        out.odd = ((type == U_MODIFIER_SYMBOL || type == U_MODIFIER_LETTER) && c != U'´' &&
                   c != 0x384 && c != 0x385) ||
                  (type == U_MATH_SYMBOL && c != U'×' && c != U'÷' && c != U'±') ||
                  (c >= 0x2500 && c <= 0x25FF) || type == U_PRIVATE_USE_CHAR;
        const auto wordBreak = u_getIntPropertyValue(point, UCHAR_WORD_BREAK);
        if ((wordBreak == U_WB_MIDLETTER || wordBreak == U_WB_MIDNUMLET ||
             wordBreak == U_WB_SINGLE_QUOTE) &&
            c != U'‘') {
            out.typography = Typography::insideWords;
        } else if (u_hasBinaryProperty(point, UCHAR_QUOTATION_MARK)) {
            out.typography = c == U'„' || c == U'‚' ? Typography::lowQuote : Typography::quote;
        } else if (c == U'¡' || c == U'¿') {
            out.typography = Typography::opening;
        } else if (u_hasBinaryProperty(point, UCHAR_DASH) || type == U_CURRENCY_SYMBOL ||
                   std::u32string_view(U"…•™®©°").find(c) != std::u32string_view::npos) {
            out.typography = Typography::sign;
        }
    }
    return out;
}

// What one byte is in a code page: its character, U+FFFD where the page does not define it, or
// nothing where the byte begins a sequence of several (a page of several bytes a character).
std::optional<char32_t> pointOf(Converter& converter, unsigned char byte) {
    iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
    char in = static_cast<char>(byte), out[8];
    char *src = &in, *dst = out;
    size_t inLeft = 1, outLeft = sizeof out;
    if (iconv(converter.get(), &src, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) {
        return errno == EINVAL ? std::nullopt : std::optional<char32_t>(0xFFFD);
    }
    // A page that may join a letter with a mark after it (Windows-1255, -1258) holds the letter
    // back until told that nothing follows.
    iconv(converter.get(), nullptr, nullptr, &dst, &outLeft);
    const std::u32string points = codePoints(std::string_view(out, dst - out));
    return points.size() == 1 ? points[0] : 0xFFFD;
}

// How often a letter outside ASCII stands in running text of a language, in per cent, rounded:
// what matters is which letters a language uses, and roughly how much. A language's shares are
// written as each letter followed by its share in hundredths of a per cent ("ä58" for 0.58 %); a
// letter written alone counts as it does in `known`, or as one in a hundred.
struct LetterShare {
    char32_t letter = 0;
    double percent = 0;
};
using Language = std::span<const LetterShare>;

template <std::size_t N> struct Shares {
    std::array<LetterShare, N> letters{};
    std::size_t count = 0;
    constexpr operator Language() const { return {letters.data(), count}; }
};
template <std::size_t N>
constexpr Shares<N> shares(const char32_t (&text)[N], Language known = {}) {
    Shares<N> out;
    int hundredths = -1; // of the last letter, while its digits are read
    for (std::size_t i = 0; i + 1 < N; ++i) {
        if (text[i] >= U'0' && text[i] <= U'9') {
            hundredths = std::max(hundredths, 0) * 10 + static_cast<int>(text[i] - U'0');
            out.letters[out.count - 1].percent = hundredths / 100.0;
        } else if (text[i] != U' ') {
            out.letters[out.count++] = {text[i], 1.0};
            for (const LetterShare& share : known) {
                out.letters[out.count - 1].percent =
                    share.letter == text[i] ? share.percent : out.letters[out.count - 1].percent;
            }
            hundredths = -1;
        }
    }
    return out;
}
constexpr auto kSpanish = shares(U"á50 é43 í73 ó83 ú17 ñ31 ü2");
constexpr auto kPortuguese = shares(U"á12 â56 ã73 à7 ç53 é34 ê45 í13 ó30 ô64 õ4 ú21 ü1");
constexpr auto kFrench = shares(U"à49 â5 æ1 ç9 è27 é150 ê22 ë1 î5 ï1 ô2 œ2 ù6 û6 ü1 ÿ1");
constexpr auto kGerman = shares(U"ä58 ö44 ü100 ß31 é1");
constexpr auto kItalian = shares(U"à64 è26 é3 ì3 í1 ò10 ó1 ù17 ú1");
constexpr auto kCatalan = shares(U"à80 ç20 è80 é60 í40 ï10 ò50 ó50 ú20 ü5");
constexpr auto kDutch = shares(U"é2 ë10 ï2 è1 ö1 ü1 á1");
constexpr auto kDanish = shares(U"å119 æ87 ø94 é2");
constexpr auto kSwedish = shares(U"å134 ä180 ö131 é2");
constexpr auto kIcelandic = shares(U"á180 ð439 é65 í157 ó99 ú61 ý23 þ146 æ87 ö78");
constexpr auto kFaroese = shares(U"á150 ð150 í100 ó80 ú90 ý20 ø100 æ20");
constexpr auto kAlbanian = shares(U"ë100 ç50");
constexpr auto kFinnish = shares(U"ä358 ö44 å1 š1 ž1");
constexpr auto kEstonian = shares(U"ä80 õ100 ö20 ü70 š2 ž1");
constexpr auto kPolish = shares(U"ą70 ć74 ę104 ł211 ń36 ó114 ś81 ź8 ż71");
constexpr auto kCzech = shares(U"á87 č46 ď2 é63 ě122 í164 ň1 ó2 ř38 š69 ť1 ú5 ů20 ý99 ž72");
constexpr auto kSlovak =
    shares(U"á210 ä10 č100 ď20 é70 í160 ĺ1 ľ30 ň5 ó20 ô20 ŕ1 š80 ť100 ú70 ý200 ž80");
constexpr auto kHungarian = shares(U"á370 é410 í60 ó100 ö100 ő90 ú30 ü60 ű10");
constexpr auto kCroatian = shares(U"č110 ć90 đ20 š100 ž70");
constexpr auto kRomanian = shares(U"ă290 â120 î100 ş140 ţ100 ș140 ț100");
constexpr auto kLatvian = shares(U"ā400 č5 ē170 ģ4 ī160 ķ15 ļ40 ņ40 š140 ū50 ž70");
constexpr auto kLithuanian = shares(U"ą60 č40 ę20 ė170 į60 š120 ų120 ū50 ž80");
constexpr auto kTurkish = shares(U"â5 ç116 ğ113 ı511 İ60 î1 ö78 ş178 û1 ü185");

// The languages written in each family of code pages.
constexpr Language kWesternLanguages[] = {kSpanish, kPortuguese, kFrench,  kGerman,  kItalian,
                                          kCatalan, kDutch,      kDanish,  kSwedish, kIcelandic,
                                          kFaroese, kAlbanian,   kFinnish, kEstonian};
constexpr Language kCentralLanguages[] = {kPolish,   kCzech,    kSlovak, kHungarian,
                                          kCroatian, kRomanian, kGerman};
constexpr Language kBalticLanguages[] = {kLatvian, kLithuanian, kEstonian, kGerman};
constexpr Language kTurkishLanguages[] = {kTurkish, kGerman, kFrench};

// The shares of the letters of Russian, Greek and Hebrew; the other Cyrillic letters count as one
// in a hundred. The Cyrillic pages are told apart mostly by whether a word's letters belong to one
// alphabet ("Уѕьэсѓпяѕ", Greek in ISO-8859-5, mixes Russian and Macedonian letters).
constexpr auto kAlphabetShares =
    shares(U"о1100 е850 а800 и740 н670 т630 с550 р470 в450 л440 к350 м320 д300 п280 у260 я200 "
           U"ы190 ь170 г170 з160 б160 ч140 й120 х100 ж90 ш70 ю60 ц50 щ40 э30 ф30 ё20 ъ4 "
           U"α1200 ο980 ε800 τ800 ι780 ν660 σ450 η480 ρ440 π420 κ400 υ400 μ340 λ280 ς260 ά180 "
           U"ω180 δ170 γ160 ί160 ό160 έ140 χ120 θ120 ή100 φ80 ύ80 β60 ώ60 ζ50 ξ40 ψ15 ϊ5 ϋ2 "
           U"י1100 ו1000 ה900 ל700 א600 ר550 מ500 ת500 ב450 ש450 נ400 ם300 ד250 ע250 כ250 "
           U"ח250 ק200 פ150 ן150 ס120 ג120 ט100 ז80 צ80 ך60 ף30 ץ20");

constexpr auto kRussian = shares(U"абвгдеёжзийклмнопрстуфхцчшщъыьэюя", kAlphabetShares);
constexpr auto kUkrainian = shares(U"абвгґдеєжзиіїйклмнопрстуфхцчшщьюя", kAlphabetShares);
constexpr auto kBelarusian = shares(U"абвгдеёжзійклмнопрстуўфхцчшыьэюя", kAlphabetShares);
constexpr auto kBulgarian = shares(U"абвгдежзийклмнопрстуфхцчшщъьюя", kAlphabetShares);
constexpr auto kSerbian = shares(U"абвгдђежзијклљмнњопрстћуфхцчџш", kAlphabetShares);
constexpr auto kMacedonian = shares(U"абвгдѓежзѕијклљмнњопрстќуфхцчџш", kAlphabetShares);
constexpr auto kGreek = shares(U"αάβγδεέζηήθιίϊΐκλμνξοόπρσςτυύϋΰφχψωώ", kAlphabetShares);
constexpr auto kHebrew = shares(U"אבגדהוזחטיךכלםמןנסעףפץצקרשת", kAlphabetShares);
constexpr Language kCyrillicLanguages[] = {kRussian,   kUkrainian, kBelarusian,
                                           kBulgarian, kSerbian,   kMacedonian};
constexpr Language kGreekLanguages[] = {kGreek};
constexpr Language kHebrewLanguages[] = {kHebrew};
constexpr std::size_t kMostLanguages = std::size(kWesternLanguages);
static_assert(std::size(kCentralLanguages) <= kMostLanguages &&
              std::size(kTurkishLanguages) <= kMostLanguages &&
              std::size(kBalticLanguages) <= kMostLanguages &&
              std::size(kCyrillicLanguages) <= kMostLanguages);

// Letters that no word of their languages begins with ("Šiauliai" read as Windows-1252 is
// "Ðiauliai", which no Icelandic word can be).
constexpr std::u32string_view kNeverFirst = U"ðğßůěų";

// The families of code pages, whose pages carry the same letters in most places: those of Latin
// script first.
enum class Family { Western, Central, Turkish, Baltic, Cyrillic, Greek, Hebrew, Other };
bool isLatin(Family family) {
    return family <= Family::Baltic;
}

// A code page a list may be written in.
struct Page {
    std::string charset;
    Family family;
    std::span<const Language> languages; // none: every letter of its script counts alike
    // What the page counts for by itself, per byte value above 0x7F up to six: a short list its
    // letters leave in doubt is read in Windows-1252, where most lists are written.
    double prior;
    // Whether the detector's naming it counts for its family: the detector names the DOS and Mac
    // pages for many a text of another page of their script.
    bool trusted;
};

// The pages weighed for every list: the Windows and ISO pages of each family, and what a Windows
// console writes (CP850, CP852, CP866) and older Mac editors wrote.
const Page kPages[] = {
    {"WINDOWS-1252", Family::Western, kWesternLanguages, 2.5, true},
    {"ISO-8859-15", Family::Western, kWesternLanguages, 1.0, true},
    {"IBM850", Family::Western, kWesternLanguages, -0.5, false},
    {"MACINTOSH", Family::Western, kWesternLanguages, -0.5, false},
    {"WINDOWS-1250", Family::Central, kCentralLanguages, 0, true},
    {"ISO-8859-2", Family::Central, kCentralLanguages, 0, true},
    {"IBM852", Family::Central, kCentralLanguages, -0.5, false},
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
    {"WINDOWS-1255", Family::Hebrew, kHebrewLanguages, 0, true},
};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool isOneOf(std::string_view charset, std::initializer_list<std::string_view> names) {
    return std::any_of(names.begin(), names.end(),
                       [&](std::string_view name) { return equalsIgnoringCase(charset, name); });
}

// What a byte above 0x7F is in a page: the logarithm of its letter's share in each language of the
// page (a foreign name's where the language does not use it), and those that use it, a bit each.
struct Byte {
    Character character;
    std::array<float, kMostLanguages> fit{};
    std::uint32_t usedBy = 0;
    bool neverFirst = false;
};

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
    size_t runs = 0, inWords = 0;
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
// text, to be averaged: each value is one decision of a single-byte page (is 0xEB "ë" or "ė"?).
struct ByteTally {
    std::uint32_t places = 0;
    // The logarithm of the share of its letter in the language its word fits best; of a sign, a
    // letter of middling use, or a foreign one when text is seldom written with it.
    double fit = 0;
    // Places in a word of two scripts or mixed cases; read as no letter where another page reads
    // a letter of a word, or as a quote between two letters; read as a letter its words need.
    double badWords = 0;
    double against = 0;
    std::uint32_t inWords = 0;
};

// What the reading of the text in one page amounts to: words whose letters no one language of
// the page uses, and the languages that use every letter outside ASCII of its words.
struct Tally {
    bool control = false;
    std::array<ByteTally, 128> bytes;
    std::size_t unexplained = 0;
    std::size_t oddSigns = 0;
    std::uint32_t usedByAll = ~0U;
};

// The longest run weighed at once (no word is as long), how many places of a byte value are
// enough to weigh it, and the most pages weighed at once.
constexpr std::size_t kLongestRun = 64;
constexpr std::size_t kEnoughPlaces = 256;
constexpr std::size_t kMostPages = 32;

// A byte of a run: an ASCII letter or a byte above 0x7F.
bool inRun(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x80 || ((b | 0x20) >= 'a' && (b | 0x20) <= 'z');
}

// Weighs one run of bytes in each page whose tally has no control character yet: its words (of
// one script, in one case, capitalised or in capitals, whose letters one language of its page
// uses), and against each page the places where another reads a letter of such a word.
void weighRun(std::string_view run, std::span<const PageTable* const> tables,
              std::vector<Tally>& tallies, std::span<const std::uint8_t> lineQuotes) {
    const std::size_t count = std::min(tables.size(), kMostPages);
    // inWord[page * kLongestRun + i]: the byte at i is a letter of a word in that page's reading
    // (kLetterOfWord), or typography where it stands (kTypography).
    constexpr std::uint8_t kLetterOfWord = 1;
    constexpr std::uint8_t kTypography = 2;
    std::array<std::uint8_t, kMostPages * kLongestRun> inWord{};
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
                reading[i] = {b, Kind::Letter, USCRIPT_LATIN, b < 'a', b >= 'a'};
                continue;
            }
            reading[i] = table.bytes[b - 0x80].character;
            ++tally.bytes[b - 0x80].places;
            tally.control = tally.control || reading[i].kind == Kind::Control;
        }
        if (tally.control) {
            continue;
        }
        for (std::size_t i = 0; i < run.size();) {
            if (reading[i].kind != Kind::Letter) {
                // A sign counts as a letter of middling use, or a foreign one if odd beside a
                // letter.
                const bool before = i > 0 && reading[i - 1].kind == Kind::Letter;
                const bool after = i + 1 < run.size() && reading[i + 1].kind == Kind::Letter;
                const auto b = static_cast<unsigned char>(run[i]);
                if (b >= 0x80) {
                    ByteTally& byte = tally.bytes[b - 0x80];
                    const Typography typography = reading[i].typography;
                    const bool quote =
                        typography == Typography::quote || typography == Typography::lowQuote;
                    byte.against += quote && before && after ? 1 : 0;
                    // Typography where it stands in text: inside a word only what may stand
                    // there, a quote only in a line that closes its quotation and a low one never
                    // right after a letter, and another sign never glued to a small letter after
                    // it ("©ibenik" is ISO-8859-2 "Šibenik" read as Windows-1250).
                    const bool inText =
                        typography == Typography::insideWords ||
                        (typography != Typography::none && !(before && after) &&
                         !(quote && lineQuotes[p] != 3) &&
                         !((typography == Typography::lowQuote ||
                            typography == Typography::opening) &&
                           before) &&
                         !(typography == Typography::sign && after && reading[i + 1].small));
                    inWord[p * kLongestRun + i] = inText ? kTypography : 0;
                    byte.fit += reading[i].odd && (before || after) ? kForeign : kSign;
                    tally.oddSigns += reading[i].odd && (before || after) ? 1 : 0;
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
            bool oneScript = true, outsideAscii = false, small = false, laterCapital = false;
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
                const Byte& its = table.bytes[b - 0x80];
                byte.fit += reading[k].kind != Kind::Letter ? kSign // a joiner
                            : its.neverFirst && k == i      ? kForeign
                                                            : its.fit[language];
                byte.badWords += wellFormed ? 0 : 1;
                const bool letterOfWord = wellFormed && explained && letters >= 2 &&
                                          reading[k].kind == Kind::Letter &&
                                          reading[k].script != USCRIPT_COMMON;
                inWord[p * kLongestRun + k] = letterOfWord ? kLetterOfWord : 0;
                byte.inWords += letterOfWord ? 1 : 0;
            }
            tally.unexplained += outsideAscii && !explained ? 1 : 0;
            tally.usedByAll &= outsideAscii ? usedBy : ~0U;
            i = end;
        }
    }
    for (std::size_t i = 0; i < run.size(); ++i) {
        const auto b = static_cast<unsigned char>(run[i]);
        bool anyWord = false;
        for (std::size_t p = 0; p < count && b >= 0x80; ++p) {
            anyWord =
                anyWord || (!tallies[p].control && inWord[p * kLongestRun + i] == kLetterOfWord);
        }
        for (std::size_t p = 0; p < count && anyWord; ++p) {
            tallies[p].bytes[b - 0x80].against += inWord[p * kLongestRun + i] != 0 ? 0 : 1;
        }
    }
}

// What a word of two scripts or mixed cases counts against a page, as a letter its languages do
// not use, and what no letter where another page reads one counts, twice that.
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
    // The page reads the text (without a control character, and a page of another script than
    // Latin with a letter of its own), the byte values it reads as letters its words need, and
    // whether every word reads as words of its page's languages, and of one language.
    bool reads = false;
    std::bitset<128> needed;
    bool asWords = false;
    bool inOneLanguage = false;
};

Weighing weighingOf(const Tally& tally, const PageTable& table) {
    Weighing weighing;
    std::array<double, kMostLanguages> languages{};
    std::size_t letters = 0;
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
        weighing.needed[b] = byte.inWords > 0;
        const Byte& its = table.bytes[b];
        letters += its.character.kind == Kind::Letter ? 1 : 0;
        for (std::size_t l = 0; l < kMostLanguages; ++l) {
            languages[l] += its.character.kind == Kind::Letter ? its.fit[l] : byte.fit / places;
        }
    }
    weighing.reads = !tally.control && (isLatin(table.page->family) || letters > 0);
    weighing.oneLanguage = *std::max_element(languages.begin(), languages.end());
    weighing.asWords = tally.unexplained == 0 && tally.oddSigns == 0 && weighing.badWords == 0 &&
                       weighing.against == 0;
    weighing.inOneLanguage = weighing.asWords && tally.usedByAll != 0;
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
// Windows, ISO or Cyrillic page counts for every Windows and ISO page of its family (less for the
// Western and Baltic ones: it names a Baltic page for many a Western word), and once more for the
// page; naming a DOS or Mac page, twice for it, but not for a Central European one while Mac Roman
// reads the list as words of one language (as "Grüße / Straße / Müller", named IBM852).
struct Trust {
    std::string detected;
    std::optional<Family> family;
    bool macRomanInOneLanguage = false;

    bool heard(const Page& page) const { // the detector names the page, and that counts
        return equalsIgnoringCase(page.charset, detected) &&
               (page.trusted || page.family == Family::Western || page.family == Family::Cyrillic ||
                (page.family == Family::Central && !macRomanInOneLanguage));
    }

    double in(const Page& page) const {
        const bool lessOfFamily = page.family == Family::Western || page.family == Family::Baltic;
        const double ofFamily = page.trusted && family == page.family ? 2 - lessOfFamily : 0;
        return ofFamily + (!heard(page) ? 0 : page.trusted ? 1 : 2);
    }
};

// How often files are written in a page today: the Windows pages, then the ISO-8859 and KOI8
// pages, then the DOS and Mac pages and the rarer ISO pages.
constexpr int kRarest = 2;
int rankOf(const Page& page) {
    const std::string_view name = page.charset;
    const bool iso = (name.starts_with("ISO-8859-") || name.starts_with("KOI8-")) &&
                     !isOneOf(name, {"ISO-8859-4", "ISO-8859-16"});
    return name.starts_with("WINDOWS-") ? 0 : iso ? 1 : kRarest;
}

// The tables of the pages to weigh: kPages, and the page the detector names when it is a
// single-byte page of another script (Hebrew, Arabic, Thai…) or ISO-8859-4, but no other.
struct Candidates {
    std::vector<const PageTable*> tables;
    std::unique_ptr<Page> named;
    std::optional<PageTable> namedTable;
    bool multiByte = false; // the detector names a page of several bytes a character
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
    const bool hebrew = equalsIgnoringCase(detected, "ISO-8859-8");
    const bool vietnamese = equalsIgnoringCase(detected, "WINDOWS-1258");
    candidates.named = std::make_unique<Page>(
        Page{detected, Family::Other, {}, vietnamese ? -1.0 : 0.0, !vietnamese});
    if (baltic || hebrew) {
        candidates.named->family = baltic ? Family::Baltic : Family::Hebrew;
        candidates.named->languages = baltic ? std::span<const Language>(kBalticLanguages)
                                             : std::span<const Language>(kHebrewLanguages);
    }
    candidates.namedTable = tableOf(*candidates.named);
    if (candidates.namedTable) {
        candidates.tables.push_back(&*candidates.namedTable);
    } else {
        candidates.multiByte = true;
    }
    return candidates;
}

// Bytes that are neither UTF-8 nor marked, `detected` the detector's answer (empty for none): the
// multi-byte page it names when that reads as text of its script; else, of the pages weighed, the
// reading whose words fit its page's languages best (less what counts against it), with the prior
// and the trust. Nothing when every page reads a control character or a byte it does not define.
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
    // The pages that read each byte as a quote (’ too) and as a letter, and whether each reads in
    // the line of the run weighed a quote opening a word (1) and one closing a word (2): a quote is
    // typography only where its line opens and closes a quotation ("„обар ден ”ото" does not).
    std::array<std::uint32_t, 256> quoteIn{};
    std::array<std::uint32_t, 256> letterIn{};
    for (std::size_t b = 0; b < 256; ++b) {
        for (std::size_t p = 0; p < std::min(tables.size(), kMostPages) && b >= 0x80; ++p) {
            const Character& c = tables[p]->bytes[b - 0x80].character;
            quoteIn[b] |= c.typography == Typography::quote ||
                                  c.typography == Typography::lowQuote || c.point == U'’'
                              ? 1U << p
                              : 0;
            letterIn[b] |= c.kind == Kind::Letter ? 1U << p : 0;
        }
        letterIn[b] |= b < 0x80 && inRun(static_cast<char>(b)) ? ~0U : 0;
    }
    std::array<std::uint8_t, kMostPages> lineQuotes{};
    std::size_t lineEnd = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        if (!inRun(bytes[i])) {
            ++i;
            continue;
        }
        // A run is weighed while one of its byte values above 0x7F has had fewer places weighed
        // than kEnoughPlaces: an average over that many tells what all the others would.
        std::size_t end = i;
        bool needed = false;
        while (end < bytes.size() && end - i < kLongestRun && inRun(bytes[end])) {
            const auto b = static_cast<unsigned char>(bytes[end]);
            needed = needed || (b >= 0x80 && places[b - 0x80] < kEnoughPlaces);
            ++end;
        }
        if (needed && i >= lineEnd) {
            const std::size_t start = bytes.find_last_of("\n\v\f\r", i);
            lineEnd = std::min(bytes.find_first_of("\n\v\f\r", i), bytes.size());
            lineQuotes.fill(0);
            for (std::size_t k = start == bytes.npos ? 0 : start + 1; k < lineEnd; ++k) {
                const auto at = [&](std::size_t j) { return static_cast<unsigned char>(bytes[j]); };
                const std::uint32_t before = k > 0 ? letterIn[at(k - 1)] : 0;
                const std::uint32_t after = k + 1 < bytes.size() ? letterIn[at(k + 1)] : 0;
                for (std::uint32_t in = quoteIn[at(k)]; in != 0; in &= in - 1) {
                    const auto p = static_cast<unsigned>(std::countr_zero(in));
                    lineQuotes[p] |=
                        (after >> p & ~before >> p & 1) | (before >> p & ~after >> p & 1) << 1;
                }
            }
        }
        if (needed) {
            for (std::size_t k = i; k < end; ++k) {
                const auto b = static_cast<unsigned char>(bytes[k]);
                places[b & 0x7F] += b >= 0x80 ? 1 : 0;
            }
            weighRun(bytes.substr(i, end - i), tables, tallies, lineQuotes);
        }
        i = end;
    }
    // ISO-8859-1 is named for text that Windows-1252 reads as it does.
    Trust trust{equalsIgnoringCase(detected, "ISO-8859-1") ? "WINDOWS-1252" : detected};
    std::vector<Weighing> weighings(tables.size());
    for (std::size_t p = 0; p < tables.size(); ++p) {
        const Page& page = *tables[p]->page;
        weighings[p] = weighingOf(tallies[p], *tables[p]);
        trust.macRomanInOneLanguage = trust.macRomanInOneLanguage ||
                                      (page.charset == "MACINTOSH" && weighings[p].inOneLanguage);
        if ((page.trusted || page.family == Family::Cyrillic) && trust.heard(page)) {
            trust.family = page.family;
        }
    }
    // The page the detector names, when that counts, and the pages that read each byte value of
    // the text as that page does where it reads one.
    const auto namedTable = std::find_if(tables.begin(), tables.end(),
                                         [&](const PageTable* t) { return trust.heard(*t->page); });
    std::vector<bool> asNamed(tables.size());
    for (std::size_t q = 0; q < tables.size() && namedTable != tables.end(); ++q) {
        asNamed[q] = weighings[q].reads;
        for (std::size_t b = 0; b < 128; ++b) {
            const Character& its = (*namedTable)->bytes[b].character;
            asNamed[q] =
                asNamed[q] && (tallies[q].bytes[b].places == 0 || its.kind == Kind::Control ||
                               tables[q]->bytes[b].character.point == its.point);
        }
    }
    // A page is weighed where the ranks of the pages and the detector leave it a chance, `lacking`
    // counting the byte values its words need a letter in where another page reads none. One of
    // the rarest rank is not while one of a higher rank reads the text as words, unless its words
    // need letters in two byte values or more ("Don’t" is "Donít" in Mac Central European). One of
    // another script than one that reads the text as the detector's page does is not unless two
    // are lacking; one of its rank, unless one is, or it reads all words in one language where
    // that one does not (which a Baltic page, named for many a Western word, must do itself).
    const auto weighed = [&](std::size_t p) {
        const Weighing& w = weighings[p];
        const Page& page = *tables[p]->page;
        for (std::size_t q = 0; q < tables.size() && w.reads; ++q) {
            const Weighing& other = weighings[q];
            const Page& by = *tables[q]->page;
            const std::size_t lacking = (w.needed & ~other.needed).count();
            if (q != p && other.reads &&
                ((rankOf(page) == kRarest && rankOf(by) < kRarest && other.asWords &&
                  w.needed.count() < 2) ||
                 (asNamed[q] && !isLatin(page.family) && !isLatin(by.family) &&
                  page.family != by.family && lacking < 2) ||
                 (asNamed[q] && !asNamed[p] && rankOf(by) == rankOf(page) && lacking == 0 &&
                  !(w.inOneLanguage && !other.inOneLanguage) &&
                  (by.family != Family::Baltic || (other.inOneLanguage && !w.inOneLanguage))))) {
                return false;
            }
        }
        return w.reads;
    };
    const PageTable* best = nullptr;
    double bestScore = -std::numeric_limits<double>::infinity();
    for (std::size_t p = 0; p < tables.size(); ++p) {
        if (!weighed(p)) {
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
    // UTF-32 LE before UTF-16 LE: its mark begins with the UTF-16 one.
    static const std::pair<std::string_view, const char*> boms[] = {
        {std::string_view("\xEF\xBB\xBF", 3), "UTF-8"},
        {std::string_view("\xFF\xFE\x00\x00", 4), "UTF-32LE"},
        {std::string_view("\x00\x00\xFE\xFF", 4), "UTF-32BE"},
        {std::string_view("\xFF\xFE", 2), "UTF-16LE"},
        {std::string_view("\xFE\xFF", 2), "UTF-16BE"},
    };
    for (const auto& [mark, charset] : boms) {
        if (bytes.starts_with(mark)) {
            return checked(convert(bytes.substr(mark.size()), charset));
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
    std::optional<std::string> text =
        converter.valid() ? converter.run(bytes, false) : std::nullopt;
    return text && isValidUtf8(*text) ? std::move(text) : std::nullopt;
}

std::optional<std::string> TextListImportDecoder::convertLenient(std::string_view bytes,
                                                                 const std::string& charset) {
    Converter converter(charset);
    return converter.valid() ? converter.run(bytes, true) : std::nullopt;
}

bool TextListImportDecoder::isValidUtf8(std::string_view bytes) {
    for (size_t i = 0, length; i < bytes.size(); i += length) {
        if ((length = sequenceAt(bytes, i).first) == 0) {
            return false;
        }
    }
    return true;
}

std::string TextListImportDecoder::validUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = sequenceAt(bytes, i).first;
        out.append(length == 0 ? kReplacement : bytes.substr(i, length));
        i += std::max<size_t>(length, 1);
    }
    return out;
}

void TextListImportDecoder::appendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        out.append(kReplacement);
        return;
    }
    uint8_t buffer[U8_MAX_LENGTH];
    int32_t length = 0;
    U8_APPEND_UNSAFE(buffer, length, cp);
    out.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(length));
}

} // namespace fen
