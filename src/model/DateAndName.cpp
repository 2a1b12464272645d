#include "model/DateAndName.h"

namespace fen {

void to_json(Json& j, const DateAndName& line) {
    j = Json::object();
    j["isIncluded"] = line.isIncluded;
    j["isNameActive"] = line.isNameActive;
    j["nameValue"] = line.nameValue;
    j["isDateActive"] = line.isDateActive;
    j["dateValue"] = line.dateValue;
    j["isDateCurrent"] = line.isDateCurrent;
}

void from_json(const Json& j, DateAndName& line) {
    json::requireObject(j, "DateAndName");
    line.isIncluded = json::member<bool>(j, "isIncluded");
    line.isNameActive = json::member<bool>(j, "isNameActive");
    line.nameValue = json::member<std::string>(j, "nameValue");
    line.isDateActive = json::member<bool>(j, "isDateActive");
    line.dateValue = json::member<Date>(j, "dateValue");
    line.isDateCurrent = json::member<bool>(j, "isDateCurrent");
}

} // namespace fen
