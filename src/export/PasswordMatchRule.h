#pragma once

#include <optional>
#include <string>

namespace fen {

// The rule of the password panel: its two fields must hold the same text before "Ok" may be
// pressed, and while they differ the panel says "Passwords do not match". Two empty fields match:
// confirming them exports without a password.
class PasswordMatchRule {
public:
    // The message shown under the title while the fields differ.
    static constexpr const char* mismatchMessage = "Passwords do not match";

    // Whether "Ok" is enabled for these two texts (an absent text is the empty one).
    static bool matches(const std::optional<std::string>& password,
                        const std::optional<std::string>& verify);
    // What "Ok" hands over: the first field's text exactly as typed (spaces included), or none
    // when it is empty.
    static std::optional<std::string> handedOver(const std::string& password);
};

} // namespace fen
