#include "panels/NameAndDateLogic.h"

#include "model/StartOfToday.h"

namespace fen {

NameAndDateLogic::NameAndDateLogic(std::function<void(const DateAndName&)> write, Clock now)
    : write_(std::move(write)), now_(now ? std::move(now) : Clock([] { return Date::now(); })) {
    date_ = startOfToday(now_());
}

bool NameAndDateLogic::isWithinToday(const Date& date, const Date& now) {
    return startOfDay(date) == startOfToday(now);
}

void NameAndDateLogic::load(const DateAndName& record) {
    bound_ = record;
    includedateandname_ = record.isIncluded;
    name_ = record.nameValue;
    const Date now = now_();
    // A current date of another day becomes today; any other date is kept as stored.
    const bool redate = record.isDateCurrent && !isWithinToday(record.dateValue, now);
    date_ = redate ? startOfToday(now) : record.dateValue;
    isNameActive_ = record.isNameActive;
    isDateActive_ = record.isDateActive;
    isDateCurrent_ = record.isDateCurrent;
    if (redate) {
        // As a pick of that day: written and marked current.
        DateAndName next = record;
        next.dateValue = date_;
        next.isDateCurrent = true;
        isDateCurrent_ = true;
        writeBound(next);
    }
}

DateAndName NameAndDateLogic::record() const {
    return DateAndName{includedateandname_, isNameActive_, name_,
                       isDateActive_,       date_,         isDateCurrent_};
}

void NameAndDateLogic::setIncludedateandname(bool value) {
    if (value == includedateandname_) {
        return;
    }
    includedateandname_ = value;
    if (bound_.isIncluded != value) {
        writeBound(record());
    }
}

void NameAndDateLogic::setName(const std::string& value) {
    if (value == name_) {
        return;
    }
    name_ = value;
    if (bound_.nameValue != value) {
        writeBound(record());
    }
}

void NameAndDateLogic::setIsNameActive(bool value) {
    if (value == isNameActive_) {
        return;
    }
    isNameActive_ = value;
    if (bound_.isNameActive != value) {
        writeBound(record());
    }
}

void NameAndDateLogic::setIsDateActive(bool value) {
    if (value == isDateActive_) {
        return;
    }
    isDateActive_ = value;
    if (bound_.isDateActive != value) {
        writeBound(record());
    }
}

void NameAndDateLogic::setDate(const Date& value) {
    if (value == date_) {
        return;
    }
    date_ = value;
    if (bound_.dateValue == value) {
        return;
    }
    DateAndName next = record();
    next.isDateCurrent = isWithinToday(value, now_());
    writeBound(next);
}

void NameAndDateLogic::writeBound(const DateAndName& value) {
    if (value == bound_) {
        return;
    }
    bound_ = value;
    // The written record comes back as the bound one: its current-date mark is taken.
    isDateCurrent_ = value.isDateCurrent;
    if (write_) {
        write_(value);
    }
}

} // namespace fen
