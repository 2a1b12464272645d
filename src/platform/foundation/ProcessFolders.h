#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

namespace fen {

// The temporary files of a long-running program, kept so that a run that ends without cleaning up
// (killed, or the machine losing power) does not leave them behind for ever. Every process keeps
// its folders in a folder of its own inside one folder per user ("fenmoor-UID" in the temporary
// directory, mode 0700). A process holds a lock on its own folder for as long as it lives; the
// kernel lets the lock go when the process ends, however it ends, so a folder whose lock can be
// taken belongs to a run that is over, and the next start removes it. A folder whose process still
// runs is never touched. When another user made the per-user folder first (the temporary directory
// is shared by every user), a process keeps its folders in a folder of its own directly in the
// temporary directory instead, under a name nobody can foresee.
namespace processfolders {

// The per-user folder in `temporaryDirectory`, made with mode 0700 when missing. Refused, with the
// reason in `error` and the folder that could not be used in `unusable`, when it cannot be made,
// is not a folder (a symbolic link included), or belongs to another user. A folder of the user's
// own that others may enter is closed to them.
std::optional<std::filesystem::path> userFolder(const std::filesystem::path& temporaryDirectory,
                                                std::error_code& error,
                                                std::filesystem::path* unusable = nullptr);

// A folder of this process's own in the per-user folder, locked for as long as the object lives.
// The object removes the folder with everything in it when it is destroyed; a process that ends
// without destroying it leaves the folder to the next sweep.
class ProcessFolder {
public:
    // Makes and locks a new folder in `userFolder`. The folder only appears under its final name
    // once locked, so a sweep running meanwhile in another process never takes it for a leftover.
    static std::unique_ptr<ProcessFolder> claim(const std::filesystem::path& userFolder,
                                                std::error_code& error);
    // Makes and locks a new folder directly in `temporaryDirectory`, for a process whose per-user
    // folder cannot be used: "fenmoor-UID-PID-" and six random characters, made as mkdtemp makes
    // its folders (mode 0700, never one that is already there), so nobody can make it first.
    static std::unique_ptr<ProcessFolder>
    claimAlone(const std::filesystem::path& temporaryDirectory, std::error_code& error);
    ~ProcessFolder();
    ProcessFolder(const ProcessFolder&) = delete;
    ProcessFolder& operator=(const ProcessFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // False once the folder was removed from under the process (by hand, or with the temporary
    // directory itself).
    bool exists() const;

private:
    ProcessFolder(std::filesystem::path path, int lock) : path_(std::move(path)), lock_(lock) {}

    std::filesystem::path path_;
    // The open folder, locked (flock): closed by the kernel when the process ends.
    int lock_;
};

// Removes the folders in `userFolder` of processes that have ended, those a process that ended
// while making one left under their first name included, and nothing else: not the folder of a
// running process (this one's included), not anything that is not a process folder, belongs to
// another user or is a symbolic link. Gives the number of folders removed; one that could only
// partly be removed is not counted.
int sweep(const std::filesystem::path& userFolder);
// The same for the folders that claimAlone made in `temporaryDirectory`.
int sweepAlone(const std::filesystem::path& temporaryDirectory);

} // namespace processfolders
} // namespace fen
