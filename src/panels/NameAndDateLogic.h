#pragma once

#include "model/DateAndName.h"

#include <functional>
#include <string>

namespace fen {

// The rules of the stamp's date-and-name section without a widget: local copies of the switches,
// the name and the date, loaded from the bound record and written back whole when the user
// changes one to a value the record does not hold. A date picked on its own day is marked current;
// a current date loaded on a later day is re-dated to the start of today and written so, so the
// stamp prints the day the document is worked on. "Now" comes from the injected clock.
class NameAndDateLogic {
public:
    using Clock = std::function<Date()>;

    NameAndDateLogic(std::function<void(const DateAndName&)> write, Clock now);

    bool includedateandname() const { return includedateandname_; }
    const std::string& name() const { return name_; }
    bool isNameActive() const { return isNameActive_; }
    const Date& date() const { return date_; }
    bool isDateActive() const { return isDateActive_; }
    bool isDateCurrent() const { return isDateCurrent_; }
    const DateAndName& bound() const { return bound_; }

    // The section appears, or the bound record changed: takes every field that differs. Writes
    // only the re-dating of a current date of another day.
    void load(const DateAndName& record);

    // The user's changes.
    void setIncludedateandname(bool value);
    void setName(const std::string& value);
    void setIsNameActive(bool value);
    void setIsDateActive(bool value);
    void setDate(const Date& value);

    // Whether `date` lies within the day of `now` (local time).
    static bool isWithinToday(const Date& date, const Date& now);

private:
    DateAndName record() const;
    void writeBound(const DateAndName& value);

    std::function<void(const DateAndName&)> write_;
    Clock now_;
    DateAndName bound_;
    bool includedateandname_ = true;
    std::string name_;
    bool isNameActive_ = false;
    Date date_;
    bool isDateActive_ = false;
    bool isDateCurrent_ = true;
};

} // namespace fen
