#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fen {

// The desktop's list of recently used files, shared by every program of the user: the
// freedesktop `recently-used.xbel` file, read and written through GLib's bookmark file. Each
// bookmark names the programs that registered it; this class adds, lists and clears only the
// bookmarks registered under its application name and leaves everything else in the file as it
// was. It keeps no copy: every call reads the file afresh, so other programs' changes show.
class RecentDocuments {
public:
    // `file` is the bookmark file; `application` the name this program registers under, and
    // `exec` the command line recorded with it ("fenmoor %u").
    RecentDocuments(std::filesystem::path file, std::string application, std::string exec);

    // $XDG_DATA_HOME/recently-used.xbel, or ~/.local/share/recently-used.xbel when the variable
    // is unset or not absolute. Read at each call, so a changed environment is followed.
    static std::filesystem::path defaultFile();

    // Registers `path` (an absolute path of a file) as opened now by this program, with the MIME
    // type given. False when the file cannot be read as a bookmark file (it is then left alone)
    // or cannot be written. A file of `inPlaceFrom` bytes or more (the desktop's list can hold
    // hundreds of thousands of entries) is not parsed and written anew: a new bookmark goes in
    // before the closing tag, and a bookmark this program registered already gets its time
    // stamp changed where it stands; everything else in the file keeps its bytes.
    bool add(const std::filesystem::path& path, const std::string& mimeType = "application/pdf");
    static constexpr std::uintmax_t inPlaceFrom = 1024 * 1024;
    // The local files this program registered, newest first; at most `limit` of them.
    std::vector<std::filesystem::path> paths(size_t limit = SIZE_MAX) const;
    // Removes this program from every bookmark; a bookmark no other program registered goes
    // with it. False when the file could not be read or written.
    bool clear();

    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path file_;
    std::string application_;
    std::string exec_;
};

} // namespace fen
