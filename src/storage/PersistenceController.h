#pragma once

#include <array>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>

namespace fen::store {
class Database;
}

namespace fen {

// Where the store lives and how it is opened.
struct StoreLocation {
    // The store file. Empty: "FenmoorData.sqlite" directly in the shared container folder.
    std::filesystem::path file;
    // Open for reading only: nothing is created, and every write fails.
    bool readOnly = false;
};

// Opens the one embedded store of the application: an sqlite file with one table per stored
// entity, shared by the window and the command line (WAL journal). The entities
// are the seven blob holders (each holding one JSON document of its kind in `data`) and
// DBImageStorage (`imageID`, `data`), plus DBImageList's unused `id`.
//
// At rest the store is its file alone: it is made through the rollback journal, each write is
// folded into the file when it ends and the connection is closed between calls, so a file renamed
// over the store (a backup restored, a sync client) is read as it is, never with the journal or
// journal index of the file it replaced. Where a write's frames cannot be folded in (a disk too
// full for the file to grow), an empty mark beside the store names the file they belong to
// (".FenmoorData.sqlite-wal.of-DEVICE-INODE") until they are; a store found with frames marked
// for another file sets that journal aside, tells it, and is read as it is.
//
// A store that cannot be opened is not an error for the caller: it is logged and left unopened,
// so reads find nothing and writes fail until refresh() opens it (a lock held by another process
// at start ends, a damaged file is replaced). A container folder that cannot be had leaves the
// store unopened for good, and the caller learns it from containerMissing(): the application
// decides whether to stop.
//
// A store that cannot be written (a read-only file, a folder or mount where the journal's side
// files cannot be made) is read all the same: it is opened read-only, or, where not even that can
// be had without the side files, as an unchanging file. Writes then fail as "attempt to write a
// readonly database", and each write first tries to open the store for writing again, so a store
// that became writable is written.
//
// Opening never waits for another connection's lock longer than tryWait: the window opens the
// store on its GUI thread. The connection keeps that short busy timeout; whoever must wait longer
// tries again (CoreDataBase).
class PersistenceController {
public:
    // What the application tells the user when the container folder cannot be had.
    static constexpr const char* containerFailureMessage =
        "Shared file container could not be created.";

    explicit PersistenceController(const StoreLocation& location = {});
    ~PersistenceController();
    PersistenceController(PersistenceController&&) noexcept;
    PersistenceController& operator=(PersistenceController&&) noexcept;

    // How long one call waits for another connection's lock.
    static constexpr std::chrono::milliseconds tryWait{20};

    // The opened database, or nullptr when the store could not be opened.
    store::Database* container() const { return container_.get(); }
    // Makes container() name the file at storeFile() once more when it can: an unopened store is
    // opened, and a store whose file was deleted or replaced since it was opened (its path no
    // longer names the open file's device and inode) is opened anew, made afresh as at a first
    // start when it may be written; a store read as an unchanging file is opened anew as soon as
    // the file or its journal changes. With `forWriting`, a store that could only be read when it
    // was opened is tried for writing once more. True when a database is open afterwards.
    bool refresh(bool forWriting = false);
    // Tells that a write through container() has ended: the frames of the write-ahead journal are
    // folded into the file and the journal emptied, so that none stay beside the file at rest,
    // where a file renamed over the store would take them for its own. While another connection
    // still reads an older state, that cannot be finished: the frames are folded in when a later
    // write ends, or go with the old file's journal when the store is found replaced (the old
    // file is gone from the path then); the write has succeeded all the same.
    void writeEnded();
    // Ends the use of the connection after a call: it is closed, so that between calls no journal
    // or journal index of this program is in use beside the file, for a file renamed over the
    // store to be read with. A connection whose last write left frames in the journal stays open
    // until a later write folds them in, or until the store is found replaced (refresh()), when
    // they go with the old file's journal. The next refresh() opens the store again. A
    // connection that could only read leaves no empty journal and index beside the file either
    // (removeEmptyJournal()).
    void release();
    // Why the last opening failed ("database is locked", "file is not a database"); empty while
    // the store is open.
    const std::string& openError() const { return openError_; }
    // Whether the last opening failed only because another connection held a lock.
    bool openBusy() const { return openBusy_; }
    const std::filesystem::path& storeFile() const { return file_; }
    bool readOnly() const { return readOnly_; }
    // True when the store was to live in the container folder and none could be had (neither
    // $XDG_DATA_HOME nor $HOME set, or the folder cannot be made): nothing was opened.
    bool containerMissing() const { return containerMissing_; }

