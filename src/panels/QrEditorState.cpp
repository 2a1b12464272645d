#include "panels/QrEditorState.h"

#include "model/ColorHex.h"
#include "storage/FenDatabaseManager.h"
#include "storage/OptionListModel.h"
#include "storage/QRCodeDBModel.h"

#include <algorithm>

namespace fen {

namespace {

std::string QRCodeStructure::*textMember(QrTextKey key) {
    switch (key) {
    case QrTextKey::contact_name:
        return &QRCodeStructure::contact_name;
    case QrTextKey::contact_tel:
        return &QRCodeStructure::contact_tel;
    case QrTextKey::contact_email:
        return &QRCodeStructure::contact_email;
    case QrTextKey::contact_url:
        return &QRCodeStructure::contact_url;
    case QrTextKey::url_url:
        return &QRCodeStructure::url_url;
    case QrTextKey::text_text:
        return &QRCodeStructure::text_text;
    case QrTextKey::email_email:
        return &QRCodeStructure::email_email;
    case QrTextKey::email_subject:
        return &QRCodeStructure::email_subject;
    case QrTextKey::email_body:
        return &QRCodeStructure::email_body;
    case QrTextKey::calendar_title:
        return &QRCodeStructure::calendar_title;
    }
    return &QRCodeStructure::contact_name;
}

std::optional<Date> QRCodeStructure::*dateMember(QrDateKey key) {
    return key == QrDateKey::from ? &QRCodeStructure::calendar_fromDate
                                  : &QRCodeStructure::calendar_toDate;
}

QrFormRow line(const std::string& label, QrTextKey key, bool verbatim) {
    return {QrFormRow::Kind::line, label, key, QrDateKey::from, verbatim};
}

QrFormRow multiline(const std::string& prompt, QrTextKey key) {
    return {QrFormRow::Kind::multiline, prompt, key, QrDateKey::from, false};
}

QrFormRow date(const std::string& label, QrDateKey key) {
    return {QrFormRow::Kind::date, label, QrTextKey::calendar_title, key, false};
}

} // namespace

std::vector<QrFormRow> qrFormRows(QRCodeTypes type) {
    switch (type) {
    case QRCodeTypes::people:
        return {line("Name", QrTextKey::contact_name, false),
                line("Telephone", QrTextKey::contact_tel, true),
                line("Email", QrTextKey::contact_email, true),
                line("URL", QrTextKey::contact_url, true)};
    case QRCodeTypes::link:
        return {line("URL", QrTextKey::url_url, true)};
    case QRCodeTypes::text:
        return {multiline("Multiline Text", QrTextKey::text_text)};
    case QRCodeTypes::dates:
        return {date("From", QrDateKey::from), date("To", QrDateKey::to),
                line("Title", QrTextKey::calendar_title, false)};
    case QRCodeTypes::email:
        return {line("Email", QrTextKey::email_email, true),
                line("Subject", QrTextKey::email_subject, false),
                multiline("Body", QrTextKey::email_body)};
    }
    return {};
}

const std::vector<QrTypeTab>& qrTypeTabs() {
    static const std::vector<QrTypeTab> tabs = {
        {QRCodeTypes::people, "Contact", "person"},       {QRCodeTypes::link, "Link", "link"},
        {QRCodeTypes::text, "Text", "square.and.pencil"}, {QRCodeTypes::dates, "Event", "calendar"},
        {QRCodeTypes::email, "E-mail", "envelope"},
    };
    return tabs;
}

std::string qrContentProblem(QRCodeGenerator::Content content) {
    switch (content) {
    case QRCodeGenerator::Content::fits:
        return {};
    case QRCodeGenerator::Content::empty:
        return "This QR code has no content.";
    case QRCodeGenerator::Content::tooLong:
        return "The content is too long for a QR code.";
    }
    return {};
}

std::string qrText(const QRCodeStructure& code, QrTextKey key) {
    return code.*textMember(key);
}

QRCodeStructure withQrText(QRCodeStructure code, QrTextKey key, std::string value) {
    code.*textMember(key) = std::move(value);
    return code;
}

std::optional<Date> qrDateShown(const QRCodeStructure& code, QrDateKey key) {
    return code.*dateMember(key);
}

QrEditorState::QrEditorState(OptionListModel& dbModel, QRCodeStructure code)
    : dbModel_(dbModel), qrcode_(std::move(code)) {}

namespace {

// The stored code with the fields in which `next` differs from `before` taken from `next`:
// what another window stored in the other fields since `before` was read stays. None when the
// code is no longer stored, or the codes could not be read (`read` false then).
std::optional<QRCodeStructure> storedWithChanges(const QRCodeStructure& before,
                                                 const QRCodeStructure& next, bool& read) {
    const std::optional<std::vector<QRCodeStructure>> stored = FenDatabaseManager::readQRCodes();
    read = stored.has_value();
    if (!read) {
        return std::nullopt;
    }
    const std::vector<QRCodeStructure>& codes = *stored;
    const auto found = std::find_if(codes.begin(), codes.end(), [&](const QRCodeStructure& code) {
        return code.id == next.id;
    });
    if (found == codes.end()) {
        return std::nullopt;
    }
    QRCodeStructure merged = *found;
    const auto carry = [&](auto member) {
        if (next.*member != before.*member) {
            merged.*member = next.*member;
        }
    };
    carry(&QRCodeStructure::itemname);
    carry(&QRCodeStructure::type);
    carry(&QRCodeStructure::contact_name);
    carry(&QRCodeStructure::contact_tel);
    carry(&QRCodeStructure::contact_email);
    carry(&QRCodeStructure::contact_url);
    carry(&QRCodeStructure::url_url);
    carry(&QRCodeStructure::text_text);
    carry(&QRCodeStructure::email_email);
    carry(&QRCodeStructure::email_subject);
    carry(&QRCodeStructure::email_body);
    carry(&QRCodeStructure::calendar_fromDate);
    carry(&QRCodeStructure::calendar_toDate);
    carry(&QRCodeStructure::calendar_title);
    carry(&QRCodeStructure::backgroundColor);
    carry(&QRCodeStructure::foregroundColor);
    return merged;
}

} // namespace

bool QrEditorState::assign(const QRCodeStructure& next) {
    if (next == qrcode_) {
        return false;
    }
    // Only the changed fields are written over the stored code, so an edit of another field of
    // the same code in another window is not undone by this editor's older copy of it. A code no
    // longer stored takes nothing.
    dbModel_.change([before = qrcode_, next] {
        bool read = false;
        const std::optional<QRCodeStructure> merged = storedWithChanges(before, next, read);
        return read && (!merged || FenDatabaseManager::updateQRCode(*merged));
    });
    qrcode_ = next;
    changed.emit();
    return true;
}

std::string QrEditorState::commitName(const std::string& title) {
    if (title.empty()) {
        return qrcode_.itemname;
    }
    QRCodeStructure next = qrcode_;
    next.itemname = title;
    assign(next);
    return title;
}

bool QrEditorState::setType(QRCodeTypes type) {
    QRCodeStructure next = qrcode_;
    next.type = type;
    return assign(next);
}

bool QrEditorState::commitText(QrTextKey key, const std::string& value) {
    return assign(withQrText(qrcode_, key, value));
}

bool QrEditorState::commitDate(QrDateKey key, Date date) {
    QRCodeStructure next = qrcode_;
    next.*dateMember(key) = date;
    return assign(next);
}

std::pair<gfx::Color, gfx::Color> QrEditorState::openColours() {
    const gfx::Color background = qrcode_.background();
    const gfx::Color foreground = qrcode_.foreground();
    QRCodeStructure next = qrcode_;
    next.backgroundColor = colorHexString(background);
    next.foregroundColor = colorHexString(foreground);
    assign(next);
    return {background, foreground};
}

bool QrEditorState::setBackgroundColor(const gfx::Color& color) {
    QRCodeStructure next = qrcode_;
    next.backgroundColor = colorHexString(gfx::Color{color.red, color.green, color.blue, 1});
    return assign(next);
}

bool QrEditorState::setForegroundColor(const gfx::Color& color) {
    QRCodeStructure next = qrcode_;
    next.foregroundColor = colorHexString(gfx::Color{color.red, color.green, color.blue, 1});
    return assign(next);
}

void QrEditorState::remove() {
    dbModel_.change([id = qrcode_.id] { return FenDatabaseManager::removeQRCode(id); });
}

namespace qrlist {

void add(OptionListModel& dbModel, const std::string& name) {
    if (!name.empty()) {
        dbModel.change([name] { return QRCodeDBModel::storeNewCode(name); });
    }
}

bool showsRow(const SPAOptions& option) {
    const SPAOptions none = SPAOptions::none();
    return !(option.id == none.id && option.title == none.title);
}

QRCodeStructure load(const OptionListModel& dbModel, const std::string& id) {
    if (const auto* codes = std::any_cast<std::vector<QRCodeStructure>>(&dbModel.entries())) {
        for (const QRCodeStructure& code : *codes) {
            if (code.id == id) {
                return code;
            }
        }
    }
    return QRCodeStructure{};
}

void remove(OptionListModel& dbModel, const std::string& id) {
    if (id == SPAOptions::kNoneID) {
        return;
    }
    dbModel.change([id] { return FenDatabaseManager::removeQRCode(id); });
}

} // namespace qrlist

} // namespace fen
