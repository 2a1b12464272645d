#pragma once

#include "intents/AppEnum.h"

#include <span>
#include <string_view>
#include <vector>

namespace fen {

// One action enumeration as the command line lists it: the name that `list-values` takes, the
// type title, and every case with its raw value and title in declaration order.
struct ActionEnumeration {
    std::string_view name;
    std::string_view typeTitle;
    std::span<const AppEnumCase> cases;

    // The case entry with this raw value (exact, case-sensitive); null when there is none.
    const AppEnumCase* find(std::string_view rawValue) const;
    // "a, b, c": the raw values, for messages that list what is valid.
    std::string rawValueList() const;
};

// The action enumerations: "positions" (where page numbers go), "preset-type" (which kind of
// stored preset to apply) and "text-position" (which end of a file name takes a text).
std::span<const ActionEnumeration> actionEnumerations();

// The enumeration with this name; null when there is none.
const ActionEnumeration* findActionEnumeration(std::string_view name);

template <typename E> ActionEnumeration makeActionEnumeration(std::string_view name) {
    return {name, AppEnumCases<E>::typeTitle, AppEnumCases<E>::cases};
}

} // namespace fen
