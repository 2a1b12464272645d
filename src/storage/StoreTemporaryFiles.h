#pragma once

#include "platform/foundation/Url.h"

#include <optional>
#include <string>

namespace fen {

// Writes a stored picture back to a file of its own, for the store's image lookup: a new folder
// named by a fresh UUID under the temporary directory, holding "image.pdf" or "image". Folders are
// never removed, so every call gives a new file that stays valid.
class StoreTemporaryFiles {
public:
    // The bytes as they are, named "image.pdf" when `isPDF`, else "image". With no bytes, the
    // folder is made and the URL of the (absent) file returned. When the folder or the file cannot
    // be written, the reason is printed as one line on standard error and nothing is returned.
    static std::optional<Url> writeImageData(const std::optional<std::string>& data, bool isPDF);
};

} // namespace fen
