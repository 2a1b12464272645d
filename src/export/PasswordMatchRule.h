#pragma once

#include <optional>
#include <string>

namespace fen {

// The rule of the password panel: "Ok" may be pressed only while its two fields hold the same
// text, that text is not empty, and it is no longer than a written file takes (127 bytes of
// UTF-8, pdf::maximumPasswordBytes), so a save asked to be protected never goes on without a
// password, nor with one that would not open its file. A longer password is told in the
// message line whatever the second field holds; otherwise, while the fields differ, the panel
// says "Passwords do not match"; two empty fields do not differ, and show no message.
class PasswordMatchRule {
public:
    // The message shown under the title while the fields differ.
    static constexpr const char* mismatchMessage = "Passwords do not match";
    // The message shown while the first field holds a password longer than a file takes.
    static constexpr const char* tooLongMessage =
        "Too long: at most 127 characters (fewer with accents or other alphabets)";

    // Whether the two texts are the same (an absent text is the empty one).
    static bool matches(const std::optional<std::string>& password,
                        const std::optional<std::string>& verify);
    // Whether a written file takes `password`.
    static bool fits(const std::optional<std::string>& password);
    // The message for these two texts, none while they match and the password fits.
    static std::optional<std::string> message(const std::optional<std::string>& password,
                                              const std::optional<std::string>& verify);
    // Whether "Ok" is enabled for these two texts: no message, and not empty.
    static bool confirms(const std::optional<std::string>& password,
                         const std::optional<std::string>& verify);
    // What "Ok" hands over: the first field's text exactly as typed (spaces included), or none
    // when it is empty.
    static std::optional<std::string> handedOver(const std::string& password);
};

} // namespace fen
