#pragma once

#include "shell/KvDocumentController.h"

namespace fen {

class ShellPlatform;
struct ShortcutItem;

// The tablet build's recent files: up to ten bookmarks under "recents" in the user defaults,
// oldest first, published as quick actions (newest first) one second after each addition.
class TabletRecentDocuments : public KviOSRecentDocument {
public:
    static constexpr int capacity = 10;

    explicit TabletRecentDocuments(ShellPlatform& platform) : platform_(platform) {}

    void add(const Url& url) override;
    void updateShortcutItems();
    // The quick action of a stored bookmark; none when it no longer resolves.
    static std::optional<ShortcutItem> shortcutItem(const std::string& bookmark);

private:
    ShellPlatform& platform_;
};

} // namespace fen
