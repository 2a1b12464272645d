#include "export/PasswordMatchRule.h"

namespace fen {

bool PasswordMatchRule::matches(const std::optional<std::string>& password,
                                const std::optional<std::string>& verify) {
    return password.value_or(std::string()) == verify.value_or(std::string());
}

std::optional<std::string> PasswordMatchRule::handedOver(const std::string& password) {
    if (password.empty()) {
        return std::nullopt;
    }
    return password;
}

} // namespace fen
