#include "app/HandOffMessage.h"

namespace fen {

std::optional<std::string> HandOffMessage::encode(const std::vector<std::string>& files) {
    if (files.size() > maxFiles) {
        return std::nullopt;
    }
    std::string message;
    for (const std::string& file : files) {
        if (file.empty() || file.size() > maxFileBytes || file.find('\0') != std::string::npos) {
            return std::nullopt;
        }
        message += file;
        message += '\0';
    }
    message += '\0';
    return message;
}

HandOffMessage::State HandOffMessage::take(std::string_view bytes) {
    if (state_ == State::malformed || bytes.empty()) {
        return state_;
    }
    if (state_ == State::complete) {
        return refuse("bytes after the end of the message");
    }
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\0');
        const std::string_view piece = bytes.substr(0, end);
        if (file_.size() + piece.size() > maxFileBytes) {
            return refuse("a file longer than " + std::to_string(maxFileBytes) + " bytes");
        }
        file_.append(piece);
        if (end == std::string_view::npos) {
            return state_;
        }
        bytes.remove_prefix(end + 1);
        if (file_.empty()) {
            if (!bytes.empty()) {
                return refuse("bytes after the end of the message");
            }
            state_ = State::complete;
            return state_;
        }
        if (files_.size() == maxFiles) {
            return refuse("more than " + std::to_string(maxFiles) + " files");
        }
        files_.push_back(std::move(file_));
        file_.clear();
    }
    return state_;
}

HandOffMessage::State HandOffMessage::refuse(std::string fault) {
    state_ = State::malformed;
    fault_ = std::move(fault);
    files_.clear();
    file_.clear();
    return state_;
}

} // namespace fen
