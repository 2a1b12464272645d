#pragma once

#include "storage/SPAOptions.h"

#include <functional>
#include <string>

namespace fen {

class StampDBModel;

// The edits of the stored stamp texts made in the stamp list sheet: each goes to the store through
// the model (OptionListModel::change), which then reads its options again, from which the sheet and
// the picker take their entries. A row is deleted by the identifier it shows, so another window's
// change of the list never makes it delete another text.
class StampListLogic {
public:
    explicit StampListLogic(StampDBModel& model) : model_(model) {}

    // Stores `text` as it stands under a new identifier (a second equal text is a second entry);
    // an empty text stores nothing. Either way the entry field is emptied (the caller does it),
    // unless the store refused the text: `answered` hears false then, and the caller gives the
    // text back to the field so the user can try again.
    void add(const std::string& text, std::function<void(bool stored)> answered = {});
    // Removes the stored text of the row `id`; "none" and an identifier the model does not list
    // remove nothing. Answers whether a removal was asked for.
    bool remove(const std::string& id);

    // Whether an option draws a row: every one but "none" (both its identifier and title).
    static bool showsRow(const SPAOptions& option);

private:
    StampDBModel& model_;
};

} // namespace fen
