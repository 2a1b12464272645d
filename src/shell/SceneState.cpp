#include "shell/SceneState.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include <fcntl.h>
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
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return {};
    }
    std::stringstream text;
    text << in.rdbuf();
    const nlohmann::json list = nlohmann::json::parse(text.str(), nullptr, false);
    if (!list.is_array()) {
        return {};
    }
    std::vector<SavedScene> scenes;
    for (const nlohmann::json& entry : list) {
        if (!entry.is_object() || !entry.value("session", nlohmann::json()).is_string() ||
            !entry.value("activity", nlohmann::json()).is_object()) {
            return {};
        }
        const nlohmann::json& activity = entry["activity"];
        if (!activity.value("type", nlohmann::json()).is_string()) {
            return {};
        }
        SavedScene scene{entry["session"].get<std::string>(), {}, {}};
        if (entry.contains("geometry")) {
            const nlohmann::json& geometry = entry["geometry"];
            std::optional<std::string> bytes =
                geometry.is_string() ? unhex(geometry.get<std::string>()) : std::nullopt;
            if (!bytes) {
                return {};
            }
            scene.geometry = std::move(*bytes);
        }
        scene.activity.type = activity["type"].get<std::string>();
        const nlohmann::json info = activity.value("userInfo", nlohmann::json::object());
        for (const auto& [key, value] : info.items()) {
            std::optional<std::string> bytes =
                value.is_string() ? unhex(value.get<std::string>()) : std::nullopt;
            if (!bytes) {
                return {};
            }
            scene.activity.userInfo[key] = *bytes;
        }
        scenes.push_back(std::move(scene));
    }
    return scenes;
}

} // namespace fen
