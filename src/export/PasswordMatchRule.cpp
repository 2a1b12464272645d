#include "export/PasswordMatchRule.h"

namespace fen {

bool PasswordMatchRule::matches(const std::optional<std::string>& password,
                                const std::optional<std::string>& verify) {
    return password.value_or(std::string()) == verify.value_or(std::string());
}

bool PasswordMatchRule::confirms(const std::optional<std::string>& password,
                                 const std::optional<std::string>& verify) {
    return matches(password, verify) && !password.value_or(std::string()).empty();
}

std::optional<std::string> PasswordMatchRule::handedOver(const std::string& password) {
    if (password.empty()) {
        return std::nullopt;
    }
    return password;
}

} // namespace fen
