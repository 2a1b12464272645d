#include "intents/SiriAppShortcuts.h"

#include "intents/FenAppPageNumberIntent.h"
#include "intents/FenAppSimpleStampIntent.h"
#include "intents/FenAppSimpleTextIntent.h"
#include "intents/IntentDescription.h"

#include <array>

namespace fen {

std::string AppShortcut::phrase() const {
    std::string text(phraseLiteral);
    text += SiriAppShortcuts::applicationName;
    return text;
}

std::string AppShortcut::command() const {
    return commandName(actionTitle);
}

std::span<const AppShortcut> SiriAppShortcuts::appShortcuts() {
    static const std::array<AppShortcut, 5> shortcuts = {{
        {"Create from presets ", "Create from Presets"},
        {"Create from text presets ", "Create from Text Presets"},
        {"Add a Stamp ", FenAppSimpleStampIntent::description().title},
        {"Add some Text ", FenAppSimpleTextIntent::description().title},
        {"Add Page Number ", FenAppPageNumberIntent::description().title},
    }};
    return shortcuts;
}

} // namespace fen
