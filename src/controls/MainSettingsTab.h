#pragma once

#include <string>

namespace fen {

// One tab of the settings tab's segmented row: its identifier, its title (the tab's accessible
// name; the row draws no titles), the symbol it shows and its number (not used by the row). A
// tab's place in the row is its position in the list, the first tab equal to it.
struct MainSettingsTab {
    std::string id;
    std::string title;
    std::string imagename;
    int idx = 0;

    bool operator==(const MainSettingsTab&) const = default;
};

} // namespace fen
