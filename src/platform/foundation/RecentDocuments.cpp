#include "platform/foundation/RecentDocuments.h"

#include <glib.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace fen {

namespace {

struct BookmarkFileFree {
    void operator()(GBookmarkFile* file) const { g_bookmark_file_free(file); }
};
using BookmarkFile = std::unique_ptr<GBookmarkFile, BookmarkFileFree>;

// The bookmark file as it stands: empty when it does not exist yet; none when it exists but
// cannot be read, so that nothing is written over another program's list.
BookmarkFile load(const std::filesystem::path& file) {
    BookmarkFile bookmarks(g_bookmark_file_new());
    GError* error = nullptr;
    if (g_bookmark_file_load_from_file(bookmarks.get(), file.c_str(), &error)) {
        return bookmarks;
    }
    const bool missing = g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_NOENT);
    g_error_free(error);
    return missing ? std::move(bookmarks) : nullptr;
}

bool save(GBookmarkFile* bookmarks, const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    return g_bookmark_file_to_file(bookmarks, file.c_str(), nullptr);
}

std::vector<std::string> uris(GBookmarkFile* bookmarks) {
    gsize count = 0;
    gchar** list = g_bookmark_file_get_uris(bookmarks, &count);
    std::vector<std::string> result(list, list + count);
    g_strfreev(list);
    return result;
}

} // namespace

RecentDocuments::RecentDocuments(std::filesystem::path file, std::string application,
                                 std::string exec)
    : file_(std::move(file)), application_(std::move(application)), exec_(std::move(exec)) {}

std::filesystem::path RecentDocuments::defaultFile() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::filesystem::path folder;
    if (data && std::filesystem::path(data).is_absolute()) {
        folder = data;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::filesystem::path(home ? home : g_get_home_dir()) / ".local" / "share";
    }
    return folder / "recently-used.xbel";
}

bool RecentDocuments::add(const std::filesystem::path& path, const std::string& mimeType) {
    BookmarkFile bookmarks = load(file_);
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    if (!bookmarks || !uri) {
        g_free(uri);
        return false;
    }
    g_bookmark_file_add_application(bookmarks.get(), uri, application_.c_str(), exec_.c_str());
    g_bookmark_file_set_mime_type(bookmarks.get(), uri, mimeType.c_str());
    g_free(uri);
    return save(bookmarks.get(), file_);
}

std::vector<std::filesystem::path> RecentDocuments::paths(size_t limit) const {
    BookmarkFile bookmarks = load(file_);
    if (!bookmarks) {
        return {};
    }
    struct Entry {
        std::filesystem::path path;
        gint64 stamp;
    };
    std::vector<Entry> entries;
    for (const std::string& uri : uris(bookmarks.get())) {
        GDateTime* stamp = nullptr;
        if (!g_bookmark_file_get_application_info(bookmarks.get(), uri.c_str(),
                                                  application_.c_str(), nullptr, nullptr, &stamp,
                                                  nullptr)) {
            continue;
        }
        gchar* path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
        if (!path) {
            continue;
        }
        entries.push_back({path, stamp ? g_date_time_to_unix(stamp) * G_USEC_PER_SEC +
                                             g_date_time_get_microsecond(stamp)
                                       : 0});
        g_free(path);
    }
    // Newest first; of two registered at the same moment, the later in the file.
    std::reverse(entries.begin(), entries.end());
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.stamp > b.stamp; });
    std::vector<std::filesystem::path> result;
    for (const Entry& entry : entries) {
        if (result.size() == limit) {
            break;
        }
        result.push_back(entry.path);
    }
    return result;
}

bool RecentDocuments::clear() {
    BookmarkFile bookmarks = load(file_);
    if (!bookmarks) {
        return false;
    }
    for (const std::string& uri : uris(bookmarks.get())) {
        if (!g_bookmark_file_has_application(bookmarks.get(), uri.c_str(), application_.c_str(),
                                             nullptr)) {
            continue;
        }
        gsize count = 0;
        gchar** applications =
            g_bookmark_file_get_applications(bookmarks.get(), uri.c_str(), &count, nullptr);
        g_strfreev(applications);
        if (count <= 1) {
            g_bookmark_file_remove_item(bookmarks.get(), uri.c_str(), nullptr);
        } else {
            g_bookmark_file_remove_application(bookmarks.get(), uri.c_str(), application_.c_str(),
                                               nullptr);
        }
    }
    return save(bookmarks.get(), file_);
}

} // namespace fen
