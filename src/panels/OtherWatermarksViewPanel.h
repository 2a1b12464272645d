#pragma once

#include "storage/SPAOptions.h"

#include <QWidget>

#include <functional>
#include <string>

class QLineEdit;

namespace fen {

class FormatTokensView;
class OptionListModel;
class StyledButton;

// The editor of one stored page-number format: the field "Enter the text with tags", the text
// under it drawn with its tags as tokens (following every key), the tags there are, and "Delete".
// The text is stored under the entry's identifier whenever it differs from the text stored last:
// when the field loses the focus, on Return, and when the sheet goes back, is done or closes
// (commit()); nothing else is lost with the sheet. Storing under an identifier that is no longer
// stored writes nothing, so a deleted format never comes back. "Delete" removes the entry and
// returns to the list. The format options are read again after every write (see
// OptionListModel::change).
class OtherWatermarksViewPanel : public QWidget {
    Q_OBJECT
public:
    OtherWatermarksViewPanel(OptionListModel& dbModel, SPAOptions pagenumber,
                             std::function<void()> dismiss, QWidget* parent = nullptr);

    // Stores the field's text when it differs from the text stored last.
    void commit();

    QLineEdit* field() const { return field_; }
    FormatTokensView* tokens() const { return tokens_; }
    StyledButton* deleteButton() const { return delete_; }
    const SPAOptions& pagenumber() const { return pagenumber_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    OptionListModel& dbModel_;
    SPAOptions pagenumber_;
    std::function<void()> dismiss_;
    std::string stored_;
    bool deleted_ = false;
    QLineEdit* field_;
    FormatTokensView* tokens_;
    StyledButton* delete_;
};

} // namespace fen
