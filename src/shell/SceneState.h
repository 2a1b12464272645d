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
// ~/.local/state. Its folder is made open to the user alone (0700).
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
// of the user holds at a time (their keeper) for as long as it lives. It is held by a lock on the
// folder, and by locks on marks that nothing done to the folder moves: a file beside it, and
// files named after its path in the user's own temporary folder. A program started while the
// keeper's folder is no longer at its path, or that spells the path through another link, so
// still finds the keeper. The folder and the marks are the user's alone (modes 0700 and 0600):
// a lock on one that another user owns, or could open when it was found, is never taken for a
// keeper's, since that user may hold it; a folder or mark of the user's own that others could
// open is made anew, so that whatever they hold open is no longer it. Nothing listens for
// connections that another user could flood.
class KeptWindowsLock {
public:
    // Who may bring back and keep the windows of a folder.
    enum class Holder {
        thisProgram,   // this program, which holds the right (or cannot tell, and takes it)
        anotherKeeper, // another program of this user, which holds the right
        anotherUser,   // nobody of this user: the folder belongs to another user
    };

    KeptWindowsLock() = default;
    ~KeptWindowsLock();
    KeptWindowsLock(const KeptWindowsLock&) = delete;
    KeptWindowsLock& operator=(const KeptWindowsLock&) = delete;

    // Takes the right for `folder`, made when missing; holds nothing unless the result is
    // thisProgram. One that cannot tell (a mark or the folder cannot be opened) takes it,
    // holding what it can.
    Holder take(const std::filesystem::path& folder);
    // Who may write the windows into the folder at the path now: this program when it is the one
    // locked, or one that no other keeper holds, which is then locked instead. Another keeper or
    // another user when the folder was moved or removed, and theirs took its place.
    Holder holderOfFolderAtPath();
    void release();

private:
    // Locks those of the folder's marks that can be had; false when another keeper holds one.
    bool lockMarks();
    // The folder at the path, opened and locked (made the user's alone first); -1 when it cannot
    // be, with `holder` telling whether another keeper holds it or it is another user's. The
    // folder itself is locked: there is no lock file for another program to remove or replace,
    // and a folder that cannot be written is locked all the same.
    int lockFolder(Holder& holder) const;

    std::filesystem::path folder_;
    int folderLock_ = -1;
    std::vector<int> marks_;
};

} // namespace fen