    // The shared container folder: $XDG_DATA_HOME/fenmoor when that variable holds an absolute
    // path, else $HOME/.local/share/fenmoor; empty when neither is set.
    static std::filesystem::path containerFolder();

    // The store file for a database name ("FenmoorData" gives ".../fenmoor/FenmoorData.sqlite"),
    // creating the container folder (and its missing parents) with mode 0700; nothing when no
    // container folder can be had.
    static std::optional<std::filesystem::path> appGroupStoreURL(const std::string& databaseName);

    // Opens an existing store file for reading only: read-only, or as an unchanging file
    // (store::OpenMode::immutable) where the read-only opening fails because the journal's side
    // files cannot be made. Throws the read-only opening's StoreError when neither can be had.
    static std::unique_ptr<store::Database> openForReading(const std::filesystem::path& file);

    // The entities of the data model, the only table names the store ever uses.
    static const std::array<const char*, 8>& entityNames();

private:
    // What is known of a file on disk: whether it is there, and which file it is with its size and
    // modification time.
    struct FileState {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long modifiedNs = 0;
        bool operator==(const FileState&) const = default;
    };
    static FileState stateOf(const std::filesystem::path& file);

    void open();
    // The read-write opening of the store: makes the folder, the file and the tables as needed.
    std::unique_ptr<store::Database> openWritable();
    // Opens the store for writing in place of a read-only connection, when that can be had now.
    void reopenForWriting();
    // True while the file at storeFile() is still the one container_ reads.
    bool stillOpened() const;
    // Closes container_, whose file was replaced or removed, without its journal ever being read
    // as the journal of the file now at storeFile().
    void closeReplaced();
    // After a connection that could only read has closed: such a connection makes the journal
    // and its index when the store has none, but cannot fold the journal in and so leaves both
    // (an empty journal and 32 KB of index) when it closes, where the store's last connection
    // otherwise removes them. When the journal is empty, a connection that may write is opened
    // and closed at once, and its close removes them as a last connection's does: only when no
    // other connection of any program has the store open (it must lock the file for itself
    // first), and with every frame that might have come meanwhile folded into the file first.
    // Where the store cannot be written nothing is removed.
    void removeEmptyJournal();
    void rememberOpened();
    // The mark that tells that frames of `owner` wait in the journal.
    std::filesystem::path journalMark(const FileState& owner) const;
    // Marks the journal as holding frames of the opened file.
    void markJournal();
    // True when the journal beside the store holds frames marked for another file and stays
    // there: a store only read leaves it, and one that may be written sets it aside (told) and
    // gives false, unless that fails. Stale marks are removed.
    bool journalOfAnotherFile();

    std::filesystem::path file_;
    bool readOnly_ = false;
    bool containerMissing_ = false;
    std::unique_ptr<store::Database> container_;
    std::string openError_;
    bool openBusy_ = false;
    // Why the store is only read though it was to be written; empty while it can be written.
    std::string readOnlyReason_;
    // The file container_ was opened on, and its write-ahead journal then.
    FileState opened_;
    FileState openedJournal_;
    // Frames of container_'s writes are still in the journal: folding them in could not be
    // finished when the write ended.
    bool framesLeft_ = false;
    // The journal that cannot be read of a store read as an unchanging file was told of.
    bool toldJournalUnread_ = false;
    // The journal of another file that could not be set aside was told of.
    bool toldJournalOfAnotherFile_ = false;
};

} // namespace fen
