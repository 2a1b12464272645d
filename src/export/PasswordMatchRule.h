#pragma once

#include <optional>
#include <string>

namespace fen {

// The rule of the password panel: "Ok" may be pressed only while its two fields hold the same
// text and that text is not empty, so a save asked to be protected never goes on without a
// password. While the fields differ the panel says "Passwords do not match"; two empty fields do
// not differ, and show no message.
class PasswordMatchRule {
public:
    // The message shown under the title while the fields differ.
    static constexpr const char* mismatchMessage = "Passwords do not match";

    // Whether the two texts are the same (an absent text is the empty one): no message then.
    static bool matches(const std::optional<std::string>& password,
                        const std::optional<std::string>& verify);
    // Whether "Ok" is enabled for these two texts: the same, and not empty.
    static bool confirms(const std::optional<std::string>& password,
                         const std::optional<std::string>& verify);
    // What "Ok" hands over: the first field's text exactly as typed (spaces included), or none
    // when it is empty.
    static std::optional<std::string> handedOver(const std::string& password);
};

} // namespace fen
