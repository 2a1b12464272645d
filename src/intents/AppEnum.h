#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace fen {

// One case of an action enumeration: the raw value that options and stored shortcuts carry, and
// the title shown to the user.
struct AppEnumCase {
    std::string_view rawValue;
    std::string_view title;
};

// The fixed choices of an action parameter. Each enumeration specialises this with its type
// title and one entry per case, in declaration order (the enumerators are numbered 0, 1, 2, ...
// in that order).
template <typename E> struct AppEnumCases;

// Every case, in declaration order.
template <typename E> constexpr auto appEnumAllCases() {
    constexpr auto& entries = AppEnumCases<E>::cases;
    std::array<E, entries.size()> all{};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        all[i] = static_cast<E>(i);
    }
    return all;
}

template <typename E> constexpr std::string_view rawValue(E value) {
    return AppEnumCases<E>::cases[static_cast<std::size_t>(value)].rawValue;
}

template <typename E> constexpr std::string_view caseTitle(E value) {
    return AppEnumCases<E>::cases[static_cast<std::size_t>(value)].title;
}

// The case whose raw value is exactly `text` (case-sensitive); nothing for any other text.
template <typename E> constexpr std::optional<E> appEnumFromRawValue(std::string_view text) {
    constexpr auto& entries = AppEnumCases<E>::cases;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].rawValue == text) {
            return static_cast<E>(i);
        }
    }
    return std::nullopt;
}

} // namespace fen
