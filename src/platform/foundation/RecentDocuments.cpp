#include "platform/foundation/RecentDocuments.h"

#include <glib.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

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

// The whole text of a bookmark file holding only `uri`, registered by `application`.
std::string lonelyBookmarkFile(const char* uri, const std::string& application,
                               const std::string& exec, const std::string& mimeType) {
    BookmarkFile single(g_bookmark_file_new());
    g_bookmark_file_add_application(single.get(), uri, application.c_str(), exec.c_str());
    g_bookmark_file_set_mime_type(single.get(), uri, mimeType.c_str());
    gsize length = 0;
    gchar* data = g_bookmark_file_to_data(single.get(), &length, nullptr);
    std::string text(data ? data : "", data ? length : 0);
    g_free(data);
    return text;
}

// The first `size` bytes of the open file.
std::optional<std::string> readAll(int fd, off_t size) {
    std::string bytes(static_cast<size_t>(size), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return std::nullopt;
        }
        done += static_cast<size_t>(n);
    }
    return bytes;
}

// Writes `bytes` at `offset` of the open file; with `truncate`, the file then ends after them.
bool writeAt(int fd, const std::string& bytes, off_t offset, bool truncate) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return !truncate || ::ftruncate(fd, offset + static_cast<off_t>(bytes.size())) == 0;
}

// The time stamp of now as GLib writes it, always with microseconds so its length is fixed.
std::string stampNow() {
    GDateTime* now = g_date_time_new_now_utc();
    gchar* text = g_date_time_format(now, "%Y-%m-%dT%H:%M:%S.%fZ");
    std::string stamp(text ? text : "");
    g_free(text);
    g_date_time_unref(now);
    return stamp;
}

// Changes the file at `fd`, whose text is `bytes`, so that `uri` is registered by `application`
// now, without writing it anew. None when the text is not as GLib writes it, so the caller takes
// the slow road instead.
std::optional<bool> addInPlace(int fd, const std::string& bytes, const char* uri,
                               const std::string& application, const std::string& exec,
                               const std::string& mimeType) {
    gchar* escapedUri = g_markup_escape_text(uri, -1);
    const std::string href = std::string("<bookmark href=\"") + escapedUri + "\"";
    g_free(escapedUri);
    const size_t item = bytes.find(href);
    if (item == std::string::npos) {
        // A new bookmark, cut from a file of its own, goes where the closing tag stood.
        const size_t close = bytes.rfind("</xbel>");
        const std::string single = lonelyBookmarkFile(uri, application, exec, mimeType);
        const size_t begin = single.find("  <bookmark ");
        const size_t end = single.rfind("</xbel>");
        if (close == std::string::npos || begin == std::string::npos || end == std::string::npos ||
            bytes.find_first_not_of(" \t\r\n", close + 7) != std::string::npos) {
            return std::nullopt;
        }
        return writeAt(fd, single.substr(begin, end - begin) + "</xbel>\n",
                       static_cast<off_t>(close), true);
    }
    // A bookmark of the file already: this program's stamp in it changes, in place.
    const size_t itemEnd = bytes.find("</bookmark>", item);
    gchar* escapedName = g_markup_escape_text(application.c_str(), -1);
    const std::string ours = std::string("<bookmark:application name=\"") + escapedName + "\"";
    g_free(escapedName);
    const size_t tag = bytes.find(ours, item);
    if (itemEnd == std::string::npos || tag == std::string::npos || tag > itemEnd) {
        return std::nullopt;
    }
    const size_t tagEnd = bytes.find('>', tag);
    const size_t value = bytes.find(" modified=\"", tag);
    if (value == std::string::npos || value > tagEnd) {
        return std::nullopt;
    }
    const size_t start = value + 11;
    const size_t stop = bytes.find('"', start);
    const std::string stamp = stampNow();
    if (stop == std::string::npos || stop - start != stamp.size()) {
        return std::nullopt;
    }
    return writeAt(fd, stamp, static_cast<off_t>(start), false);
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
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    if (!uri) {
        return false;
    }
    if (const int fd = ::open(file_.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW); fd >= 0) {
        struct stat info = {};
        std::optional<bool> added;
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            static_cast<std::uintmax_t>(info.st_size) >= inPlaceFrom) {
            if (std::optional<std::string> bytes = readAll(fd, info.st_size)) {
                added = addInPlace(fd, *bytes, uri, application_, exec_, mimeType);
            }
        }
        ::close(fd);
        if (added) {
            g_free(uri);
            return *added;
        }
    }
    BookmarkFile bookmarks = load(file_);
    if (!bookmarks) {
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
