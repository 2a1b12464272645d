#include "export/PasswordMatchRule.h"

#include "platform/pdf/Document.h"

namespace fen {

bool PasswordMatchRule::matches(const std::optional<std::string>& password,
                                const std::optional<std::string>& verify) {
    return password.value_or(std::string()) == verify.value_or(std::string());
}

bool PasswordMatchRule::fits(const std::optional<std::string>& password) {
    return !password || password->size() <= pdf::maximumPasswordBytes;
}

std::optional<std::string> PasswordMatchRule::message(const std::optional<std::string>& password,
                                                      const std::optional<std::string>& verify) {
    if (!fits(password)) {
        return tooLongMessage;
    }
    if (!matches(password, verify)) {
        return mismatchMessage;
    }
    return std::nullopt;
}

bool PasswordMatchRule::confirms(const std::optional<std::string>& password,
                                 const std::optional<std::string>& verify) {
    return !message(password, verify) && !password.value_or(std::string()).empty();
}

std::optional<std::string> PasswordMatchRule::handedOver(const std::string& password) {
    if (password.empty()) {
        return std::nullopt;
    }
    return password;
}

} // namespace fen
