#include "support/TemporaryDirectoryScope.h"

#include <cstdlib>

namespace fen::test {

namespace fs = std::filesystem;

TemporaryDirectoryScope::TemporaryDirectoryScope(TempDir::Reach reach) : dir_(reach) {
    if (const char* old = std::getenv("TMPDIR")) {
        previous_ = old;
    }
    setenv("TMPDIR", dir_.path().c_str(), 1);
}

TemporaryDirectoryScope::~TemporaryDirectoryScope() {
    if (previous_) {
        setenv("TMPDIR", previous_->c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
}

std::vector<fs::path> TemporaryDirectoryScope::entries() const {
    std::vector<fs::path> out;
    for (const auto& entry : fs::directory_iterator(path())) {
        out.push_back(entry.path());
    }
    return out;
}

std::vector<fs::path> TemporaryDirectoryScope::filesLeft() const {
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(path())) {
        if (e.is_regular_file() || (e.is_directory() && fs::is_empty(e.path()))) {
            files.push_back(e.path());
        }
    }
    return files;
}

} // namespace fen::test
