#include "model/QRCodeStructure.h"

#include "JsonTestSupport.h"

#include <gtest/gtest.h>

using namespace fen;
using namespace fen::test;
using T = QRCodeTypes;

namespace {

// 2024-03-05 15:30:00 UTC and 17:00:00 UTC.
const Date kStart{731345400.0};
const Date kEnd{731350800.0};

} // namespace

// Written under a time zone far from UTC, as the payload's times must not depend on it.
TEST(QRCodePayload, ExactTextsWithTheirEscaping) {
    const std::pair<QRCodeStructure, std::string> cases[] = {
        {{}, ""},
        // MECARD fields escape \ ; : , and a web address gets its scheme.
        {{.contact_tel = "+1 555 0100"}, "MECARD:N:;TEL:+1 555 0100;EMAIL:;URL:;;"},
        {{.contact_url = "example.com"}, "MECARD:N:;TEL:;EMAIL:;URL:https\\://example.com;;"},
        {{.contact_url = "HTTP://Example.com"}, "MECARD:N:;TEL:;EMAIL:;URL:HTTP\\://Example.com;;"},
        {{.contact_name = "Doe, Jane; \"J\\D\": CEO",
          .contact_tel = "+1 555 0100",
          .contact_email = "jane@example.com"},
         "MECARD:N:Doe\\, Jane\\; \"J\\\\D\"\\: CEO;TEL:+1 555 0100;EMAIL:jane@example.com;URL:;;"},
        {{.type = T::link}, ""},
        {{.type = T::link, .url_url = "example.com/a?b=c"}, "https://example.com/a?b=c"},
        {{.type = T::link, .url_url = "https://x.org"}, "https://x.org"},
        {{.type = T::text}, ""},
        {{.type = T::text, .text_text = "   "}, "   "},
        {{.type = T::text, .text_text = "a;b:c,d\\"}, "a;b:c,d\\"},
        // The mailto subject and body are percent-encoded; no address, no payload.
        {{.type = T::email, .email_subject = "Hi"}, ""},
        {{.type = T::email, .email_email = "a@example.com"}, "mailto:a@example.com?subject=&body="},
        {{.type = T::email,
          .email_email = "a@example.com",
          .email_subject = "Q&A = 100%?",
          .email_body = "Line 1\nGr\u00FC\u00DFe #2 a-b_c.d~"},
         "mailto:a@example.com?subject=Q%26A%20%3D%20100%25%3F"
         "&body=Line%201%0AGr%C3%BC%C3%9Fe%20%232%20a-b_c.d~"},
        // The summary is escaped as iCalendar requires, the times are in UTC; no start, no payload.
        {{.type = T::dates, .calendar_toDate = kEnd, .calendar_title = "Review"}, ""},
        {{.type = T::dates,
          .calendar_fromDate = kStart,
          .calendar_toDate = kEnd,
          .calendar_title = "Review"},
         "BEGIN:VEVENT\nSUMMARY:Review\nDTSTART:20240305T153000Z\nDTEND:20240305T170000Z\n"
         "END:VEVENT"},
        {{.type = T::dates,
          .calendar_fromDate = kStart,
          .calendar_title = "Plan; A, B\\C\r\nnext\nline: done"},
         "BEGIN:VEVENT\nSUMMARY:Plan\\; A\\, B\\\\C\\nnext\\nline: done\n"
         "DTSTART:20240305T153000Z\nDTEND:\nEND:VEVENT"},
    };
    ScopedTimeZone newYork("America/New_York");
    for (const auto& [code, payload] : cases) {
        EXPECT_EQ(code.qrPayloadString(), payload);
    }
}

TEST(QRCodeStructure, ColoursReadSixOrThreeDigitsAndFallBackToTheNewRecordsColours) {
    const gfx::Color white{1, 1, 1, 1};
    const gfx::Color black{0, 0, 0, 1};
    struct Case {
        const char* text;
        std::optional<gfx::Color> color;
    };
    for (const Case& c : {
             Case{"#FFFFFF", white},
             Case{"000000", black},
             Case{"#ff8000", gfx::Color{1, 128 / 255.0, 0, 1}},
             Case{"#FFF", white},
             Case{"f80", gfx::Color{1, 136 / 255.0, 0, 1}},
             Case{"#12345", std::nullopt},
             Case{"#GGGGGG", std::nullopt},
             Case{"", std::nullopt},
             Case{"#", std::nullopt},
             Case{"##FFFFFF", std::nullopt},
             Case{"#FFFFFF00", std::nullopt},
             Case{" FFFFF", std::nullopt},
             Case{"+1FFFF", std::nullopt},
         }) {
        EXPECT_EQ(qrColorFromHex(c.text), c.color) << c.text;
    }
    QRCodeStructure code;
    // One colour that cannot be read gives the pair of a new record: "#FFF" on "#12345" is not
    // drawn white on white.
    code.backgroundColor = "#12345";
    code.foregroundColor = "#FFF";
    EXPECT_EQ(code.background(), white);
    EXPECT_EQ(code.foreground(), black);
    code.backgroundColor = "#0F0";
    code.foregroundColor = "#GGGGGG";
    EXPECT_EQ(code.background(), white);
    EXPECT_EQ(code.foreground(), black);
    code.foregroundColor = "#00F";
    EXPECT_EQ(code.background(), (gfx::Color{0, 1, 0, 1}));
    EXPECT_EQ(code.foreground(), (gfx::Color{0, 0, 1, 1}));
}

TEST(QRCodeStructure, JsonLeavesAbsentDatesOutAndReadsStrictly) {
    QRCodeStructure code{.id = "5D0E0B52-3F0C-4E55-9B0C-0A1B2C3D4E5F",
                         .itemname = "Site",
                         .type = T::link,
                         .url_url = "example.com",
                         .backgroundColor = "FFFFFF"};
    expectJsonForm(
        code,
        R"({"id":"5D0E0B52-3F0C-4E55-9B0C-0A1B2C3D4E5F","itemname":"Site","type":{"link":{}},)"
        R"("contact_name":"","contact_tel":"","contact_email":"","contact_url":"",)"
        R"("url_url":"example.com","text_text":"","email_email":"","email_subject":"",)"
        R"("email_body":"","calendar_title":"","backgroundColor":"FFFFFF",)"
        R"("foregroundColor":"#000000"})");
    code.calendar_fromDate = kStart;
    Json j = code;
    EXPECT_EQ(j["calendar_fromDate"], 731345400.0);
    EXPECT_FALSE(j.contains("calendar_toDate"));
    EXPECT_EQ(decodeJson<QRCodeStructure>(j.dump()), code);
    j["calendar_toDate"] = nullptr;
    EXPECT_EQ(decodeJson<QRCodeStructure>(j.dump()), code);
    j.erase("backgroundColor");
    expectDecodeFailure<QRCodeStructure>(j.dump(), JsonError::Kind::keyNotFound, "backgroundColor");
    j = code;
    j["type"] = Json::parse(R"({"people":{},"email":{}})");
    EXPECT_EQ(decodeFailure<QRCodeStructure>(j.dump()).pathString(), "type");
    EXPECT_EQ(decodeFailure<QRCodeStructure>(j.dump()).message(), kInvalidKeys);
    for (auto type : allCases<QRCodeTypes>()) {
        EXPECT_EQ(decodeJson<QRCodeTypes>(encodeJson(type)), type);
    }
}
