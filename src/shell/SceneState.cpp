#include "shell/SceneState.h"

#include "export/FenFilesStorage.h"
#include "model/Json.h"
#include "platform/foundation/ProcessFolders.h"
#include "platform/foundation/WholeFileReader.h"

#include <QCryptographicHash>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fen {

namespace {

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

std::optional<std::string> unhex(const std::string& text) {
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string bytes;
    for (size_t i = 0; i < text.size(); i += 2) {
        char* end = nullptr;
        const std::string pair = text.substr(i, 2);
        const long value = std::strtol(pair.c_str(), &end, 16);
        if (end != pair.c_str() + 2) {
            return std::nullopt;
        }
        bytes += static_cast<char>(value);
    }
    return bytes;
}

// Makes the folder of the kept windows when it is missing, open to the user alone; its parents
// as the user's folders are made.
void makeStateFolder(const std::filesystem::path& folder) {
    std::error_code ignored;
    std::filesystem::create_directories(folder.parent_path(), ignored);
    ::mkdir(folder.c_str(), 0700);
}

} // namespace

std::filesystem::path sceneStateFile() {
    const char* state = std::getenv("XDG_STATE_HOME");
    std::filesystem::path folder;
    if (state && *state == '/') {
        folder = state;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::filesystem::path(home ? home : "/") / ".local" / "state";
    }
    return folder / "fenmoor" / "scenes.json";
}

