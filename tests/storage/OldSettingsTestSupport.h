#pragma once

#include <plist/plist.h>

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <utility>

namespace fen::test {

// Builders of property lists for the tests of the earlier version's settings. Each returns a new
// libplist node; a node passed into a container belongs to it, and xml() and binary() free the
// root they are given.
inline plist_t plText(const std::string& value) {
    return plist_new_string(value.c_str());
}
inline plist_t plInt(std::int64_t value) {
    return plist_new_uint(static_cast<uint64_t>(value));
}
inline plist_t plReal(double value) {
    return plist_new_real(value);
}
inline plist_t plBool(bool value) {
    return plist_new_bool(value ? 1 : 0);
}
// A date as seconds since 2001-01-01 UTC.
inline plist_t plDate(int32_t seconds) {
    return plist_new_date(seconds, 0);
}
inline plist_t plData(const std::string& bytes) {
    return plist_new_data(bytes.data(), bytes.size());
}

inline plist_t plDict(std::initializer_list<std::pair<const char*, plist_t>> members) {
    plist_t dict = plist_new_dict();
    for (const auto& [key, value] : members) {
        plist_dict_set_item(dict, key, value);
    }
    return dict;
}

inline plist_t plArray(std::initializer_list<plist_t> items) {
    plist_t array = plist_new_array();
    for (plist_t item : items) {
        plist_array_append_item(array, item);
    }
    return array;
}

inline std::string xml(plist_t root) {
    char* text = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &text, &length);
    std::string result(text, length);
    std::free(text);
    plist_free(root);
    return result;
}

inline std::string binary(plist_t root) {
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    std::string result(bytes, length);
    std::free(bytes);
    plist_free(root);
    return result;
}

} // namespace fen::test
