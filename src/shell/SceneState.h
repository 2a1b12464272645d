#pragma once

#include "shell/ShellPlatform.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fen {

// A window kept at quit for the next start: its session, its restoration activity and its frame
// (the window's own saved geometry bytes; empty when it has none).
struct SavedScene {
    std::string session;
    UserActivity activity;
    std::string geometry;
    bool operator==(const SavedScene&) const = default;
};

// The file the windows are kept in: fenmoor/scenes.json under $XDG_STATE_HOME, else under
// ~/.local/state.
std::filesystem::path sceneStateFile();

// Writes the windows as JSON (byte values as hexadecimal text, so any path survives); with no
// windows the file is removed, so nothing is restored. False when the file could not be written:
// the earlier file is then left as it was.
bool writeSceneState(const std::filesystem::path& file, const std::vector<SavedScene>& scenes);
// Replaces `file` with `bytes` so that a crash or a full disk never leaves a part of either: a
// new file beside it, every byte written and synced to the disk before it is renamed over the
// old one. On any failure the new file is removed, the old one stays, and the result is false.
bool replaceFileDurably(const std::filesystem::path& file, std::string_view bytes);
// The windows of the file; none when it is missing or malformed.
std::vector<SavedScene> readSceneState(const std::filesystem::path& file);

} // namespace fen
