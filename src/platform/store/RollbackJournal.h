#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace fen::store {

// What lies at a database file's rollback-journal path ("FILE-journal") and whether it is the
// file's own. sqlite rolls a journal left by an interrupted write back into the file at the next
// opening that may write, whatever file now stands there: a journal left beside a file that was
// since replaced (a backup put back) would write the pages of the file it belonged to into the
// backup. This tells the two apart before any opening that could roll back.
//
// A journal holds the pages of its file as they were before the interrupted write, page 1
// included (a write of this program rewrites page 1 first, so page 1 is always its journal's
// first page; see Transaction). Page 1 carries the file's change counter (offset 24), which every
// write raises by one when it writes page 1: the file of a journal holds the counter of the
// journal's page 1, with that page as it was, or that counter raised by one. A file that holds
// neither is not the journal's. Counters are small numbers that files of one kind share easily,
// so page 1 also carries the file's own number where it has one (its user version, offset 60,
// drawn at random when the store was made): a file whose number is not the journal's is not the
// journal's either.
//
// Only a regular file is read as a journal: nothing else at that path is ever opened (a pipe
// would hold the opening until a writer came).
struct RollbackJournal {
    enum class Kind {
        // Nothing there, or nothing a rollback would do: empty, or a header that was never
        // written whole (a write killed before its journal was synced changed nothing in the
        // file).
        none,
        // Another connection is writing: the journal is in use and not for us to judge (nor is
        // one beside a file that cannot be read).
        inUse,
        // Left by an interrupted write of this very file (or by another program's, without page
        // 1, which cannot be told apart): rolling it back restores the file.
        own,
        // Not the file's: its page 1 is another file's (or of another page size). Rolling it back
        // would write pages of another file into this one.
        another,
        // Something other than a regular file (a pipe, a folder, a device, a symbolic link):
        // never opened, and no journal of the file.
        unusable,
        // A regular file this process cannot read: it may hold a save cut short.
        unreadable,
    };

    Kind kind = Kind::none;
    // FILE-journal.
    std::filesystem::path path;
    // For an unusable one, what stands there, fit to end "its journal PATH is ...": "a named
    // pipe", "a symbolic link"; empty otherwise.
    std::string what;

    // Looks at the journal beside `file`, which must be a regular file or missing. Opens the
    // database file only through sqlite (whose own connections in this process keep their locks)
    // and the journal only when it is a regular file.
    static RollbackJournal inspect(const std::filesystem::path& file);

    // The journal path of a database file.
    static std::filesystem::path pathOf(const std::filesystem::path& file);

    // The first `count` bytes of a database file (zeros past its end), read through an sqlite
    // handle that takes no lock: a descriptor of our own, once closed, would drop the locks this
    // process's connections hold on the file. Nothing when it cannot be read.
    static std::optional<std::string> fileHead(const std::filesystem::path& file, int count);
};

} // namespace fen::store
