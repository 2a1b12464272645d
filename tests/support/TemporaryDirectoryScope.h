#pragma once

#include "support/TestSupport.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fen::test {

// Points the process's temporary directory (TMPDIR, inherited by child processes) at a fresh
// folder while it lives, so that a test sees exactly what the code under test leaves there.
class TemporaryDirectoryScope {
public:
    explicit TemporaryDirectoryScope(TempDir::Reach reach = TempDir::Reach::owner);
    ~TemporaryDirectoryScope();
    TemporaryDirectoryScope(const TemporaryDirectoryScope&) = delete;
    TemporaryDirectoryScope& operator=(const TemporaryDirectoryScope&) = delete;

    const std::filesystem::path& path() const { return dir_.path(); }
    // The entries directly in the folder.
    std::vector<std::filesystem::path> entries() const;
    // Every file below the folder, and every folder there that holds nothing.
    std::vector<std::filesystem::path> filesLeft() const;

private:
    TempDir dir_;
    std::optional<std::string> previous_;
};

} // namespace fen::test
