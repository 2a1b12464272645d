#include "shell/TabletRecentDocuments.h"

#include "shell/ShellPlatform.h"
#include "ui/UserDefaults.h"

#include <algorithm>
#include <filesystem>

namespace fen {

void TabletRecentDocuments::add(const Url& url) {
    ui::UserDefaults defaults;
    QList<QByteArray> recents = defaults.dataListValue(ui::UserDefaults::recents);
    if (const std::optional<std::string> bookmark = makeBookmark(url)) {
        const QByteArray bytes = QByteArray::fromStdString(*bookmark);
        recents.removeAll(bytes);
        recents.push_back(bytes);
    }
    if (recents.size() > capacity) {
        recents = recents.mid(recents.size() - capacity);
    }
    defaults.setDataList(ui::UserDefaults::recents, recents);
    platform_.after(1000, [this] { updateShortcutItems(); });
}

std::optional<ShortcutItem> TabletRecentDocuments::shortcutItem(const std::string& bookmark) {
    const std::optional<Url> url = resolveBookmark(bookmark);
    if (!url) {
        return std::nullopt;
    }
    return ShortcutItem{"recentItem",
                        std::filesystem::path(url->path()).stem().string(),
                        "doc",
                        {{"bookmark", bookmark}}};
}

void TabletRecentDocuments::updateShortcutItems() {
    const QList<QByteArray> recents = ui::UserDefaults().dataListValue(ui::UserDefaults::recents);
    std::vector<ShortcutItem> items;
    for (auto entry = recents.rbegin(); entry != recents.rend(); ++entry) {
        if (std::optional<ShortcutItem> item = shortcutItem(entry->toStdString())) {
            items.push_back(std::move(*item));
        }
    }
    platform_.setShortcutItems(std::move(items));
}

} // namespace fen
