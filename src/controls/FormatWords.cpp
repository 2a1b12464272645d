#include "controls/FormatWords.h"

#include <algorithm>

namespace fen {

const std::vector<std::string>& pageNumberFormatTags() {
    static const std::vector<std::string> tags = {"#currentPage", "#totalPages", "#lastPage",
                                                  "#filename"};
    return tags;
}

std::vector<std::string> splitFormatWords(const std::string& text) {
    std::vector<std::string> words(1);
    for (const char c : text) {
        if (c == ' ') {
            words.emplace_back();
        } else {
            words.back() += c;
        }
    }
    return words;
}

bool isFormatToken(const std::string& word, const std::vector<std::string>& tags) {
    return std::find(tags.begin(), tags.end(), word) != tags.end();
}

} // namespace fen
