#include "model/OneKeyEnum.h"

namespace fen::json {

Json oneKeyObject(std::string_view caseName) {
    Json j = Json::object();
    j[std::string(caseName)] = Json::object();
    return j;
}

std::size_t readOneKeyIndex(const Json& j, std::span<const std::string_view> names,
                            std::string_view typeName) {
    requireObject(j, typeName);
    std::size_t found = names.size();
    std::size_t count = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (j.contains(std::string(names[i]))) {
            found = i;
            ++count;
        }
    }
    if (count != 1) {
        throw JsonError(JsonError::Kind::typeMismatch,
                        "Invalid number of keys found, expected one.");
    }
    std::string key(names[found]);
    atPath(key, [&] {
        const Json& inner = j.at(key);
        if (!inner.is_object()) {
            throwTypeMismatch(inner, "an empty object for the case");
        }
    });
    return found;
}

} // namespace fen::json
