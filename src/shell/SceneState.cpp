#include "shell/SceneState.h"

#include "model/Json.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/WholeFileReader.h"

#include <QCryptographicHash>
#include <QSocketNotifier>

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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
    // walked by recursion, and one nested deep enough ends the start on its stack.
    Json list;
    try {
        list = json::parse(*text.bytes);
    } catch (const JsonError&) {
        return {};
    }
    if (!list.is_array()) {
        return {};
    }
    // Each value is read where it lies, never copied; one of another type than written makes
    // the whole file unreadable. A member of what is no object is none.
    const auto member = [](const Json& object, const char* key) -> const Json* {
        const auto found = object.find(key);
        return found == object.end() ? nullptr : &*found;
    };
    const auto bytesOf = [](const Json& value) {
        return value.is_string() ? unhex(value.get_ref<const std::string&>()) : std::nullopt;
    };
    std::vector<SavedScene> scenes;
    for (const Json& entry : list) {
        const Json* session = member(entry, "session");
        const Json* activity = member(entry, "activity");
        if (!session || !session->is_string() || !activity || !activity->is_object()) {
            return {};
        }
        const Json* type = member(*activity, "type");
        const Json* info = member(*activity, "userInfo");
        if (!type || !type->is_string() || (info && !info->is_object())) {
            return {};
        }
        SavedScene scene{session->get<std::string>(), {type->get<std::string>(), {}}, {}};
        if (const Json* geometry = member(entry, "geometry")) {
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

// The keeper's abstract address for `folder`: the user and a digest of the folder's path as
// written, never of where it leads, since what it leads to is what a clean-up or sync changes.
sockaddr_un keeperAddress(const std::filesystem::path& folder, socklen_t& length) {
    std::error_code ignored;
    const std::string path = std::filesystem::absolute(folder, ignored).lexically_normal().string();
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray::fromStdString(path), QCryptographicHash::Sha256)
            .toHex()
            .left(32);
    const std::string name =
        "fenmoor-kept-windows-" + std::to_string(::geteuid()) + "-" + digest.toStdString();
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    // A leading zero byte: an address in the kernel's own namespace, not a file.
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    return address;
}

} // namespace

KeptWindowsLock::~KeptWindowsLock() {
    release();
}

bool KeptWindowsLock::take(const std::filesystem::path& folder) {
    release();
    folder_ = folder;
    const Address address = takeAddress();
    if (address == Address::anotherKeeper) {
        return false;
    }
    if (address == Address::heldByAnotherProgram) {
        log::message(log::Level::warning,
                     "the address that marks the keeper of the windows kept in " +
                         folder_.string() +
                         " is held by a program that is not this user's; the lock on that folder "
                         "alone tells their keeper");
    }
    std::error_code ignored;
    std::filesystem::create_directories(folder_, ignored);
    bool heldByAnother = false;
    folderLock_ = lockFolder(heldByAnother);
    if (heldByAnother) {
        release();
        return false;
    }
    return true;
}

KeptWindowsLock::Address KeptWindowsLock::takeAddress() {
    socklen_t length = 0;
    const sockaddr_un address = keeperAddress(folder_, length);
    const auto* generic = reinterpret_cast<const sockaddr*>(&address);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return Address::unavailable;
    }
    if (::bind(fd, generic, length) == 0 && ::listen(fd, SOMAXCONN) == 0) {
        address_ = fd;
        asked_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(asked_.get(), &QSocketNotifier::activated, [fd] {
            for (int asking; (asking = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
                ::close(asking);
            }
        });
        return Address::taken;
    }
    const bool inUse = errno == EADDRINUSE;
    ::close(fd);
    if (!inUse) {
        return Address::unavailable;
    }
    // Whoever binds the address may take it, another user included: it marks a keeper only
    // when the program listening there is this user's.
    const int asking = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    ucred peer = {};
    socklen_t peerLength = sizeof peer;
    const bool ours = asking >= 0 && ::connect(asking, generic, length) == 0 &&
                      ::getsockopt(asking, SOL_SOCKET, SO_PEERCRED, &peer, &peerLength) == 0 &&
                      peer.uid == ::geteuid();
    if (asking >= 0) {
        ::close(asking);
    }
    return ours ? Address::anotherKeeper : Address::heldByAnotherProgram;
}

int KeptWindowsLock::lockFolder(bool& heldByAnother) const {
    heldByAnother = false;
    const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
    asked_.reset();
    for (int* fd : {&folderLock_, &address_}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

} // namespace fen
