#pragma once

#include <array>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fen::store {
class Database;
class StoreError;
} // namespace fen::store

namespace fen {

// Where the store lives and how it is opened.
struct StoreLocation {
    // The store file. Empty: "FenmoorData.sqlite" directly in the shared container folder.
    std::filesystem::path file;
    // Open for reading only: nothing is created, and every write fails.
    bool readOnly = false;
    // The caller tells an opening that fails itself (the command line ends with it), so it is not
    // logged as well.
    bool failureToldByCaller = false;
};

// Opens the one embedded store of the application: an sqlite file with one table per stored
// entity, shared by the window and the command line. The entities are the seven blob holders
// (each holding one JSON document of its kind in `data`) and DBImageStorage (`imageID`, `data`),
// plus DBImageList's unused `id`.
//
// The store keeps sqlite's rollback journal: each save is one short transaction written into the
// file itself, and the connection is closed between calls, so a journal exists only while a save
// runs, or after a program was killed during one, until the next opening that may write (the
// window's, or the command line's where the store, its journal and their folder can be written)
// rolls it back. At rest the store is its file alone: a file put in its place in any way (renamed
// over it, copied over it, removed and copied in) is read as it is. No opening reads the store
// around a journal: the journal beside it is judged before any opening that could roll it back
// (store::RollbackJournal). Another file's journal is set aside and told; the store's own, where
// it cannot be rolled back, keeps the store from being read at all, and the reason says that an
// interrupted save waits. A journal's path that holds no regular file is never opened: the store
// is read as it is, not written, and that is told. The write-ahead journal of earlier versions of
// this program left frames beside the store; a store found in write-ahead mode is turned to the
// rollback journal at its next opening for writing, its own frames folded in first, where its
// side files can then be removed. Frames that are not its own (see framesOfAnotherFile()) are set
// aside and told, never read into it.
//
// A store that cannot be opened is not an error for the caller: it is logged (but for another
// program's lock, which a write holds for a moment) and left unopened, so reads and writes fail
// until refresh() opens it (the lock ends, a damaged file is replaced); a store never made reads
// as holding nothing. A container folder that cannot be had leaves the
// store unopened for good, and the caller learns it from containerMissing(): the application
// decides whether to stop. Only a regular file is opened at the store's path.
//
// A store that cannot be written (a read-only file, folder or mount) is read all the same: it is
// opened read-only, or, where a store with no journal beside it cannot be read without side files
// that cannot be made (one left in write-ahead mode), as an unchanging file. Writes then fail with
// the reason, and each write first tries to open the store for writing again, so a store that
// became writable is written.
//
// Opening never waits for another connection's lock longer than tryWait. The connection keeps
// that short busy timeout; whoever must wait longer tries again (CoreDataBase).
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
    // Opens the store when it is not open; with `forWriting`, a store that could only be read
    // when it was opened is tried for writing once more. True when a database is open afterwards.
    bool refresh(bool forWriting = false);
    // Ends the use of the connection after a call: it is closed, and the next refresh() opens the
    // store anew, as the file at storeFile() is then.
    void release();
    // Why the last opening failed ("database is locked", "file is not a database"); empty while
    // the store is open.
    const std::string& openError() const { return openError_; }
    // Whether the last opening failed only because another connection held a lock.
    bool openBusy() const { return openBusy_; }
    const std::filesystem::path& storeFile() const { return file_; }
    bool readOnly() const { return readOnly_; }
    // Why a store whose file can be written is only read: a side file of its write-ahead journal
    // that cannot be written ("its journal index PATH cannot be written"); empty otherwise.
    const std::string& sideFileRefusal() const { return sideFileRefusal_; }
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
    // files cannot be made and no journal lies beside it. Throws the read-only opening's
    // StoreError when neither can be had.
    static std::unique_ptr<store::Database> openForReading(const std::filesystem::path& file);

    // The entities of the data model, the only table names the store ever uses.
    static const std::array<const char*, 8>& entityNames();

private:
    // How the rollback journal beside the store lets it be opened.
    struct JournalPlan {
        // Read as an unchanging file: nothing beside it is its journal (another file's journal
        // that could not be set aside, or no regular file at the journal's path).
        bool readAsItIs = false;
        // Why nothing may be written beside it; empty when writing may be tried.
        std::string writeRefusal;
        // A journal left by a save killed before it changed the file, which the next opening
        // that may write removes.
        bool inertJournal = false;
    };

    void open();
    // Judges the journal beside the store before any opening that could roll it back: another
    // file's is set aside (told), the store's own is rolled back where the store, the journal
    // and their folder can be written (the command line's opening does it itself), and where they
    // cannot, throws: an interrupted save waits to be rolled back, and nothing is read around it.
    JournalPlan planForJournal();
    void removeInertJournal(store::Database& db);
    // Sets another file's journal (`journal`, the store's path with `suffix`) aside under the
    // first free ".journal-of-a-replaced-store" name beside the store and gives that name; where it
    // cannot be moved, tells so once, naming it `whose` ("the journal of the file it replaced").
    std::optional<std::filesystem::path> setAside(const std::filesystem::path& journal,
                                                  const std::string& suffix,
                                                  const std::string& whose);
    // Whether a journal lies beside `file`: anything at its rollback journal's path, or changes
    // in its write-ahead journal.
    static bool journalBeside(const std::filesystem::path& file);
    // The read-write opening of the store: makes the folder, the file and the tables as needed,
    // and turns a store in write-ahead mode to the rollback journal.
    std::unique_ptr<store::Database> openWritable();
    // True when frames of the write-ahead journal rest beside the store that are not its own and
    // stay there: a store only read leaves them, and one that may be written sets them aside
    // (told) and gives false, unless that fails. Its own are those beside a store still in
    // write-ahead mode, unless the earlier versions marked them as another file's.
    bool framesOfAnotherFile();
    // The marks with which the write-ahead versions named the file whose frames waited in the
    // journal (".FenmoorData.sqlite-wal.of-DEVICE-INODE").
    std::vector<std::filesystem::path> journalMarks() const;
    // Where the file can be written but `e` refused a write all the same, throws the refusal of
    // the side file that cannot be written (one of another user's), told as the reason.
    void throwIfASideFileRefuses(const store::Database& db, const store::StoreError& e);
    // A store read by the write-ahead versions while its file could only be read kept its journal
    // and journal index with the file's mode then (0444), and a connection that may write refuses
    // every write beside an index it cannot write: once the file can be written, the side files
    // of the user's own take its mode again.
    void makeSideFilesWritable() const;
    // Why the side files of a store in write-ahead mode could not be removed once it is turned to
    // the rollback journal; empty when they can.
    std::string sideFilesBarred() const;

    std::filesystem::path file_;
    bool readOnly_ = false;
    bool failureToldByCaller_ = false;
    bool containerMissing_ = false;
    std::unique_ptr<store::Database> container_;
    std::string openError_;
    bool openBusy_ = false;
    // Why the store is only read though it was to be written; empty while it can be written.
    std::string readOnlyReason_;
    std::string sideFileRefusal_;
    // A journal or frames of another file that could not be set aside were told of.
    bool toldFramesOfAnotherFile_ = false;
};

} // namespace fen
