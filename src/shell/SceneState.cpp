#include "shell/SceneState.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

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

void writeSceneState(const std::filesystem::path& file, const std::vector<SavedScene>& scenes) {
    std::error_code ec;
    if (scenes.empty()) {
        std::filesystem::remove(file, ec);
        return;
    }
    nlohmann::json list = nlohmann::json::array();
    for (const SavedScene& scene : scenes) {
        nlohmann::json info = nlohmann::json::object();
        for (const auto& [key, value] : scene.activity.userInfo) {
            info[key] = hex(value);
        }
        list.push_back({{"session", scene.session},
                        {"activity", {{"type", scene.activity.type}, {"userInfo", info}}}});
    }
    std::filesystem::create_directories(file.parent_path(), ec);
    const std::filesystem::path temporary = file.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << list.dump(1) << '\n';
        if (!out) {
            return;
        }
    }
    std::filesystem::rename(temporary, file, ec);
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
        SavedScene scene{entry["session"].get<std::string>(), {}};
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
