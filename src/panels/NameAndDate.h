#pragma once

#include "panels/NameAndDateLogic.h"

#include <QWidget>

namespace fen {

class DateSelector;
class KvToggle;
class NameSelector;

// The stamp panel's last section: "Include Date & Name" and, while it is on, the name row and the
// date row. It edits the panel's date-and-name record through `write` and setDateandname; "now"
// comes from `clock` (the current time when none is given).
class NameAndDate : public QWidget {
    Q_OBJECT
public:
    NameAndDate(const DateAndName& dateandname, std::function<void(const DateAndName&)> write,
                NameAndDateLogic::Clock clock = {}, QWidget* parent = nullptr);

    // The bound record changed from outside (a loaded preset).
    void setDateandname(const DateAndName& record);

    const NameAndDateLogic& logic() const { return logic_; }
    KvToggle* includeToggle() const { return include_; }
    NameSelector* nameSelector() const { return name_; }
    DateSelector* dateSelector() const { return date_; }

private:
    void refresh();

    NameAndDateLogic logic_;
    KvToggle* include_;
    NameSelector* name_;
    DateSelector* date_;
};

} // namespace fen
