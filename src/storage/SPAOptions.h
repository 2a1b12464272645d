#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace fen {

// One option of a source picker: the identifier the panel keeps as its selection, and the title
// shown in the menu. Every option list begins with the "none" option.
struct SPAOptions {
    std::string id;
    std::string title;

    bool operator==(const SPAOptions&) const = default;

    // The identifier of the "none" option; a panel whose selection is this has nothing selected.
    static constexpr const char* kNoneID = "######";

    // The "none" option: kNoneID and the title "None" in the user's language.
    static SPAOptions none();

    // Turns the English "None" into the user's language; the application installs its
    // translator at start (without one, the title stays "None").
    static void setTranslator(std::function<std::string(const std::string&)> translator);
};

} // namespace fen

template <> struct std::hash<fen::SPAOptions> {
    std::size_t operator()(const fen::SPAOptions& option) const noexcept {
        std::size_t h = std::hash<std::string>{}(option.id);
        return h ^ (std::hash<std::string>{}(option.title) + 0x9e3779b97f4a7c15ULL + (h << 6) +
                    (h >> 2));
    }
};
