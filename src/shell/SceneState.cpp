#include "shell/SceneState.h"

#include "export/FenFilesStorage.h"
#include "model/Json.h"
#include "platform/foundation/ProcessFolders.h"
#include "platform/foundation/WholeFileReader.h"

#include <QCryptographicHash>

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdlib>
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
    std::filesystem::create_directories(file.parent_path(), ec);
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

} // namespace

KeptWindowsLock::~KeptWindowsLock() {
    release();
}

bool KeptWindowsLock::take(const std::filesystem::path& folder) {
    release();
    folder_ = folder;
    std::error_code ignored;
    std::filesystem::create_directories(folder_, ignored);
    if (!lockMarks()) {
        release();
        return false;
    }
    bool heldByAnother = false;
    folderLock_ = lockFolder(heldByAnother);
    if (heldByAnother) {
        release();
        return false;
    }
    return true;
}

bool KeptWindowsLock::lockMarks() {
    for (const std::filesystem::path& mark : markPaths(folder_)) {
        bool heldByAnother = false;
        const int fd = lockedAlone(
            ::open(mark.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600), heldByAnother);
        if (heldByAnother) {
            return false;
        }
        if (fd >= 0) {
            marks_.push_back(fd);
        }
    }
    return true;
}

int KeptWindowsLock::lockFolder(bool& heldByAnother) const {
    return lockedAlone(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), heldByAnother);
}

bool KeptWindowsLock::holdsFolderAtPath() {
    if (folderLock_ < 0) {
        return true;
    }
    struct stat locked = {};
    struct stat there = {};
    if (::fstat(folderLock_, &locked) == 0 && ::stat(folder_.c_str(), &there) == 0 &&
        locked.st_dev == there.st_dev && locked.st_ino == there.st_ino) {
        return true;
    }
    // Moved or removed while this program ran: the folder now at the path is this program's
    // to keep the windows in unless another keeper holds it.
    std::error_code ignored;
    std::filesystem::create_directories(folder_, ignored);
    bool heldByAnother = false;
    const int fd = lockFolder(heldByAnother);
    if (fd >= 0) {
        ::close(folderLock_);
        folderLock_ = fd;
    }
    return !heldByAnother;
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
