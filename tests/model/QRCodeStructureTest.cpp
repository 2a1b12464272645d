#include "model/QRCodeStructure.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace fen;

namespace {

QRCodeStructure ofType(QRCodeTypes type) {
    QRCodeStructure code;
    code.type = type;
    return code;
}

// 2024-03-05 15:30:00 UTC and 17:00:00 UTC.
const Date kStart{731345400.0};
const Date kEnd{731350800.0};

} // namespace

TEST(QRCodeStructure, NewRecordDefaults) {
    QRCodeStructure a, b;
    EXPECT_TRUE(isUuidString(a.id));
    EXPECT_NE(a.id, b.id);
    EXPECT_EQ(a.type, QRCodeTypes::people);
    EXPECT_EQ(a.backgroundColor, "#FFFFFF");
    EXPECT_EQ(a.foregroundColor, "#000000");
    EXPECT_FALSE(a.calendar_fromDate || a.calendar_toDate);
    EXPECT_EQ(a.qrPayloadString(), "");
}

TEST(QRCodePayload, ContactCardEscapesMecardFields) {
    auto code = ofType(QRCodeTypes::people);
    code.contact_tel = "+1 555 0100";
    EXPECT_EQ(code.qrPayloadString(), "MECARD:N:;TEL:+1 555 0100;EMAIL:;URL:;;");

    code.contact_url = "example.com";
    EXPECT_EQ(code.qrPayloadString(),
              "MECARD:N:;TEL:+1 555 0100;EMAIL:;URL:https\\://example.com;;");
    code.contact_url = "HTTP://Example.com";
    EXPECT_EQ(code.qrPayloadString(),
              "MECARD:N:;TEL:+1 555 0100;EMAIL:;URL:HTTP\\://Example.com;;");

    code.contact_name = "Doe, Jane; \"J\\D\": CEO";
    code.contact_email = "jane@example.com";
    code.contact_url = "";
    EXPECT_EQ(code.qrPayloadString(), "MECARD:N:Doe\\, Jane\\; \"J\\\\D\"\\: CEO;TEL:+1 555 0100;"
                                      "EMAIL:jane@example.com;URL:;;");
    // The record keeps what was typed.
    EXPECT_EQ(code.contact_name, "Doe, Jane; \"J\\D\": CEO");
}

TEST(QRCodePayload, LinkAndText) {
    auto link = ofType(QRCodeTypes::link);
    EXPECT_EQ(link.qrPayloadString(), "");
    link.url_url = "example.com/a?b=c";
    EXPECT_EQ(link.qrPayloadString(), "https://example.com/a?b=c");
    link.url_url = "https://x.org";
    EXPECT_EQ(link.qrPayloadString(), "https://x.org");

    auto text = ofType(QRCodeTypes::text);
    EXPECT_EQ(text.qrPayloadString(), "");
    text.text_text = "   ";
    EXPECT_EQ(text.qrPayloadString(), "   ");
    text.text_text = "a;b:c,d\\";
    EXPECT_EQ(text.qrPayloadString(), "a;b:c,d\\");
}

TEST(QRCodePayload, EventTimesInUtcAndEscapedSummary) {
    auto event = ofType(QRCodeTypes::dates);
    event.calendar_title = "Review";
    event.calendar_toDate = kEnd;
    EXPECT_EQ(event.qrPayloadString(), "") << "no start, no payload";

    event.calendar_fromDate = kStart;
    EXPECT_EQ(event.qrPayloadString(), "BEGIN:VEVENT\nSUMMARY:Review\nDTSTART:20240305T153000Z\n"
                                       "DTEND:20240305T170000Z\nEND:VEVENT");
    event.calendar_toDate.reset();
    event.calendar_title = "Plan; A, B\\C\r\nnext\nline: done";
    EXPECT_EQ(event.qrPayloadString(),
              "BEGIN:VEVENT\nSUMMARY:Plan\\; A\\, B\\\\C\\nnext\\nline: done\n"
              "DTSTART:20240305T153000Z\nDTEND:\nEND:VEVENT");

    // The local time zone plays no part.
    const char* old = std::getenv("TZ");
    std::string saved = old ? old : "";
    setenv("TZ", "America/New_York", 1);
    tzset();
    std::string payload = event.qrPayloadString();
    if (old) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
    EXPECT_NE(payload.find("DTSTART:20240305T153000Z"), std::string::npos);
}

