#pragma once

#include <span>
#include <string>
#include <string_view>

namespace fen {

// One ready-made shortcut: the phrase that starts it (a literal followed by the application's
// name) and the title of the action it starts, unfilled.
struct AppShortcut {
    std::string_view phraseLiteral;
    std::string_view actionTitle;

    // The phrase as said or typed: the literal (with its trailing blank) and the application name.
    std::string phrase() const;
    // The command of fenmoor-cli that runs the action.
    std::string command() const;
};

// The shortcuts the application offers without the user building one: one per action, in the
// order create from presets, create from text presets, add a stamp, add some text, page number.
struct SiriAppShortcuts {
    // The name that completes every phrase.
    static constexpr std::string_view applicationName = "Fenmoor";

    static std::span<const AppShortcut> appShortcuts();
};

} // namespace fen
