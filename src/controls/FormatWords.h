#pragma once

#include <string>
#include <vector>

namespace fen {

// The tags a page-number format offers, in the order they are listed.
const std::vector<std::string>& pageNumberFormatTags();

// A format text cut at every single space into the pieces between them: two spaces give an empty
// piece, a leading or trailing space an empty first or last piece, an empty text one empty piece.
std::vector<std::string> splitFormatWords(const std::string& text);

// A word is drawn as a token when it equals one of the tags exactly ("#currentPage." is a word).
bool isFormatToken(const std::string& word, const std::vector<std::string>& tags);

} // namespace fen
