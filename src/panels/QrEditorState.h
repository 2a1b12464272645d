#pragma once

#include "model/QRCodeStructure.h"
#include "platform/foundation/Dates.h"
#include "platform/foundation/Signal.h"
#include "platform/graphics/Geometry.h"
#include "rendering/QRCodeGenerator.h"
#include "storage/SPAOptions.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fen {

class OptionListModel;

// The text keys of a QR code record that the data-entry forms edit.
enum class QrTextKey {
    contact_name,
    contact_tel,
    contact_email,
    contact_url,
    url_url,
    text_text,
    email_email,
    email_subject,
    email_body,
    calendar_title,
};

// The two dates of a calendar event.
enum class QrDateKey { from, to };

// One row of a data-entry form: a single-line field named by its label, a growing text field
// named by its prompt (line breaks allowed), or a date row ("From", "To").
struct QrFormRow {
    enum class Kind { line, multiline, date };
    Kind kind = Kind::line;
    std::string label;
    QrTextKey textKey = QrTextKey::contact_name;
    QrDateKey dateKey = QrDateKey::from;
    // Typed as it stands: no automatic capitals or corrections (addresses and numbers).
    bool verbatim = false;
};

// The rows of the form of `type`, top to bottom.
std::vector<QrFormRow> qrFormRows(QRCodeTypes type);

// The five types in the order of the type selector, with the tab title and symbol of each.
struct QrTypeTab {
    QRCodeTypes type;
    std::string title;
    std::string imagename;
};
const std::vector<QrTypeTab>& qrTypeTabs();

// The line that tells why a code makes no picture (an English text key); empty when it makes one.
std::string qrContentProblem(QRCodeGenerator::Content content);

std::string qrText(const QRCodeStructure& code, QrTextKey key);
// A copy of `code` in which only `key` holds `value`.
QRCodeStructure withQrText(QRCodeStructure code, QrTextKey key, std::string value);
// The date a form shows: the one stored, or none while none is stored (the code then has no
// payload, and a form that showed a date it does not hold would tell of an event it does not
// encode).
std::optional<Date> qrDateShown(const QRCodeStructure& code, QrDateKey key);

// The editor of one stored QR code without its widgets. It keeps the edited record and stores it
// (through the shared options' model, OptionListModel::change, which reads them again after)
// whenever an edit leaves it different field by field from what it was, so the list and the image
// picker show the current names. Every edit replaces one field only; the fields of the other types
// keep their values. An identifier that is not (or no longer) stored can still be edited here;
// nothing reaches the store.
class QrEditorState {
public:
    QrEditorState(OptionListModel& dbModel, QRCodeStructure code);

    const QRCodeStructure& qrcode() const { return qrcode_; }

    // Replaces the record. When it differs from the current one: stores the fields that differ
    // over the code as stored now (another window's edits of other fields stay), reloads the
    // options and announces the change. Answers whether it differed.
    bool assign(const QRCodeStructure& next);

    // The name field's commit (Return or a change of its focus): a typed name that is not empty
    // becomes the name as it stands; an empty one changes nothing. Answers the text the field
    // shows afterwards: the name kept.
    std::string commitName(const std::string& title);
    bool setType(QRCodeTypes type);
    bool commitText(QrTextKey key, const std::string& value);
    // A day picked in a calendar.
    bool commitDate(QrDateKey key, Date date);

    // The wells' colours when the editor opens, read from the record (with or without "#"). They
    // are written back at once in six-digit form, so a code stored with "#" is rewritten once.
    std::pair<gfx::Color, gfx::Color> openColours();
    // A well's colour: its RGB components as six upper-case hexadecimal digits.
    bool setBackgroundColor(const gfx::Color& color);
    bool setForegroundColor(const gfx::Color& color);

    // Removes every stored code with the record's identifier and reloads the options.
    void remove();

    // The text the preview encodes ("" for none).
    std::string payload() const { return qrcode_.qrPayloadString(); }

    // Sent after each change of the record.
    Signal<> changed;

private:
    OptionListModel& dbModel_;
    QRCodeStructure qrcode_;
};

// The QR code list's steps, each stored through the model (OptionListModel::change), which then
// reads the options again.
namespace qrlist {

// Stores a new, empty contact code named `name` as it stands (white ground, black code); an
// empty name stores nothing.
void add(OptionListModel& dbModel, const std::string& name);
// Whether an option draws a row: every one but "none" (its identifier and its title).
bool showsRow(const SPAOptions& option);
// The code a row opens, as the model's last read gave it: the first with that identifier, or a
// new default code (which the editor then cannot store).
QRCodeStructure load(const OptionListModel& dbModel, const std::string& id);
// Removes every stored code with the identifier of the row; "none" removes nothing.
void remove(OptionListModel& dbModel, const std::string& id);

} // namespace qrlist

} // namespace fen
