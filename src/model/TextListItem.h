#pragma once

#include "model/Hashing.h"

#include <string>

namespace fen {

// One text of the text list. The document's selected item is the text that the text watermark
// shows; at export each text of the list gives one output file.
struct TextListItem {
    std::string id;
    std::string text;

    bool operator==(const TextListItem&) const = default;
};

} // namespace fen

template <> struct std::hash<fen::TextListItem> {
    std::size_t operator()(const fen::TextListItem& item) const noexcept {
        std::size_t seed = 0;
        fen::hashCombine(seed, item.id);
        fen::hashCombine(seed, item.text);
        return seed;
    }
};
