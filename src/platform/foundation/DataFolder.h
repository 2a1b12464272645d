#pragma once

#include <filesystem>

namespace fen {

// The folder of the program's own data (the fontconfig file, icons): $FENMOOR_DATA_DIR when set;
// else found from the running program's path: the installed data folder beside its bin folder
// (../share/fenmoor), or for a program run from its build tree the source tree's data/, which the
// file fenmoor-source-data in the build folder names. When neither exists, the installed place.
std::filesystem::path dataFolder();

} // namespace fen
