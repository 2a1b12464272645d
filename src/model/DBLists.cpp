#include "model/DBLists.h"

namespace fen {
namespace {

template <typename Entry> void writeNamed(Json& j, const Entry& entry) {
    j = Json::object();
    j["id"] = entry.id;
    j["name"] = entry.name;
}

template <typename Entry> void readNamed(const Json& j, Entry& entry, std::string_view typeName) {
    json::requireObject(j, typeName);
    entry.id = json::member<std::string>(j, "id");
    entry.name = json::member<std::string>(j, "name");
}

} // namespace

void to_json(Json& j, const StampList& entry) {
    writeNamed(j, entry);
}

void from_json(const Json& j, StampList& entry) {
    readNamed(j, entry, "StampList");
}

void to_json(Json& j, const PageNumberList& entry) {
    writeNamed(j, entry);
}

void from_json(const Json& j, PageNumberList& entry) {
    readNamed(j, entry, "PageNumberList");
}

void to_json(Json& j, const ImageList& entry) {
    writeNamed(j, entry);
    j["setting"] = entry.setting;
}

void from_json(const Json& j, ImageList& entry) {
    readNamed(j, entry, "ImageList");
    entry.setting = json::member<QRCodeStructure>(j, "setting");
}

} // namespace fen
