#pragma once

#include "model/Json.h"
#include "model/OneKeyEnum.h"
#include "platform/foundation/Dates.h"
#include "platform/foundation/Uuid.h"
#include "platform/graphics/Geometry.h"

#include <optional>
#include <string>
#include <string_view>

namespace fen {

// The content type of a QR code: a contact card, a web address, free text, a calendar event or
// an e-mail to write. Stored in the one-key form ({"dates":{}}).
enum class QRCodeTypes { people, link, text, dates, email };

template <> struct EnumCases<QRCodeTypes> {
    static constexpr std::string_view typeName = "QRCodeTypes";
    static constexpr std::array<std::string_view, 5> names = {"people", "link", "text", "dates",
                                                              "email"};
};

void to_json(Json& j, QRCodeTypes type);
void from_json(const Json& j, QRCodeTypes& type);

// A QR code the user made, as kept in the QR code list. The fields of all five types exist side
// by side; the payload uses those of the current type. The record keeps what the user typed: any
// escaping happens only in the payload. Colours are hex texts (with or without "#").
struct QRCodeStructure {
    std::string id = newUuidString();
    std::string itemname;
    QRCodeTypes type = QRCodeTypes::people;
    std::string contact_name;
    std::string contact_tel;
    std::string contact_email;
    std::string contact_url;
    std::string url_url;
    std::string text_text;
    std::string email_email;
    std::string email_subject;
    std::string email_body;
    std::optional<Date> calendar_fromDate;
    std::optional<Date> calendar_toDate;
    std::string calendar_title;
    std::string backgroundColor = "#FFFFFF";
    std::string foregroundColor = "#000000";

    bool operator==(const QRCodeStructure&) const = default;

    // The text the QR image encodes, or "" when the type's required field is empty (no image):
    // - people: "MECARD:N:<name>;TEL:<tel>;EMAIL:<email>;URL:<address>;;" with `\ ; : ,`
    //   escaped by a backslash in every field; the address gets a scheme first; "" when all four
    //   contact fields are empty;
    // - link: the address with a scheme ("" for none);
    // - text: the text as typed;
    // - dates: "BEGIN:VEVENT\nSUMMARY:<title>\nDTSTART:<start>\nDTEND:<end>\nEND:VEVENT", the
    //   title escaped as iCalendar text, the times in UTC as yyyyMMddTHHmmssZ, an absent end
    //   leaving its line empty; "" without a start;
    // - email: "mailto:<address>?subject=<subject>&body=<body>" with subject and body
    //   percent-encoded (UTF-8); "" without an address.
    std::string qrPayloadString() const;

    // The colours to draw the code in. Six hexadecimal digits as the editor writes them, or three
    // read as CSS reads them ("F0A" is "FF00AA"), each with or without one leading "#"; any other
    // text (the wrong number of digits, a character that is no digit) in either of them gives the
    // colours of a new record, black on white, so a code that cannot be read as stored is never
    // drawn in one colour on itself (black on black, or white on white).
    gfx::Color background() const;
    gfx::Color foreground() const;
};

// A colour text of a QR code (see QRCodeStructure::background); none when it is not one.
std::optional<gfx::Color> qrColorFromHex(std::string_view hex);

// All 17 fields by name; the two dates (seconds since 2001) are left out when absent and read as
// absent when missing or null. Every other key is required.
void to_json(Json& j, const QRCodeStructure& code);
void from_json(const Json& j, QRCodeStructure& code);

} // namespace fen
