#include "storage/ListOfTextImporter.h"

#include "storage/TextListImportDecoder.h"
#include "support/TestSupport.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include <iconv.h>
#include <sys/stat.h>

namespace fen {
namespace {

using Texts = std::vector<std::string>;

class TextListImportTest : public ::testing::Test {
protected:
    Texts import(const std::string& name, const std::string& bytes) {
        auto path = dir_ / name;
        test::writeFile(path, bytes);
        return ListOfTextImporter::importTexts(Url::fileURL(path));
    }
    test::TempDir dir_;
};

TEST_F(TextListImportTest, OneTextPerNonEmptyLineNeverTrimmed) {
    EXPECT_EQ(import("a.txt", "A\nB\n\nC\n"), (Texts{"A", "B", "C"}));
    EXPECT_EQ(import("crlf.txt", "one\r\ntwo\r\n\r\nthree"), (Texts{"one", "two", "three"}));
    EXPECT_EQ(import("cr.txt", "x\ry"), (Texts{"x", "y"}));
    // Comma- and tab-separated lines stay whole.
    EXPECT_EQ(import("list.csv", "a,b\nc\td\n"), (Texts{"a,b", "c\td"}));
    EXPECT_TRUE(import("empty.txt", "").empty());
    EXPECT_TRUE(import("breaks.txt", "\n\r\n\n").empty());
    EXPECT_EQ(import("blanks.txt", "  x  \n   \n\tTab\t\n"), (Texts{"  x  ", "   ", "\tTab\t"}));
    // VT, FF, NEL, LINE SEPARATOR, PARAGRAPH SEPARATOR; other characters of those lead bytes stay.
    EXPECT_EQ(import("separators.txt", "a\vb\fc\u0085d\u2028e\u2029f\u2026g\u00A0h"),
              (Texts{"a", "b", "c", "d", "e", "f\u2026g\u00A0h"}));
}

TEST_F(TextListImportTest, ByteOrderMarksNameTheEncoding) {
    // "Ä€\n" + "z" in UTF-16 LE and BE, and in UTF-32 LE, each with its mark.
    EXPECT_EQ(import("le16.txt", std::string("\xFF\xFE\xC4\x00\xAC\x20\n\x00z\x00", 10)),
              (Texts{"\u00C4\u20AC", "z"}));
    EXPECT_EQ(import("be16.txt", std::string("\xFE\xFF\x00\xC4\x20\xAC\x00\r\x00\n\x00z", 12)),
              (Texts{"\u00C4\u20AC", "z"}));
    EXPECT_EQ(import("le32.txt", std::string("\xFF\xFE\x00\x00"
                                             "A\x00\x00\x00\n\x00\x00\x00"
                                             "\x00\xF6\x01\x00",
                                             16)),
              (Texts{"A", "\U0001F600"}));
    // The UTF-8 mark is not part of the first text.
    EXPECT_EQ(import("bom8.txt", "\xEF\xBB\xBFone\ntwo"), (Texts{"one", "two"}));
    // A mark followed by bytes that are not that encoding gives nothing.
    EXPECT_TRUE(import("badle16.txt", std::string("\xFF\xFE\x00\xD8", 4)).empty());
}

TEST_F(TextListImportTest, EightBitEncodingsAreDetected) {
    EXPECT_EQ(import("latin1.txt", "Stra\xDF"
                                   "e und Gr\xFC\xDF"
                                   "e aus K\xF6ln\nCaf\xE9 cr\xE8me\n"),
              (Texts{"Stra\u00DFe und Gr\u00FC\u00DFe aus K\u00F6ln", "Caf\u00E9 cr\u00E8me"}));
    // "Съешь же ещё этих мягких французских булок" in Windows-1251.
    std::string cp1251 = "\xD1\xFA\xE5\xF8\xFC \xE6\xE5 \xE5\xF9\xB8 \xFD\xF2\xE8\xF5 "
                         "\xEC\xFF\xE3\xEA\xE8\xF5 \xF4\xF0\xE0\xED\xF6\xF3\xE7\xF1\xEA\xE8\xF5 "
                         "\xE1\xF3\xEB\xEE\xEA\n";
    EXPECT_EQ(import("cp1251.txt", cp1251),
              Texts{"\u0421\u044A\u0435\u0448\u044C \u0436\u0435 \u0435\u0449\u0451 "
                    "\u044D\u0442\u0438\u0445 \u043C\u044F\u0433\u043A\u0438\u0445 "
                    "\u0444\u0440\u0430\u043D\u0446\u0443\u0437\u0441\u043A\u0438\u0445 "
                    "\u0431\u0443\u043B\u043E\u043A"});
    // Valid UTF-8 is read as UTF-8, whatever detection would guess for so short a text.
    EXPECT_EQ(import("utf8.txt", "Caf\u00E9\n"), (Texts{"Caf\u00E9"}));
}

// Lists in single-byte code pages, as iconv writes them, short (one to three lines) and long (100
// lines made of a language's words): each is read in its own code page. A short Western list reads
// cleanly as Windows-1252, which wins over a detector's guess of a code page rarely used for such
// lists ("Señor" is named ISO-8859-10); a Central European, Baltic or Turkish list may read
// cleanly as Windows-1252 too ("Gdañsk"), and is read in the code page the detector names for it.
TEST_F(TextListImportTest, ListsInSingleByteCodePagesAreReadInTheirOwn) {
    auto encoded = [](const std::string& utf8, const char* charset) {
        iconv_t cd = iconv_open(charset, "UTF-8");
        EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << charset;
        std::string out(utf8.size() * 2, '\0');
        char* in = const_cast<char*>(utf8.data());
        size_t inLeft = utf8.size();
        char* dst = out.data();
        size_t dstLeft = out.size();
        EXPECT_NE(iconv(cd, &in, &inLeft, &dst, &dstLeft), static_cast<size_t>(-1)) << charset;
        iconv_close(cd);
        out.resize(out.size() - dstLeft);
        return out;
    };
    // `count` lines (100 unless told), each two of the words and a number, and a last line.
    auto hundredLines = [](const Texts& words, std::size_t count = 100, std::string last = "") {
        Texts lines;
        for (std::size_t i = 0; i < count; ++i) {
            lines.push_back(words[i % words.size()] + " " + words[(i * 7 + 3) % words.size()] +
                            " " + std::to_string(i + 1));
        }
        if (!last.empty()) {
            lines.push_back(last);
        }
        return lines;
    };
    const Texts spanish = {"Señor",  "Año nuevo", "Mañana", "Pingüino", "¿Qué tal?", "Corazón",
                           "Málaga", "Cádiz",     "León",   "Córdoba",  "Logroño",   "Almería"};
    const Texts german = {"Größe",  "Äpfel und Birnen", "Straße",     "Grüße",
                          "Köln",   "München",          "Düsseldorf", "Nürnberg",
                          "Lübeck", "Würzburg",         "Tübingen",   "Fürth"};
    const Texts french = {"Café crème",     "À bientôt", "Garçon",  "Noël",  "Œuvre",     "Élève",
                          "Hôtel de ville", "Besançon",  "Orléans", "Nîmes", "Angoulême", "Forêt"};
    const Texts russian = {"Привет",          "Добрый день", "Москва", "Казань", "Самара", "Омск",
                           "Нижний Новгород", "Челябинск",   "Уфа",    "Пермь",  "Воронеж"};
    const Texts greek = {
        "Καλημέρα", "Άνοιξη στην Αθήνα", "Θεσσαλονίκη", "Πάτρα",  "Ηράκλειο", "Λάρισα",
        "Βόλος",    "Ιωάννινα",          "Χανιά",       "Καβάλα", "Ρόδος",    "Κέρκυρα"};
    // Polish without ł and ą, and Czech without ť, which Windows-1252 reads as signs.
    const Texts polish = {"Gdańsk",     "Poznań",     "Toruń",       "Kraków",
                          "Rzeszów",    "Bydgoszcz",  "Częstochowa", "Końskie",
                          "Oświęcim",   "Świdnica",   "Kędzierzyn",  "ul. Dębowa",
                          "Zwycięstwa", "Kościuszki", "Różana",      "Zamość"};
    const Texts czech = {"Plzeň",        "České Budějovice", "Ústí nad Labem", "Hradec Králové",
                         "Přerov",       "Třebíč",           "Kroměříž",       "Děčín",
                         "Šumperk",      "Žďár nad Sázavou", "Mělník",         "Čáslav",
                         "Náměstí Míru", "Růžová",           "Příbram",        "Růže"};
    const Texts hungarian = {"Győr",           "Tűzoltóság",     "Pécs",        "Kecskemét",
                             "Nyíregyháza",    "Székesfehérvár", "Érd",         "Hódmezővásárhely",
                             "Veszprém",       "Békéscsaba",     "Dunaújváros", "Őrbottyán",
                             "Ügyfélszolgálat"};
    const Texts turkish = {"İstanbul",  "Çağrı Şahin", "İzmir",         "Eskişehir",
                           "Şanlıurfa", "Diyarbakır",  "Muğla",         "Çanakkale",
                           "Kırıkkale", "Iğdır",       "Düzce",         "Tekirdağ",
                           "Kütahya",   "Ayşe Yılmaz", "Mehmet Öztürk", "Emre Doğan"};
    const Texts croatian = {"Čakovec",    "Zagreb", "Šibenik", "Varaždin",
                            "Dubrovnik",  "Požega", "Đakovo",  "Vukovar",
                            "Koprivnica", "Čazma",  "Gospić",  "Križevci"};
    const Texts latvian = {"Labdien",
                           "Paldies par jūsu vēstuli",
                           "Rīgas pilsētas dome",
                           "Valsts ieņēmumu dienests",
                           "Brīvības piemineklis",
                           "Vecrīga",
                           "Daugavas krastmala",
                           "Jūrmalas pludmale",
                           "Cēsu vēsture",
                           "Liepājas ezers",
                           "Rēzeknes novads",
                           "Ķekava"};
    // Named GB18030 by the detector, whose reading pairs their letters as ideographs.
    const Texts latvianPlaces = {"Rīga",     "Daugavpils", "Liepāja", "Jelgava", "Jūrmala",
                                 "Rēzekne",  "Valmiera",   "Cēsis",   "Kuldīga", "Līvāni",
                                 "Krāslava", "Ķekava",     "Ādaži",   "Mārupe"};
    // What a Windows console writes (CP850, CP852), what older Mac editors wrote (Mac Roman), and
    // Ukrainian and Estonian, whose letters the Russian and Western pages read as signs or as
    // other letters ("Львів" in KOI8-U is "Льв╕в" in KOI8-R, "Šokolaad" in Windows-1257 is
    // "Ðokolaad" in Windows-1252).
    const Texts hungarianDos = {
        "Győr",      "Kérem szépen",     "Ősz",          "Tűzoltó autó",    "Pécs",
        "Érd",       "Veszprém",         "Köszönöm",     "Fűzfa",           "Szeged",
        "Debrecen",  "Jó napot kívánok", "Őrbottyán",    "Békéscsaba",      "Nyíregyháza",
        "Kecskemét", "Dunaújváros",      "Öt szép szűz", "Ügyfélszolgálat", "Székesfehérvár"};
    const Texts westernDos = {"Größe",    "Mañana",         "Blåbær",    "Straße",  "Köln",
                              "Müller",   "Señor",          "Año nuevo", "Corazón", "Café crème",
                              "Garçon",   "Hôtel de ville", "Orléans",   "Forêt",   "Château",
                              "Göteborg", "Malmö",          "Smörgås",   "Grüße",   "Frühstück"};
    const Texts ukrainian = {"Олексій", "Львів",   "Київ",     "Їжак",    "Єва",
                             "Ґанок",   "Україна", "Харків",   "Одеса",   "Запоріжжя",
                             "Вінниця", "Житомир", "Чернігів", "Полтава", "Тернопіль",
                             "Рівне",   "Луцьк",   "Ужгород",  "Привіт",  "Дякую"};
    const Texts estonian = {"Šokolaad",       "Žürii",   "Tallinn",  "Tartu",    "Pärnu",
                            "Jõhvi",          "Võru",    "Türi",     "Põlva",    "Jõgeva",
                            "Kärdla",         "Rakvere", "Viljandi", "Haapsalu", "Tänan",
                            "Tere hommikust", "Õun",     "Öö",       "Üksik",    "Äri"};
    const Texts hebrew = {"שלום",      "ירושלים",  "תל אביב", "חיפה",    "באר שבע",
                          "נתניה",     "אשדוד",    "חולון",   "בני ברק", "ראשון לציון",
                          "פתח תקווה", "רמת גן",   "אילת",    "טבריה",   "נצרת",
                          "תודה רבה",  "בוקר טוב", "ערב טוב", "לילה טוב"};
    const auto withLine = [](Texts texts, std::size_t at, const std::string& line) {
        texts.insert(texts.begin() + static_cast<std::ptrdiff_t>(at), line);
        return texts;
    };
    const struct {
        const char* charset;
        Texts texts;
        std::string lineEnd = "\n";
    } lists[] = {
        {"CP1252", {"Señor", "Año nuevo"}},
        {"ISO-8859-1", {"Señor", "Año nuevo"}},
        {"ISO-8859-15", {"Señor", "Año nuevo"}},
        {"CP1252", {"Mañana", "Pingüino", "¿Qué tal?"}},
        {"CP1252", {"Café crème"}},
        {"ISO-8859-1", {"À bientôt", "Garçon", "Noël"}},
        {"CP1252", {"Grüße", "Äpfel und Birnen", "„Schön“"}},
        {"ISO-8859-1", {"Größe", "Äpfel und Birnen", "Straße"}},
        {"ISO-8859-15", {"Œuvre", "Cœur"}},
        {"CP1252", {"Don´t", "María"}},
        {"CP1252", {"Città", "Perché"}},
        {"CP1252", {"lunedì", "martedì"}},
        {"CP1250", {"Ľubica", "Veľký Meder"}},
        {"CP1251", {"Привет", "Добрый день"}},
        {"CP1251", {"Январь"}},
        {"KOI8-R", {"Привет", "Добрый день"}},
        {"CP1253", {"Καλημέρα", "Άνοιξη στην Αθήνα"}},
        {"CP1250", {"Zażółć gęślą jaźń"}},
        {"CP1250", {"Łódź", "Kraków"}},
        {"CP1250", {"Gdańsk / Poznań"}},
        {"CP1250", {"Gdańsk", "Świnoujście"}},
        {"CP1250", {"Plzeň / České Budějovice"}},
        {"CP1250", {"Győr / Tűzoltóság"}},
        {"CP1254", {"İstanbul / Çağrı Şahin"}},
        {"CP1254", {"Şanlıurfa"}},
        {"CP1250", {"Čakovec"}},
        {"CP1257", {"Rīga", "Liepāja"}},
        {"CP1257", {"Šiauliai", "Klaipėda"}},
        {"ISO-8859-2", {"Růže"}},
        {"ISO-8859-2", {"Košice", "Prešov"}},
        // Words a wrong page would write in mixed cases: "ĄAtención" (ISO-8859-2), "DomŸale"
        // (ISO-8859-15).
        {"CP1252", {"¡Atención!"}},
        {"ISO-8859-2", {"Domžale"}},
        // DOS and Mac pages the detector names: Cyrillic ones whose Windows sibling reads cleanly
        // as signs and spaces, and Latin ones outside the pages lists are mostly written in.
        {"CP866", {"Самара"}},
        {"CP866", {"среда", "суббота"}},
        {"MAC-CYRILLIC", {"Москва", "Самара"}},
        {"CP852", {"Kateřina Černá"}},
        {"CP852", {"úterý", "středa"}},
        {"ISO-8859-4", {"Panevėžys"}},
        {"CP1252", hundredLines(spanish)},
        {"ISO-8859-1", hundredLines(german)},
        {"ISO-8859-15", hundredLines(french)},
        {"CP1251", hundredLines(russian)},
        {"KOI8-R", hundredLines(russian)},
        {"ISO-8859-5", hundredLines(russian)},
        {"CP1253", hundredLines(greek)},
        {"ISO-8859-7", hundredLines(greek)},
        {"CP1250", hundredLines(polish)},
        {"CP1250", hundredLines(czech)},
        {"ISO-8859-2", hundredLines(czech)},
        {"CP1250", hundredLines(hungarian)},
        {"ISO-8859-2", hundredLines(hungarian)},
        {"CP1254", hundredLines(turkish)},
        {"ISO-8859-9", hundredLines(turkish)},
        {"CP1250", hundredLines(croatian)},
        {"CP1257", hundredLines(latvian)},
        {"ISO-8859-13", hundredLines(latvian)},
        {"CP1257", hundredLines(latvianPlaces)},
        // Read before as ISO-8859-2 with control characters ("Gy\u008Br"), as Windows-1252 with
        // signs ("Gr”áe", "Ma¤ana", "Dobrì veŸer, Jiý¡"), or in the Russian or Western page.
        {"CP852", hungarianDos},
        {"CP852", {"Dobrý večer, Jiří", "Tűzoltó autó", "Dober dan, Žiga"}},
        {"CP850", westernDos},
        {"CP850", {"Größe", "Mañana", "Blåbær"}},
        {"MACINTOSH", westernDos},
        {"MACINTOSH", {"Größe"}},
        {"MACINTOSH", {"Blåbær"}},
        {"KOI8-U", ukrainian},
        {"KOI8-U", {"Олексій", "Львів", "Київ"}},
        {"KOI8-U", {"Львів"}},
        {"CP1251", {"Київ"}},
        // Read cleanly in a Latin page, but with signs against letters where the detected page or
        // a Cyrillic one reads letters: "Рівне" is "–≥‚ÌÂ" in Mac Roman,
        // "Ústí nad Labem" (named IBM852) is "ést¡ nad Labem" in CP850.
        {"CP1251", {"Рівне"}},
        {"CP852", {"Ústí nad Labem"}},
        // Read as well in another page, and kept: a Serbian capital read as a Mac Cyrillic one
        // ("Мегош"), an apostrophe between letters as a letter of the page the detector names
        // ("Donīt" in ISO-8859-10).
        {"CP1251", {"Његош"}},
        {"CP1252", {"Don´t"}},
        {"CP1257", estonian},
        // A sign is text, and tells nothing of the page where no other page reads a letter of the
        // word in its place: each list reads as it does without it. Read before as no text at all
        // ("m²", "×", "•", a soft hyphen, "№"), in a Central European page ("JŁrgen MŁller" for
        // "†" and "€"), or as Cyrillic ("СД Уѕьэсѓпяѕ" for the Greek numeral sign).
        {"CP1252", hundredLines(german, 19, "Wohnfläche 80 m²")},
        {"CP1252", hundredLines(german, 19, "2×Kaffee")},
        {"CP1252", hundredLines(german, 19, "•Übersicht")},
        {"ISO-8859-1", hundredLines(german, 19, "Fuß\u00ADgänger\u00ADzone")},
        {"CP1252", hundredLines(german, 19, "Johann Müller†")},
        {"CP1252", {"Jürgen Müller", "Größe", "Kosten€"}},
        {"ISO-8859-15", hundredLines(french, 19, "Appartement 45 m²")},
        {"CP1252", hundredLines(spanish, 2, "Piso de 90 m² ½ § ¶ ‰ ‡ ¢ £")},
        {"ISO-8859-2", hundredLines(polish, 19, "Czę\u00ADstochowa")},
        {"CP1250", hundredLines(czech, 19, "Kro\u00ADměříž")},
        {"CP1250", hundredLines(hungarian, 19, "Tűz\u00ADoltóság")},
        {"CP1251", hundredLines(russian, 19, "Ниж\u00ADний Дом№5")},
        {"ISO-8859-9", hundredLines(turkish, 19, "Diyar\u00ADbakır")},
        {"CP1257", hundredLines(latvian, 19, "Vec\u00ADrīga")},
        {"CP1257", hundredLines(latvian, 19, "O´Brien")},
        {"CP1257", hundredLines(latvian, 19, "Jānis´s")},
        {"CP1253", hundredLines(greek, 19, "Θεσσα\u00ADλονίκη")},
        {"CP1253", {"Α΄ Γυμνασίου", "Β΄ Γυμνασίου", "Γ΄ Γυμνασίου", "Α΄ Λυκείου"}},
        {"ISO-8859-7", {"Α΄ Γυμνασίου", "Β΄ Λυκείου"}},
        // A word of letters outside ASCII only, which one page reads as written.
        {"CP852", hundredLines(hungarianDos, 19, "Żółć")},
        {"MAC-CENTRALEUROPE", hundredLines(hungarianDos, 19, "Żółć")},
        {"ISO-8859-2", {"Júlia Szőke", "Kraków", "Jó napot", "Żółć"}},
        // Western names whose letters a Baltic page reads as letters its languages use more
        // ("Noėl", "Belgiė", "Curaēao", "Lluļsa"), read before in it.
        {"CP1252", hundredLines({"Zoë", "Noël", "Joël", "Gaëlle", "Raphaël", "Chloë"}, 20)},
        {"ISO-8859-1", hundredLines({"Zoë", "Noël", "Joël", "Gaëlle", "Raphaël", "Chloë"})},
        {"ISO-8859-15", hundredLines({"België", "Curaçao", "Oekraïne", "Israël", "Italië"})},
        {"CP1252", hundredLines({"Lluïsa", "Puig", "Vidal", "Soler", "Roca"})},
        {"CP1252", hundredLines({"Shqipëri", "Tiranë", "Durrës", "Korçë", "Vlorë", "Kukës"}, 20)},
        {"MACINTOSH", hundredLines({"Gonçalves", "Conceição", "Açores", "Lourenço", "Graça"})},
        // Short lists in the DOS and Mac pages, read before as "aoñt", "’r›", "Grčže", "aľo".
        {"CP850", {"août", "sûr", "hôtel", "forêt"}},
        {"CP850", {"Ærø", "Øresund", "Åland"}},
        {"MACINTOSH", {"año", "niño", "señor", "mañana"}},
        {"MACINTOSH", {"corazón", "pingüino"}},
        // Pages the detector names that hold a letter back for a mark after it.
        {"CP1255", {"שלום", "ירושלים", "תל אביב"}},
        {"CP1258", {"Hà Nội", "Việt Nam", "Sài Gòn"}},
        // Typography is text, where people write it: an apostrophe inside a word, a quote, a dash,
        // "…" or "™" beside one. Read before as a letter of a DOS or Mac page ("Donít panic",
        // "Peterís Cafť", "ACMEÖ Widgets", "Helloà", "Pivoà").
        {"CP1252", {"Don’t panic"}},
        {"CP1252", {"Peter’s Café"}},
        {"CP1252", {"L’été indien"}},
        {"CP1252", {"ACME™ Widgets"}},
        {"CP1252", {"Hello…"}},
        {"CP1252", {"Un po’ di più"}},
        {"CP1252", {"Don’t panic", "Hello…"}},
        {"CP1252", {"Un po’ di più", "L’été indien"}},
        {"CP1252", {"We’re open", "Wait…", "Children’s books"}},
        {"CP1252", {"Hello…", "We’re open", "London office"}},
        {"CP1250", {"Pivo…"}},
        // Read before in a neighbouring page ("Doviðenja / Kreþimir Åosiå", "boßiü", "Ivaniå",
        // "ťukasz", "Muðla", "Ýstanbul", "Donít", Hebrew as Cyrillic, Belarusian as Greek).
        {"CP852", {"Doviđenja", "Krešimir Ćosić"}},
        {"CP852", {"Doviđenja / Krešimir Ćosić"}},
        {"CP852", {"Vesel božič", "Celje", "Anže Kopitar", "Delovni čas", "Kranj"}},
        {"CP852", {"Vesel božič", "Celje"}},
        {"CP852", {"Ivanić", "Zagreb"}},
        {"CP852", {"Łukasz", "Gdańsk"}},
        {"CP1254", {"Öğretmen", "Muğla"}},
        {"CP1254", {"İstanbul – Ankara"}},
        {"CP1257",
         {"Garaaž", "Arvo Pärt", "Aitäh", "Ülle Kõiv, Tallinn", "Pärnu", "Tartu", "Võru", "Jõhvi"}},
        {"ISO-8859-13",
         {"Jõgeva", "Aitäh", "Esmaspäev", "Võru", "Türi", "Rakvere", "Õun", "Tartu", "Garaaž",
          "Jõhvi", "Tänan", "Neljapäev"}},
        {"MACINTOSH",
         {"Iñaki Agirre, Zarautz",
          "Ane Múgica",
          "Donostia",
          "Gasteiz",
          "Iruñea",
          "Bilbo",
          "Eskerrik asko",
          "Kaixo",
          "Agur",
          "Euskal Herria",
          "Ikastola",
          "Mikel Etxeberria",
          "Ainhoa Otxoa",
          "Gernika",
          "Hondarribia",
          "Zumaia",
          "Oñati",
          "Ibáñez",
          "Muñoa",
          "Begoña"},
         "\r"},
        {"ISO-8859-1",
         {"Ólavsøka", "Eysturoy", "Tvøroyri", "Vágar", "Rógvi", "Kirkjubøur", "Streymoy", "Nólsoy",
          "Takk fyri", "Dúgvan"}},
        {"MAC-CYRILLIC", {"жыццё добры дзень лета"}},
        // Two capitals that Windows-1251 reads as quotes, each opening a word ("„обар ден ”ото").
        {"MAC-CYRILLIC", {"Добар ден Фото"}},
        {"CP1255", withLine(hebrew, 7, "…שלום")},
        {"CP1255", withLine(hebrew, 7, "’שלום")},
        // Hebrew with its points, read before as Mac Cyrillic; a soft hyphen, a letter's own
        // format character, in a list of one line.
        {"CP1255", {"שָׁלוֹם", "תּוֹדָה", "בְּרֵאשִׁית", "יְרוּשָׁלַיִם", "מַיִם"}},
        {"CP1250", {"Tűz\u00ADoltóság"}},
    };
    int n = 0;
    for (const auto& [charset, texts, lineEnd] : lists) {
        std::string utf8;
        for (const std::string& text : texts) {
            utf8 += text + lineEnd;
        }
        // As its own page reads it: Windows-1255 writes a Hebrew letter and its points as one
        // character where it can.
        const std::string bytes = encoded(utf8, charset);
        const std::string own = TextListImportDecoder::convert(bytes, charset).value_or("");
        Texts ownLines;
        for (std::size_t at = 0, end; at < own.size(); at = end + lineEnd.size()) {
            end = own.find(lineEnd, at);
            ownLines.push_back(own.substr(at, end - at));
        }
        EXPECT_EQ(import("list" + std::to_string(++n) + ".txt", bytes), ownLines)
            << charset << " " << utf8.substr(0, 80);
    }
    // A list whose letters outside ASCII are one byte value gives a single decision to go on,
    // which several code pages read as a letter of a word. One byte value never moves a list to a
    // DOS or Mac page while a Windows or ISO page reads it as words: "Białystok" alone (Mac
    // Central European, which the detector names) reads "Biažystok" in ISO-8859-2, "Dober dan,
    // Žiga" (CP852) "Dober dan, Śiga". Nor does it move a list from the script of the page the
    // detector names: "Єва" alone (KOI8-U) is named ISO-8859-7 and reads "΄ΧΑ". Among pages of one
    // rank the letter's use in the languages of each page, the detector's answer and the prior of
    // each page decide. "Rīga" alone (Windows-1257) is named MAC-CENTRALEUROPE, no page of a list:
    // its ī and the French î are both letters of their pages, and the prior of Windows-1252 keeps
    // "Rîga". "Nîmes" alone (Windows-1252) is named ISO-8859-13, a Baltic page, and Latvian uses ī
    // far more than French uses î: it reads "Nīmes". "piątek" alone (Windows-1250) is named
    // ISO-8859-2, in which the byte of ą is š: the detector's page keeps "pištek". "María" alone is
    // named ISO-8859-13 too, but Spanish uses í far more than Latvian uses ķ. "Šokolaad" alone
    // (ISO-8859-15) reads "Śokolaad" in ISO-8859-2, as Polish uses ś far more than Estonian uses
    // š. "Straße" alone (CP850) reads "Straáe" in Windows-1252, which reads it as words. Mac Roman
    // "Grüße / Straße / Müller" is named IBM852, whose reading "Grčže / Straže / Mčller" is words
    // too: the detector's page stands. With a second such letter the letters tell the page.
    const struct {
        const char* charset;
        std::string text;
        std::string kept;
    } oneWord[] = {
        {"MAC-CENTRALEUROPE", "Białystok", "Biažystok"},
        {"CP852", "Dober dan, Žiga", "Dober dan, Śiga"},
        {"KOI8-U", "Єва", "΄ΧΑ"},
        {"CP1257", "Rīga", "Rîga"},
        {"CP1252", "Nîmes", "Nīmes"},
        {"CP1250", "piątek", "pištek"},
        {"CP1252", "María", "María"},
        {"CP1257", "Rīga\nLiepāja", "Rīga\nLiepāja"},
        {"CP1252", "Nîmes\nOrléans", "Nîmes\nOrléans"},
        {"CP1250", "piątek\nśroda", "piątek\nśroda"},
        {"ISO-8859-15", "Šokolaad", "Śokolaad"},
        {"CP852", "środa", "środa"},
        {"ISO-8859-15", "Šokolaad\nŽürii", "Šokolaad\nŽürii"},
        {"CP852", "środa\nŁukasz", "środa\nŁukasz"},
        {"CP852", "Győr", "Győr"},
        {"CP850", "Straße", "Straáe"},
        {"MACINTOSH", "Grüße\nStraße\nMüller", "Grčže\nStraže\nMčller"},
        {"CP852", "Győr\nKérem", "Győr\nKérem"},
        {"CP850", "Straße\nGrüße", "Straße\nGrüße"},
    };
    for (const auto& [charset, text, kept] : oneWord) {
        EXPECT_EQ(TextListImportDecoder::decodeText(encoded(text + "\n", charset)), kept + "\n")
            << text;
    }
    // Detectors of other versions answer otherwise for the same bytes; each answer gives the same
    // reading. Named GB18030, the Latvian places read cleanly as ideographs between Latin letters
    // ("R頶a"), which is no Chinese text.
    const struct {
        const char* charset;
        Texts texts;
        std::vector<std::string> answers;
    } answered[] = {
        {"CP1257",
         hundredLines(latvianPlaces),
         {"GB18030", "BIG5", "EUC-KR", "ISO-8859-13", "WINDOWS-1257", ""}},
        {"KOI8-U", ukrainian, {"KOI8-R", "ISO-8859-7", "WINDOWS-1251", ""}},
        {"CP852", hungarianDos, {"IBM852", "WINDOWS-1252", "ISO-8859-2", ""}},
        // Mixed cases in a word of ASCII letters tell nothing of the page ("iPhone fьr Oma").
        {"CP1252", {"iPhone für Oma"}, {"WINDOWS-1251", "KOI8-R", "ISO-8859-1"}},
        // Typography stays text when the detector names the page ("Donít panic" before), and a
        // Western word stays Western when it names a Baltic one ("Kųbenhavn").
        {"CP1252", {"Don’t panic"}, {"WINDOWS-1252"}},
        {"CP1252", {"Un po’ di più", "L’été indien"}, {"WINDOWS-1252"}},
        {"CP1252", {"København"}, {"WINDOWS-1257", "ISO-8859-13"}},
    };
    for (const auto& [charset, texts, answers] : answered) {
        std::string utf8;
        for (const std::string& text : texts) {
            utf8 += text + "\n";
        }
        for (const std::string& answer : answers) {
            EXPECT_EQ(TextListImportDecoder::decodeUnmarked(encoded(utf8, charset), answer), utf8)
                << charset << " named " << answer << ": " << utf8.substr(0, 40);
        }
    }
}

TEST_F(TextListImportTest, NoTextsFromWhatIsNoTextFile) {
    std::mt19937 random(11);
    std::string noise(4096, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    EXPECT_TRUE(import("noise.bin", noise).empty());
    std::replace(noise.begin(), noise.end(), '\0', 'x');
    EXPECT_TRUE(import("noise2.txt", noise).empty());
    EXPECT_TRUE(import("png.txt", std::string("\x89PNG\r\n\x1A\n\x00\x00\x00\rIHDR", 16)).empty());
    // Bytes that every code page reads with control characters are refused, and told; bytes that
    // some page reads without them are read, whatever signs stand between their letters
    // ("Ma\u0081łna" in ISO-8859-2, "Maü│na" in CP852, "MaĀ│na" in Mac Roman).
    const std::string unreadable("Stra\xDF"
                                 "e\x01\x02\x03\x04\x05\x06\n");
    EXPECT_FALSE(TextListImportDecoder::decodeText(unreadable));
    EXPECT_TRUE(import("unreadable.txt", unreadable).empty());
    EXPECT_TRUE(ListOfTextImporter::read(Url::fileURL(dir_ / "unreadable.txt")).unreadable);
    for (const std::string bytes : {"Ma\x81\xB3na\n", "Stra\xDF"
                                                      "e\nMa\x81\xB3na\n"}) {
        EXPECT_EQ(import("signs.txt", bytes).size(),
                  1 + std::count(bytes.begin(), bytes.end(), 'S'))
            << bytes;
    }
    // A folder, an RTFD package (a folder as well), a missing file, and no file URL at all.
    std::filesystem::create_directory(dir_ / "Notes.rtfd");
    test::writeFile(dir_ / "Notes.rtfd" / "TXT.rtf", "{\\rtf1 hidden\\par}");
    for (const Url& url :
         {Url::fileURL(dir_.path()), Url::fileURL(dir_ / "Notes.rtfd"),
          Url::fileURL(dir_ / "missing.txt"), *Url::fromString("https://example.com/a.txt")}) {
        EXPECT_TRUE(ListOfTextImporter::importTexts(url).empty()) << url.path();
    }
}

TEST_F(TextListImportTest, RtfFilesGiveTheirParagraphs) {
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl\\f0\\fswiss Helvetica;}"
                      "{\\colortbl;\\red255\\green0\\blue0;}\n"
                      "\\f0\\b Caf\\'e9 \\b0 au lait\\par\n"
                      "{\\cf1 Price: 5\\u8364?}\\par\n}";
    // RTF content is recognised whatever the file is called.
    for (const char* name : {"two.rtf", "UPPER.RTF", "two.txt"}) {
        EXPECT_EQ(import(name, rtf), (Texts{"Caf\u00E9 au lait", "Price: 5\u20AC"})) << name;
    }
    // A file called RTF that is none gives nothing, and so does a broken one.
    EXPECT_TRUE(import("plain.rtf", "just text\n").empty());
    EXPECT_TRUE(import("deep.rtf", "{\\rtf1 " + std::string(5000, '{') + "x").empty());
    EXPECT_EQ(ListOfTextImporter::attributedText(Url::fileURL(dir_ / "two.rtf")),
              "Caf\u00E9 au lait\nPrice: 5\u20AC\n");
    EXPECT_FALSE(ListOfTextImporter::attributedText(Url::fileURL(dir_ / "plain.rtf")));
}

TEST_F(TextListImportTest, AFileOverTheSizeLimitIsRefusedUnread) {
    constexpr std::uintmax_t limit = ListOfTextImporter::maximumFileSize;
    static_assert(limit == 16u * 1024 * 1024);
    // At the limit the file is read: one long line and a short one.
    std::string bytes(limit, 'x');
    bytes[limit - 2] = '\n';
    test::writeFile(dir_ / "at.txt", bytes);
    const ListOfTextImporter::Imported at = ListOfTextImporter::read(Url::fileURL(dir_ / "at.txt"));
    EXPECT_FALSE(at.tooLarge);
    ASSERT_EQ(at.texts.size(), 2u);
    EXPECT_EQ(at.texts[0].size(), limit - 2);
    EXPECT_EQ(at.texts[1], "x");
    // One byte more is refused, text or RTF, and told apart from a file without texts.
    bytes.push_back('x');
    test::writeFile(dir_ / "over.txt", bytes);
    test::writeFile(dir_ / "over.rtf", "{\\rtf1 " + bytes + "}");
    for (const char* name : {"over.txt", "over.rtf"}) {
        const ListOfTextImporter::Imported over =
            ListOfTextImporter::read(Url::fileURL(dir_ / name));
        EXPECT_TRUE(over.tooLarge) << name;
        EXPECT_TRUE(over.texts.empty()) << name;
        EXPECT_TRUE(ListOfTextImporter::importTexts(Url::fileURL(dir_ / name)).empty()) << name;
    }
    // A gigabyte (sparse, so the test stays small) is refused before any of it is read.
    test::writeFile(dir_ / "huge.txt", "");
    std::filesystem::resize_file(dir_ / "huge.txt", std::uintmax_t{1} << 30);
    EXPECT_TRUE(ListOfTextImporter::read(Url::fileURL(dir_ / "huge.txt")).tooLarge);
    EXPECT_FALSE(ListOfTextImporter::read(Url::fileURL(dir_ / "missing.txt")).tooLarge);
}

TEST_F(TextListImportTest, AListOfMoreTextsThanTheCapIsRefusedWhole) {
    constexpr std::size_t cap = ListOfTextImporter::maximumTextCount;
    static_assert(cap == 10000);
    std::string lines;
    std::string crlf;
    for (std::size_t i = 0; i < cap; ++i) {
        lines += "x\n";
        crlf += "x\r\n";
    }
    std::string paragraphs = "{\\rtf1 ";
    for (std::size_t i = 0; i <= cap; ++i) {
        paragraphs += "x\\par ";
    }
    paragraphs += "}";
    const auto utf16 = [](const std::string& ascii) {
        std::string out;
        for (char c : ascii) {
            out += std::string{c, '\0'};
        }
        return out;
    };
    std::string controls;
    for (std::size_t i = 0; i <= cap; ++i) {
        controls += "\x01\n";
    }
    // Half a million one-letter lines, well within the size limit.
    std::string many;
    for (std::size_t i = 0; i < 500000; ++i) {
        many += "x\n";
    }
    const struct {
        const char* name;
        std::string bytes;
        bool refused;
    } cases[] = {
        {"at.txt", lines, false},
        // Empty lines, and the empty piece between CR and LF, are no texts.
        {"at-with-blank-lines.txt", "\n\n" + lines + "\n\r\n", false},
        {"at-crlf.txt", crlf, false},
        // A last line without a line break counts.
        {"over.txt", lines + "y", true},
        {"over-crlf.txt", crlf + "y\r\n", true},
        {"over.rtf", paragraphs, true},
        {"many.txt", many, true},
        // Counted on the bytes before they are decoded: lines no encoding reads (control
        // characters) are refused for their number, as UTF-16 lines are once decoded.
        {"over-unreadable.txt", controls, true},
        {"over-latin1.txt", lines + "\xFC\n", true},
        {"at-latin1.txt", lines.substr(2) + "\xFC\n", false},
        {"over-utf16.txt", "\xFF\xFE" + utf16(lines + "y"), true},
        // Counted once decoded: each of its line ends is two bytes, and a zero byte between them.
        {"at-utf16-crlf.txt", "\xFF\xFE" + utf16(crlf), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeFile(dir_ / c.name, c.bytes);
        const ListOfTextImporter::Imported imported =
            ListOfTextImporter::read(Url::fileURL(dir_ / c.name));
        EXPECT_EQ(imported.tooManyTexts, c.refused);
        EXPECT_FALSE(imported.tooLarge);
        EXPECT_EQ(imported.texts.size(), c.refused ? 0u : cap);
    }
}

TEST_F(TextListImportTest, AListThatCannotBeReadOrHoldsNoTextIsToldApartAndGivesNoTexts) {
    enum class Told { texts, readError, damaged, noText };
    const struct {
        const char* name;
        std::string bytes;
        Told told;
    } cases[] = {
        {"empty.txt", "", Told::noText},
        {"breaks.txt", "\n\r\n\n", Told::noText},
        {"blank-lines.txt", "  \n  \n\t\n", Told::noText},
        {"blank-unicode.txt", "\u00A0\u3000\n\u200B\n", Told::noText},
        {"bom-only.txt", "\xEF\xBB\xBF", Told::noText},
        {"empty.rtf", "{\\rtf1\\ansi{\\fonttbl\\f0 Helvetica;}\\par}", Told::noText},
        {"empty-file.rtf", "", Told::noText},
        {"damaged.rtf", "\x89PNG\r\n not the RTF its name says", Told::damaged},
        {"deep.rtf", "{\\rtf1 " + std::string(5000, '{') + "x", Told::damaged},
        // A blank line among texts is a text of its own, as typed.
        {"text-and-blank.txt", "A\n  \n", Told::texts},
        {"one-space.txt", " x\n", Told::texts},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeFile(dir_ / c.name, c.bytes);
        const ListOfTextImporter::Imported imported =
            ListOfTextImporter::read(Url::fileURL(dir_ / c.name));
        EXPECT_EQ(imported.noText, c.told == Told::noText);
        EXPECT_EQ(imported.damaged, c.told == Told::damaged);
        EXPECT_FALSE(imported.readError);
        EXPECT_FALSE(imported.unreadable);
        EXPECT_EQ(imported.texts.empty(), c.told != Told::texts);
    }
    // A file gone, and one its reader may not read (root reads any: an unprivileged user asks).
    EXPECT_EQ(ListOfTextImporter::read(Url::fileURL(dir_ / "missing.txt")).readError,
              std::errc::no_such_file_or_directory);
    test::TempDir open(test::TempDir::Reach::everyone);
    std::filesystem::permissions(open.path(), std::filesystem::perms::all);
    test::writeFile(open / "closed.txt", "A\nB\n");
    std::filesystem::permissions(open / "closed.txt", std::filesystem::perms::none);
    const std::optional<std::string> closed = test::inUnprivilegedChild([&] {
        const ListOfTextImporter::Imported imported =
            ListOfTextImporter::read(Url::fileURL(open / "closed.txt"));
        return imported.readError.message() + "|" + std::to_string(imported.texts.size());
    });
    ASSERT_TRUE(closed);
    EXPECT_EQ(*closed, std::make_error_code(std::errc::permission_denied).message() + "|0");
}

TEST_F(TextListImportTest, APipeADeviceOrAFolderIsRefusedAtOnceAsNoRegularFile) {
    // A pipe with no writer: a reader waiting for one would never return.
    ASSERT_EQ(::mkfifo((dir_ / "list.txt").c_str(), 0600), 0);
    std::filesystem::create_directory(dir_ / "folder.txt");
    for (const std::filesystem::path& path :
         {dir_ / "list.txt", std::filesystem::path("/dev/zero"), dir_ / "folder.txt"}) {
        SCOPED_TRACE(path.string());
        const ListOfTextImporter::Imported imported = ListOfTextImporter::read(Url::fileURL(path));
        EXPECT_TRUE(imported.notRegularFile);
        EXPECT_TRUE(imported.texts.empty());
        EXPECT_FALSE(imported.tooLarge);
    }
    // A missing file or a readable one is no such refusal.
    test::writeFile(dir_ / "plain.txt", "A\n");
    EXPECT_FALSE(ListOfTextImporter::read(Url::fileURL(dir_ / "missing.txt")).notRegularFile);
    EXPECT_FALSE(ListOfTextImporter::read(Url::fileURL(dir_ / "plain.txt")).notRegularFile);
}

} // namespace
} // namespace fen