TEST(QRCodePayload, MailtoPercentEncodesSubjectAndBody) {
    auto mail = ofType(QRCodeTypes::email);
    mail.email_subject = "Hi";
    EXPECT_EQ(mail.qrPayloadString(), "");
    mail.email_email = "a@example.com";
    mail.email_subject = "";
    EXPECT_EQ(mail.qrPayloadString(), "mailto:a@example.com?subject=&body=");
    mail.email_subject = "Q&A = 100%?";
    mail.email_body = "Line 1\nGr\xC3\xBC\xC3\x9F"
                      "e #2 a-b_c.d~";
    EXPECT_EQ(mail.qrPayloadString(), "mailto:a@example.com?subject=Q%26A%20%3D%20100%25%3F"
                                      "&body=Line%201%0AGr%C3%BC%C3%9Fe%20%232%20a-b_c.d~");
}

TEST(QRCodeStructure, JsonLeavesAbsentDatesOut) {
    QRCodeStructure code;
    code.id = "5D0E0B52-3F0C-4E55-9B0C-0A1B2C3D4E5F";
    code.itemname = "Site";
    code.type = QRCodeTypes::link;
    code.url_url = "example.com";
    code.backgroundColor = "FFFFFF";
    const std::string text =
        R"({"id":"5D0E0B52-3F0C-4E55-9B0C-0A1B2C3D4E5F","itemname":"Site","type":{"link":{}},)"
        R"("contact_name":"","contact_tel":"","contact_email":"","contact_url":"",)"
        R"("url_url":"example.com","text_text":"","email_email":"","email_subject":"",)"
        R"("email_body":"","calendar_title":"","backgroundColor":"FFFFFF",)"
        R"("foregroundColor":"#000000"})";
    EXPECT_EQ(encodeJson(code), text);
    EXPECT_EQ(decodeJson<QRCodeStructure>(text), code);

    code.calendar_fromDate = kStart;
    Json j = code;
    EXPECT_EQ(j["calendar_fromDate"], 731345400.0);
    EXPECT_FALSE(j.contains("calendar_toDate"));
    EXPECT_EQ(decodeJson<QRCodeStructure>(j.dump()), code);
    j["calendar_toDate"] = nullptr;
    EXPECT_EQ(decodeJson<QRCodeStructure>(j.dump()), code);
}

TEST(QRCodeStructure, StrictReading) {
    Json j = QRCodeStructure{};
    j.erase("backgroundColor");
    try {
        decodeJson<QRCodeStructure>(j.dump());
        ADD_FAILURE() << "decoded without backgroundColor";
    } catch (const JsonError& error) {
        EXPECT_EQ(error.kind(), JsonError::Kind::keyNotFound);
        EXPECT_EQ(error.pathString(), "backgroundColor");
    }
    j = QRCodeStructure{};
    j["type"] = Json::parse(R"({"people":{},"email":{}})");
    try {
        decodeJson<QRCodeStructure>(j.dump());
        ADD_FAILURE() << "decoded with two type keys";
    } catch (const JsonError& error) {
        EXPECT_EQ(error.pathString(), "type");
        EXPECT_EQ(error.message(), "Invalid number of keys found, expected one.");
    }
    for (auto type : allCases<QRCodeTypes>()) {
        EXPECT_EQ(decodeJson<QRCodeTypes>(encodeJson(type)), type);
    }
    EXPECT_EQ(encodeJson(QRCodeTypes::dates), R"({"dates":{}})");
}
