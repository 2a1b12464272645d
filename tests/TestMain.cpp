// Entry point of every test program. The data and temporary folders point into the build tree
// before any test runs, so that no test touches the user's own store and what the program leaves
// for the user in the temporary folder (written files, picked pictures) stays out of /tmp. Set
// here rather than by ctest so that a test program run by hand behaves the same.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <system_error>

namespace {

void pointInto(const char* variable, const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    setenv(variable, folder.c_str(), 1);
}

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path build{FENMOOR_BINARY_DIR};
    pointInto("XDG_DATA_HOME", build / "test-xdg-data");
    pointInto("TMPDIR", build / "test-tmp");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
