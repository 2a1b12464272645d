#pragma once

#include <functional>
#include <optional>
#include <string>

namespace fen::test {

// Runs `probe` in a child process and gives what it returned. When the tests run as root, the
// child first becomes an unprivileged user (nobody, 65534): root writes into any folder, whatever
// its permissions, so a folder without write permission refuses only such a user. That user
// reaches only what every user may pass through: the folders it uses are made with
// TempDir::Reach::everyone, never in the build tree, which may lie in a folder closed to others.
// None when the child could not be started, could not give up root, or did not end normally.
std::optional<std::string> inUnprivilegedChild(const std::function<std::string()>& probe);

} // namespace fen::test
