#include "model/QRCodeStructure.h"

#include "model/FileNameHelpers.h"
#include "platform/foundation/Url.h"

namespace fen {
namespace {

// MECARD field text: backslash, semicolon, colon and comma are escaped with a backslash.
std::string mecardEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == ';' || c == ':' || c == ',') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    return out;
}

// iCalendar TEXT: backslash, semicolon and comma escaped, each line break written as "\n".
std::string icalEscaped(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' || c == ';' || c == ',') {
            out.push_back('\\');
            out.push_back(c);
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            out += "\\n";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string icalUtcTime(const Date& date) {
    return formatDatePattern(date, "yyyyMMdd'T'HHmmss'Z'", "UTC");
}

} // namespace

void to_json(Json& j, QRCodeTypes type) {
    j = json::oneKeyObject(caseName(type));
}

void from_json(const Json& j, QRCodeTypes& type) {
    type = json::readOneKey<QRCodeTypes>(j);
}

std::string QRCodeStructure::qrPayloadString() const {
    switch (type) {
    case QRCodeTypes::people:
        if (contact_name.empty() && contact_tel.empty() && contact_email.empty() &&
            contact_url.empty()) {
            return {};
        }
        return "MECARD:N:" + mecardEscaped(contact_name) + ";TEL:" + mecardEscaped(contact_tel) +
               ";EMAIL:" + mecardEscaped(contact_email) +
               ";URL:" + mecardEscaped(normalizedWebAddress(contact_url)) + ";;";
    case QRCodeTypes::link:
        return normalizedWebAddress(url_url);
    case QRCodeTypes::text:
        return text_text;
    case QRCodeTypes::dates:
        if (!calendar_fromDate) {
            return {};
        }
        return "BEGIN:VEVENT\nSUMMARY:" + icalEscaped(calendar_title) +
               "\nDTSTART:" + icalUtcTime(*calendar_fromDate) +
               "\nDTEND:" + (calendar_toDate ? icalUtcTime(*calendar_toDate) : std::string()) +
               "\nEND:VEVENT";
    case QRCodeTypes::email:
        if (email_email.empty()) {
            return {};
        }
        return "mailto:" + email_email + "?subject=" + percentEncoded(email_subject) +
               "&body=" + percentEncoded(email_body);
    }
    return {};
}

void to_json(Json& j, const QRCodeStructure& code) {
    j = Json::object();
    j["id"] = code.id;
    j["itemname"] = code.itemname;
    j["type"] = code.type;
    j["contact_name"] = code.contact_name;
    j["contact_tel"] = code.contact_tel;
    j["contact_email"] = code.contact_email;
    j["contact_url"] = code.contact_url;
    j["url_url"] = code.url_url;
    j["text_text"] = code.text_text;
    j["email_email"] = code.email_email;
    j["email_subject"] = code.email_subject;
    j["email_body"] = code.email_body;
    if (code.calendar_fromDate) {
        j["calendar_fromDate"] = *code.calendar_fromDate;
    }
    if (code.calendar_toDate) {
        j["calendar_toDate"] = *code.calendar_toDate;
    }
    j["calendar_title"] = code.calendar_title;
    j["backgroundColor"] = code.backgroundColor;
    j["foregroundColor"] = code.foregroundColor;
}

void from_json(const Json& j, QRCodeStructure& code) {
    json::requireObject(j, "QRCodeStructure");
    code.id = json::member<std::string>(j, "id");
    code.itemname = json::member<std::string>(j, "itemname");
    code.type = json::member<QRCodeTypes>(j, "type");
    code.contact_name = json::member<std::string>(j, "contact_name");
    code.contact_tel = json::member<std::string>(j, "contact_tel");
    code.contact_email = json::member<std::string>(j, "contact_email");
    code.contact_url = json::member<std::string>(j, "contact_url");
    code.url_url = json::member<std::string>(j, "url_url");
    code.text_text = json::member<std::string>(j, "text_text");
    code.email_email = json::member<std::string>(j, "email_email");
    code.email_subject = json::member<std::string>(j, "email_subject");
    code.email_body = json::member<std::string>(j, "email_body");
    code.calendar_fromDate = json::optionalMember<Date>(j, "calendar_fromDate");
    code.calendar_toDate = json::optionalMember<Date>(j, "calendar_toDate");
    code.calendar_title = json::member<std::string>(j, "calendar_title");
    code.backgroundColor = json::member<std::string>(j, "backgroundColor");
    code.foregroundColor = json::member<std::string>(j, "foregroundColor");
}

std::optional<gfx::Color> qrColorFromHex(std::string_view hex) {
    if (hex.starts_with('#')) {
        hex.remove_prefix(1);
    }
    if ((hex.size() != 3 && hex.size() != 6) ||
        hex.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos) {
        return std::nullopt;
    }
    const auto digit = [&hex](size_t i) {
        const char c = hex[i];
        return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    };
    // Three digits stand for three doubled ones: "F0A" is "FF00AA".
    const auto component = [&](int index) {
        const int value =
            hex.size() == 3 ? digit(index) * 17 : digit(2 * index) * 16 + digit(2 * index + 1);
        return value / 255.0;
    };
    return gfx::Color{component(0), component(1), component(2), 1.0};
}

// The colours of a new record: "#FFFFFF" and "#000000".
gfx::Color QRCodeStructure::background() const {
    const std::optional<gfx::Color> ground = qrColorFromHex(backgroundColor);
    return ground && qrColorFromHex(foregroundColor) ? *ground : gfx::Color{1, 1, 1, 1};
}

gfx::Color QRCodeStructure::foreground() const {
    const std::optional<gfx::Color> modules = qrColorFromHex(foregroundColor);
    return modules && qrColorFromHex(backgroundColor) ? *modules : gfx::Color{0, 0, 0, 1};
}

} // namespace fen
