#pragma once

#include "model/Json.h"
#include "model/QRCodeStructure.h"
#include "platform/foundation/Dates.h"
#include "platform/foundation/Uuid.h"

#include <string>
#include <vector>

namespace fen {

// The entries of the three stored lists. An entry made without an identifier gets a fresh
// upper-case UUID text; reading requires one and never makes one up.

// A stamp text offered by the stamp panel (name is the text itself).
struct StampList {
    std::string id = newUuidString();
    std::string name;

    bool operator==(const StampList&) const = default;
};

// A page-number format text with the tags "#currentPage", "#totalPages" and "#lastPage".
struct PageNumberList {
    std::string id = newUuidString();
    std::string name;

    bool operator==(const PageNumberList&) const = default;
};

// A QR code of the QR code list: a display name and the code itself. The list storage keeps id
// equal to the code's own identifier and finds entries by it.
struct ImageList {
    std::string id = newUuidString();
    std::string name;
    QRCodeStructure setting;

    bool operator==(const ImageList&) const = default;
};

// The stored container of one list, one JSON blob per kind: the entries in list order and the
// time of the last addition in seconds since 1970 (the list storage sets it; 0 for a seeded
// default list). A new container has now.
template <typename T> struct DBLists {
    double lastSaved = Date::now().unixSeconds();
    std::vector<T> lists;

    bool operator==(const DBLists&) const = default;
};

// {"id":"...","name":"..."} (and "setting" for QR codes); every key is required.
void to_json(Json& j, const StampList& entry);
void from_json(const Json& j, StampList& entry);
void to_json(Json& j, const PageNumberList& entry);
void from_json(const Json& j, PageNumberList& entry);
void to_json(Json& j, const ImageList& entry);
void from_json(const Json& j, ImageList& entry);

// {"lastSaved":0,"lists":[...]}
template <typename T> void to_json(Json& j, const DBLists<T>& container) {
    j = Json::object();
    j["lastSaved"] = container.lastSaved;
    j["lists"] = Json::array();
    for (const auto& entry : container.lists) {
        j["lists"].push_back(entry);
    }
}

template <typename T> void from_json(const Json& j, DBLists<T>& container) {
    json::requireObject(j, "DBLists");
    container.lastSaved = json::member<double>(j, "lastSaved");
    container.lists = json::member<std::vector<T>>(j, "lists");
}

} // namespace fen