bool replaceFileDurably(const std::filesystem::path& file, std::string_view bytes) {
    std::string temporary = file.string() + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool written = true;
    for (size_t done = 0; written && done < bytes.size();) {
        const ssize_t count = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        written = count > 0;
        done += written ? static_cast<size_t>(count) : 0;
    }
    written = written && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    written = written && ::rename(temporary.c_str(), file.c_str()) == 0;
    if (!written) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself lasts only once the folder's entry is on the disk.
    const std::string folder = file.parent_path().empty() ? "." : file.parent_path().string();
    if (const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}

bool writeSceneState(const std::filesystem::path& file, const std::vector<SavedScene>& scenes) {
    std::error_code ec;
    if (scenes.empty()) {
        std::filesystem::remove(file, ec);
        return !ec;
    }
    nlohmann::json list = nlohmann::json::array();
    for (const SavedScene& scene : scenes) {
        nlohmann::json info = nlohmann::json::object();
        for (const auto& [key, value] : scene.activity.userInfo) {
            info[key] = hex(value);
        }
        nlohmann::json entry = {{"session", scene.session},
                                {"activity", {{"type", scene.activity.type}, {"userInfo", info}}}};
        if (!scene.geometry.empty()) {
            entry["geometry"] = hex(scene.geometry);
        }
        list.push_back(std::move(entry));
    }
    makeStateFolder(file.parent_path());
    return replaceFileDurably(file, list.dump(1) + '\n');
}

std::vector<SavedScene> readSceneState(const std::filesystem::path& file) {
    // A regular file only, and bounded: a pipe or a device under the name, left by a clean-up
    // or a sync of the state folder, would otherwise hold the start for ever.
    constexpr std::uintmax_t largestStateFile = 16u * 1024 * 1024;
    const WholeFile text = WholeFileReader::readRegular(file, largestStateFile);
    if (!text) {
        return {};
    }
    // Bounded in depth before anything is built: a value nested deeper is built, copied and
    // walked by recursion, and one nested deep enough ends the start on its stack. The values are
    // the library's plain ones, not the ordered ones of stored records, which look through every
    // member already read before they add one: a wide object would take minutes.
    try {
        json::refuseTooDeep(*text.bytes);
    } catch (const JsonError&) {
        return {};
    }
    const nlohmann::json list = nlohmann::json::parse(*text.bytes, nullptr, false);
    if (!list.is_array()) {
        return {};
    }
    // Each value is read where it lies, never copied; one of another type than written makes
    // the whole file unreadable. A member of what is no object is none.
    const auto member = [](const nlohmann::json& object, const char* key) -> const nlohmann::json* {
        const auto found = object.find(key);
        return found == object.end() ? nullptr : &*found;
    };
    const auto bytesOf = [](const nlohmann::json& value) {
        return value.is_string() ? unhex(value.get_ref<const std::string&>()) : std::nullopt;
    };
    std::vector<SavedScene> scenes;
    for (const nlohmann::json& entry : list) {
        const nlohmann::json* session = member(entry, "session");
        const nlohmann::json* activity = member(entry, "activity");
        if (!session || !session->is_string() || !activity || !activity->is_object()) {
            return {};
        }
        const nlohmann::json* type = member(*activity, "type");
        const nlohmann::json* info = member(*activity, "userInfo");
        if (!type || !type->is_string() || (info && !info->is_object())) {
            return {};
        }
        SavedScene scene{session->get<std::string>(), {type->get<std::string>(), {}}, {}};
        if (const nlohmann::json* geometry = member(entry, "geometry")) {
            std::optional<std::string> bytes = bytesOf(*geometry);
            if (!bytes) {
                return {};
            }
            scene.geometry = std::move(*bytes);
        }
        if (info) {
            for (const auto& [key, value] : info->items()) {
                std::optional<std::string> bytes = bytesOf(value);
                if (!bytes) {
                    return {};
                }
                scene.activity.userInfo[key] = std::move(*bytes);
            }
        }
        scenes.push_back(std::move(scene));
    }
    return scenes;
}

namespace {

// The keeper's marks for `folder`, which nothing done to the folder moves. A file beside it, in
// the user's own folder that holds it, which every spelling of its path reaches (a home reached
// through a link included). And, for when that folder is moved too, a file named after the
// folder's path as written in the user's own temporary folder, which no other user may enter;
// never after what the path leads to, since that is what a clean-up or sync changes.
std::vector<std::filesystem::path> markPaths(const std::filesystem::path& folder) {
    std::error_code ignored;
    std::filesystem::path path = std::filesystem::absolute(folder, ignored).lexically_normal();
    if (!path.has_filename()) {
        path = path.parent_path();
    }
    std::vector<std::filesystem::path> marks = {path.parent_path() /
                                                ("." + path.filename().string() + "-keeper.lock")};
    if (const std::optional<std::filesystem::path> own =
            processfolders::userFolder(FenFilesStorage::temporaryDirectoryPath(), ignored)) {
        const QByteArray digest = QCryptographicHash::hash(QByteArray::fromStdString(path.string()),
                                                           QCryptographicHash::Sha256);
        marks.push_back(*own / ("kept-windows-" + digest.toHex().left(32).toStdString() + ".lock"));
    }
    return marks;
}

// `fd` locked for this program alone; -1, closed, when it cannot be, `heldByAnother` telling
// whether another program holds the lock.
int lockedAlone(int fd, bool& heldByAnother) {
    heldByAnother = false;
    if (fd < 0) {
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        return fd;
    }
    heldByAnother = errno == EWOULDBLOCK;
    ::close(fd);
    return -1;
}

// Whether `path` still names the file or folder open as `fd`.
bool namesOpen(const std::filesystem::path& path, int fd) {
    struct stat named {};
    struct stat open {};
    return ::stat(path.c_str(), &named) == 0 && ::fstat(fd, &open) == 0 &&
           named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

// The names of the entries of the folder `at`; nothing when it cannot be listed.
std::optional<std::vector<std::filesystem::path>> entryNames(const std::filesystem::path& at) {
    std::error_code ec;
    std::vector<std::filesystem::path> names;
    for (const std::filesystem::directory_entry& entry :
         std::filesystem::directory_iterator(at, ec)) {
        names.push_back(entry.path().filename());
    }
    if (ec) {
        return std::nullopt;
    }
    return names;
}

// Moves every entry of `from` into `to`; false at the first that does not move.
bool moveEntries(const std::filesystem::path& from, const std::filesystem::path& to) {
    const std::optional<std::vector<std::filesystem::path>> names = entryNames(from);
    return names &&
           std::all_of(names->begin(), names->end(), [&](const std::filesystem::path& name) {
               return ::rename((from / name).c_str(), (to / name).c_str()) == 0;
           });
}

// Moves back into `folder` what a renewal of it that was cut short (a program killed in
// renewFolder) left in the new folder it was making beside it: one of the user's own, mode 0700,
// named as mkdtemp names it after `folder`. An entry of the same name in `folder` stays as it is,
// and so does the leftover that still holds one.
void takeBackFromCutRenewals(const std::filesystem::path& folder) {
    const std::string prefix = "." + folder.filename().string() + "-";
    using Names = std::vector<std::filesystem::path>;
    for (const std::filesystem::path& name : entryNames(folder.parent_path()).value_or(Names{})) {
        const std::string text = name.string();
        const std::filesystem::path leftover = folder.parent_path() / name;
        struct stat status {};
        if (text.size() != prefix.size() + 6 || !text.starts_with(prefix) ||
            !std::all_of(text.begin() + long(prefix.size()), text.end(),
                         [](unsigned char c) { return std::isalnum(c); }) ||
            ::lstat(leftover.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
            status.st_uid != ::geteuid() || (status.st_mode & 07777) != 0700) {
            continue;
        }
        for (const std::filesystem::path& entry : entryNames(leftover).value_or(Names{})) {
            ::renameat2(AT_FDCWD, (leftover / entry).c_str(), AT_FDCWD, (folder / entry).c_str(),
                        RENAME_NOREPLACE);
        }
        ::rmdir(leftover.c_str());
    }
}

// Gives the folder at `path` (the user's own, found open to others) a new identity that only the
// user can open, holding what it held: another user who opened the old one while they could may
// keep it open, and locked, for as long as they like. Its entries move into a new folder beside
// it (mode 0700), which then takes its place; a link to the folder still leads to it. What a
// renewal cut short left beside it comes back first. False, the entries all back in the folder,
// when that cannot be done.
bool renewFolder(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::canonical(path, ec);
    if (ec || !folder.has_filename()) {
        return false;
    }
    takeBackFromCutRenewals(folder);
    std::string fresh =
        (folder.parent_path() / ("." + folder.filename().string() + "-XXXXXX")).string();
    if (::mkdtemp(fresh.data()) == nullptr) {
        return false;
    }
    // A file written into the folder meanwhile (the kept windows of a program ending) is moved
    // too: the new folder takes the place only of an empty one.
    for (int tries = 0; tries < 3 && moveEntries(folder, fresh); ++tries) {
        if (::rename(fresh.c_str(), folder.c_str()) == 0) {
            return true;
        }
        if (errno != ENOTEMPTY && errno != EEXIST) {
            break;
        }
    }
    moveEntries(fresh, folder);
    ::rmdir(fresh.c_str());
    return false;
}

} // namespace

KeptWindowsLock::~KeptWindowsLock() {
    release();
}

KeptWindowsLock::Holder KeptWindowsLock::take(const std::filesystem::path& folder) {
    release();
    folder_ = folder;
    makeStateFolder(folder_);
    if (!lockMarks()) {
        release();
        return Holder::anotherKeeper;
    }
    Holder holder = Holder::thisProgram;
    folderLock_ = lockFolder(holder);
    if (holder != Holder::thisProgram) {
        release();
    }
    return holder;
}

bool KeptWindowsLock::lockMarks() {
    for (const std::filesystem::path& mark : markPaths(folder_)) {
        // A mark made anew may meet another program of the user's making it anew at the same
        // time: the one whose file bears the name in the end keeps it.
        for (int tries = 0; tries < 4; ++tries) {
            const int fd =
                ::open(mark.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
            struct stat status {};
            if (fd >= 0 && (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
                            status.st_uid != ::geteuid())) {
                // Another user's file (or no file) is no mark of this user's keeper, whoever
                // holds it; it is left as it is.
                ::close(fd);
                break;
            }
            if (fd < 0) {
                break;
            }
            if ((status.st_mode & 077) != 0) {
                // The user's, but others could open it and may hold it: made anew.
                if (namesOpen(mark, fd)) {
                    ::unlink(mark.c_str());
                }
                ::close(fd);
                continue;
            }
            const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
            const bool held = !locked && errno == EWOULDBLOCK;
            if (namesOpen(mark, fd)) {
                if (locked) {
                    marks_.push_back(fd);
                    break;
                }
                ::close(fd);
                if (held) {
                    return false;
                }
                break;
            }
            // Made anew meanwhile: the mark now there is tried.
            ::close(fd);
        }
    }
    return true;
}

int KeptWindowsLock::lockFolder(Holder& holder) const {
    holder = Holder::thisProgram;
    const auto openFolder = [this] {
        return ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    };
    int fd = openFolder();
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        return -1;
    }
    if (status.st_uid != ::geteuid()) {
        ::close(fd);
        holder = Holder::anotherUser;
        return -1;
    }
    if ((status.st_mode & 077) != 0) {
        // Others could open it until now, so any lock on it may be theirs (the folders of the
        // earlier versions were made so): it is made anew, or, where it cannot be, closed to
        // them and left unlocked.
        if (!renewFolder(folder_)) {
            ::fchmod(fd, status.st_mode & 0700);
            ::close(fd);
            return -1;
        }
        ::close(fd);
        fd = openFolder();
        if (fd < 0 || ::fstat(fd, &status) != 0 || status.st_uid != ::geteuid() ||
            (status.st_mode & 077) != 0) {
            if (fd >= 0) {
                ::close(fd);
            }
            return -1;
        }
    }
    bool heldByAnother = false;
    const int locked = lockedAlone(fd, heldByAnother);
    if (heldByAnother) {
        holder = Holder::anotherKeeper;
    }
    return locked;
}

KeptWindowsLock::Holder KeptWindowsLock::holderOfFolderAtPath() {
    struct stat locked = {};
    struct stat there = {};
    if (folderLock_ < 0) {
        // Never locked: this program's, unless another user's folder stands at the path now.
        return ::stat(folder_.c_str(), &there) == 0 && there.st_uid != ::geteuid()
                   ? Holder::anotherUser
                   : Holder::thisProgram;
    }
    if (::fstat(folderLock_, &locked) == 0 && ::stat(folder_.c_str(), &there) == 0 &&
        locked.st_dev == there.st_dev && locked.st_ino == there.st_ino) {
        return Holder::thisProgram;
    }
    // Moved or removed while this program ran: the folder now at the path is this program's
    // to keep the windows in unless another keeper holds it, or it is another user's.
    makeStateFolder(folder_);
    Holder holder = Holder::thisProgram;
    const int fd = lockFolder(holder);
    if (fd >= 0) {
        ::close(folderLock_);
        folderLock_ = fd;
    }
    return holder;
}

void KeptWindowsLock::release() {
    for (const int mark : marks_) {
        ::close(mark);
    }
    marks_.clear();
    if (folderLock_ >= 0) {
        ::close(folderLock_);
        folderLock_ = -1;
    }
}

} // namespace fen
