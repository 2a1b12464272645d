#pragma once

#include <string>

namespace fen {

// A new random (version 4) UUID as text in the form the store and the file folders use: upper
// case, with hyphens
// ("E621E1F8-C36C-495A-93FC-0C247A3E6E5F").
std::string newUuidString();

// True when `text` is a UUID in the 8-4-4-4-12 hexadecimal form (either case).
bool isUuidString(const std::string& text);

} // namespace fen
