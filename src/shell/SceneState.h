#pragma once

#include "shell/ShellPlatform.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QSocketNotifier;

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

// The right to bring back and keep the windows of one folder of kept windows, which one program
// of the user holds at a time (their keeper) for as long as it lives. It is held twice over: by a
// lock on the folder, and by an address that the kernel keeps for the keeper, named after the
// user and the folder's path as written (an abstract socket address), which no clean-up or sync
// of the folder can remove, rename or replace. A program started while the keeper's folder is no
// longer at its path so still finds the keeper.
class KeptWindowsLock {
public:
    KeptWindowsLock() = default;
    ~KeptWindowsLock();
    KeptWindowsLock(const KeptWindowsLock&) = delete;
    KeptWindowsLock& operator=(const KeptWindowsLock&) = delete;

    // Takes the right for `folder`, made when missing: false while another program of this user
    // holds it. One that cannot tell (the folder cannot be opened, the address is another user's)
    // takes it, holding what it can.
    bool take(const std::filesystem::path& folder);
    // Whether the windows may be written into the folder at the path now: the one locked, or one
    // that no other keeper holds, which is then locked instead. False when another keeper holds
    // the folder found there (the folder was moved or removed, and another took its place).
    bool holdsFolderAtPath();
    void release();

private:
    // Binding and listening on the address: taken; held by another keeper of this user; held by
    // a program that does not answer as one (another user's); or no socket to be had.
    enum class Address { taken, anotherKeeper, heldByAnotherProgram, unavailable };
    Address takeAddress();
    // The folder at the path, opened and locked; -1 when another holds it (`heldByAnother`) or
    // it cannot be opened. The folder itself is locked: there is no lock file for another program
    // to remove or replace, and a folder that cannot be written is locked all the same.
    int lockFolder(bool& heldByAnother) const;

    std::filesystem::path folder_;
    int folderLock_ = -1;
    int address_ = -1;
    // Takes the connections of programs that ask who holds the address, so that they never fill
    // its queue.
    std::unique_ptr<QSocketNotifier> asked_;
};

} // namespace fen
