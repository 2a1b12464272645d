#pragma once

#include "model/Json.h"

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace fen {

// The case names of an enumeration that is stored in the one-key form. Each such enumeration
// specialises it with `typeName` and `names`, one name per case in case-index order (the
// enumerators are numbered 0, 1, 2, ... in that order).
template <typename E> struct EnumCases;

// Every case of a one-key enumeration, in case-index order.
template <typename E> constexpr auto allCases() {
    constexpr auto& names = EnumCases<E>::names;
    std::array<E, names.size()> cases{};
    for (std::size_t i = 0; i < names.size(); ++i) {
        cases[i] = static_cast<E>(i);
    }
    return cases;
}

// The case name: the member name of the value's JSON form.
template <typename E> constexpr std::string_view caseName(E value) {
    return EnumCases<E>::names[static_cast<std::size_t>(value)];
}

namespace json {

// {"caseName":{}}
Json oneKeyObject(std::string_view caseName);

// Reads the one-key form against a list of case names and gives the index of the case. Members
// named after no case are ignored; none or several case-named members fail as a type mismatch
// with "Invalid number of keys found, expected one."; a value that is not an object, or a case
// member whose value is not an object, fails as a type mismatch (null: value not found).
std::size_t readOneKeyIndex(const Json& j, std::span<const std::string_view> names,
                            std::string_view typeName);

template <typename E> E readOneKey(const Json& j) {
    return static_cast<E>(readOneKeyIndex(j, EnumCases<E>::names, EnumCases<E>::typeName));
}

} // namespace json
} // namespace fen
