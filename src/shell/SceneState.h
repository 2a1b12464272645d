#pragma once

#include "shell/ShellPlatform.h"

#include <filesystem>
#include <string>
#include <vector>

namespace fen {

// A window kept at quit for the next start: its session and its restoration activity.
struct SavedScene {
    std::string session;
    UserActivity activity;
    bool operator==(const SavedScene&) const = default;
};

// The file the windows are kept in: fenmoor/scenes.json under $XDG_STATE_HOME, else under
// ~/.local/state.
std::filesystem::path sceneStateFile();

// Writes the windows as JSON (byte values as hexadecimal text, so any path survives) through a
// temporary file and a rename; with no windows the file is removed, so nothing is restored.
void writeSceneState(const std::filesystem::path& file, const std::vector<SavedScene>& scenes);
// The windows of the file; none when it is missing or malformed.
std::vector<SavedScene> readSceneState(const std::filesystem::path& file);

} // namespace fen
