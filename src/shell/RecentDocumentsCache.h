#pragma once

#include "platform/foundation/RecentDocuments.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace fen {

// The desktop's recent files of this program as last read, held for the GUI thread, which never
// reads or writes the bookmark file itself: the file is shared by every program of the user and
// may be tens of megabytes. Every read and change of the file runs in the order asked, one at a
// time, on a worker thread (one for the whole process); the list read after the last of them
// comes back through MainQueue::post, which must run it on the main thread (the window's queue,
// never the inline one). Calls and `landed` are the main thread's.
class RecentDocumentsCache {
public:
    // Makes the bookmark file's reader and writer; called on the worker.
    using Source = std::function<RecentDocuments()>;

    RecentDocumentsCache(Source source, std::size_t limit);
    ~RecentDocumentsCache();
    RecentDocumentsCache(const RecentDocumentsCache&) = delete;
    RecentDocumentsCache& operator=(const RecentDocumentsCache&) = delete;

    // The files as last read, newest first, at most `limit`; empty until a read has landed.
    const std::vector<std::filesystem::path>& paths() const;
    bool hasRead() const;
    // Whether work was asked for whose list has not landed yet.
    bool isBusy() const;

    // Reads the list anew.
    void reload();
    // Registers `path` as opened now, then reads the list.
    void add(const std::filesystem::path& path);
    // Removes this program's files from the desktop's list: the held list is emptied at once,
    // the file changed on the worker.
    void clear();

    // Runs when the list read after the last work asked for has landed.
    std::function<void()> landed;

private:
    struct State;
    void schedule(std::function<bool(RecentDocuments&)> change);

    std::shared_ptr<State> state_;
};

} // namespace fen
