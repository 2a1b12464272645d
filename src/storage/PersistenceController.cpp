#include "storage/PersistenceController.h"

#include "platform/foundation/FreeName.h"
#include "platform/foundation/Log.h"
#include "platform/store/Database.h"
#include "platform/store/StoreError.h"
#include "platform/store/Transaction.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace fen {

namespace {

constexpr const char* kDatabaseName = "FenmoorData";

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS DBTextPresets (data BLOB);
CREATE TABLE IF NOT EXISTS DBImagePresets (data BLOB);
CREATE TABLE IF NOT EXISTS DBStampPresets (data BLOB);
CREATE TABLE IF NOT EXISTS DBPageNumberPresets (data BLOB);
CREATE TABLE IF NOT EXISTS DBStampList (data BLOB);
CREATE TABLE IF NOT EXISTS DBPageNumberList (data BLOB);
CREATE TABLE IF NOT EXISTS DBImageList (id TEXT, data BLOB);
CREATE TABLE IF NOT EXISTS DBImageStorage (imageID TEXT, data BLOB);
CREATE INDEX IF NOT EXISTS DBImageStorage_imageID ON DBImageStorage (imageID);
)sql";

// Creates `folder` and each missing parent with mode 0700; true when it is a folder afterwards.
bool makeFolders(const std::filesystem::path& folder) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) {
        return true;
    }
    std::filesystem::path parent = folder.parent_path();
    if (!parent.empty() && parent != folder && !makeFolders(parent)) {
        return false;
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    return std::filesystem::is_directory(folder, ec);
}

// The journal mode of the connection's file ("wal", "delete").
std::string journalMode(store::Database& db) {
    store::Statement s = db.prepare("PRAGMA journal_mode");
    return s.step() ? s.columnBytes(0).value_or("") : std::string();
}

// Asks for another journal mode; a mode that cannot be had now is kept as it is, except that
// another connection's lock is the caller's to wait for.
void setJournalMode(store::Database& db, const char* mode) {
    try {
        db.exec(std::string("PRAGMA journal_mode=") + mode);
    } catch (const store::StoreError& e) {
        if (e.busy()) {
            throw;
        }
    }
}

} // namespace

PersistenceController::PersistenceController(const StoreLocation& location)
    : file_(location.file), readOnly_(location.readOnly) {
    if (file_.empty() && readOnly_) {
        // Reading creates nothing: a container that was never made simply holds no store yet.
        std::filesystem::path folder = containerFolder();
        if (folder.empty()) {
            containerMissing_ = true;
            return;
        }
        file_ = folder / (std::string(kDatabaseName) + ".sqlite");
    } else if (file_.empty()) {
        std::optional<std::filesystem::path> url = appGroupStoreURL(kDatabaseName);
        if (!url) {
            containerMissing_ = true;
            return;
        }
        file_ = *url;
    }
    open();
}

PersistenceController::~PersistenceController() {
    // A store replaced since the last call is closed as at the next call.
    if (container_ && !stillOpened()) {
        closeReplaced();
    } else if (container_ && framesLeft_) {
        // Closing the last connection folds the frames in when it can; the mark goes with them.
        container_.reset();
        std::error_code ec;
        if (std::filesystem::file_size(file_.string() + "-wal", ec) == 0 || ec) {
            std::filesystem::remove(journalMark(opened_), ec);
        }
    }
}
PersistenceController::PersistenceController(PersistenceController&&) noexcept = default;
PersistenceController& PersistenceController::operator=(PersistenceController&&) noexcept = default;

PersistenceController::FileState PersistenceController::stateOf(const std::filesystem::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        return {};
    }
    return FileState{true, st.st_dev, st.st_ino, st.st_size,
                     static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

std::unique_ptr<store::Database>
PersistenceController::openForReading(const std::filesystem::path& file) {
    try {
        return std::make_unique<store::Database>(file, store::OpenMode::readOnly);
    } catch (const store::StoreError& e) {
        if (e.busy() || !e.writeRefused()) {
            throw;
        }
        try {
            return std::make_unique<store::Database>(file, store::OpenMode::immutable);
        } catch (const store::StoreError&) {
            throw e;
        }
    }
}

std::unique_ptr<store::Database> PersistenceController::openWritable() {
    makeFolders(std::filesystem::absolute(file_).parent_path());
    auto db = std::make_unique<store::Database>(file_, store::OpenMode::readWriteCreate);
    db->setBusyTimeout(tryWait);
    bool complete = true;
    for (const char* entity : entityNames()) {
        complete = complete && db->hasTable(entity);
    }
    // A store that has its tables is opened without writing, so another process's lock does not
    // keep it closed.
    if (!complete) {
        // Made through the rollback journal: the tables land in the file itself or, on a disk
        // too full for them, not at all. Made through the write-ahead journal, they could stay
        // there as frames that a full disk keeps from being folded in, and a file later renamed
        // over the store would take them for its own. A store already in write-ahead mode (made
        // by another program) leaves it only when no other connection has it open.
        if (journalMode(*db) == "wal") {
            setJournalMode(*db, "delete");
        }
        store::Transaction tx(*db, store::Transaction::Kind::immediate);
        db->exec(kSchema);
        tx.commit();
        framesLeft_ = !db->checkpoint();
    }
    // The write-ahead journal lets the window and the command line use the store at once. A file
    // system without shared memory keeps the rollback journal; still usable.
    setJournalMode(*db, "wal");
    return db;
}

void PersistenceController::open() {
    container_.reset();
    framesLeft_ = false;
    std::string previousError = std::move(openError_);
    openError_.clear();
    openBusy_ = false;
    std::string readOnlyReason;
    bool toldReadOnly = false;
    std::error_code ec;
    const bool exists = std::filesystem::exists(file_, ec);
    if (readOnly_ && !exists) {
        // Nothing was ever stored: every read finds nothing, which is the truth.
        return;
    }
    const bool foreignJournal = exists && journalOfAnotherFile();
    try {
        if (foreignJournal) {
            // Read as it is, without the journal: the journal stays for a start that can set it
            // aside, and no write goes to the store meanwhile.
            container_ = std::make_unique<store::Database>(file_, store::OpenMode::immutable);
        } else if (readOnly_) {
            container_ = openForReading(file_);
        } else {
            try {
                container_ = openWritable();
            } catch (const store::StoreError& e) {
                if (!exists || e.busy() || !e.writeRefused()) {
                    throw;
                }
                // Presets that cannot be changed are still the user's presets: read them.
                try {
                    container_ = openForReading(file_);
                } catch (const store::StoreError&) {
                    throw e;
                }
                // Tried again before each write: told once, as long as the reason stays.
                if (e.reason() != readOnlyReason_) {
                    toldReadOnly = true;
                    log::message(log::Level::warning, "The preset store " + file_.string() +
                                                          " cannot be written (" + e.reason() +
                                                          "); it is only read");
                }
                readOnlyReason = e.reason();
            }
        }
        container_->setBusyTimeout(tryWait);
        readOnlyReason_ = readOnlyReason;
        rememberOpened();
        if (framesLeft_) {
            markJournal();
        }
        if (container_->mode() == store::OpenMode::immutable && openedJournal_.size > 0 &&
            !foreignJournal && (readOnly_ || toldReadOnly) &&
            !std::exchange(toldJournalUnread_, true)) {
            log::message(log::Level::warning,
                         "The preset store " + file_.string() +
                             " has changes in its journal that cannot be read while its folder "
                             "cannot be written; it is read as it was before them");
        }
    } catch (const store::StoreError& e) {
        container_.reset();
        openError_ = e.reason();
        openBusy_ = e.busy();
        // Tried again whenever the store is needed: one line per kind of failure is enough.
        if (openError_ != previousError) {
            log::message(log::Level::error, "The preset store " + file_.string() +
                                                " could not be opened: " + e.what());
        }
    }
}

void PersistenceController::reopenForWriting() {
    // The read-only connection is closed first: connections of one process share the journal's
    // index, and one opened read-only would keep the new connection from writing.
    container_.reset();
    open();
}

void PersistenceController::rememberOpened() {
    opened_ = stateOf(file_);
    openedJournal_ = stateOf(file_.string() + "-wal");
}

bool PersistenceController::stillOpened() const {
    FileState now = stateOf(file_);
    if (!now.exists || now.device != opened_.device || now.inode != opened_.inode) {
        return false;
    }
    // A file read as unchanging must be read anew once anything writes it or its journal.
    return container_->mode() != store::OpenMode::immutable ||
           (now == opened_ && stateOf(file_.string() + "-wal") == openedJournal_);
}

void PersistenceController::writeEnded() {
    const bool left = container_ && !container_->readOnly() && !container_->checkpoint();
    if (left && !framesLeft_) {
        markJournal();
    } else if (!left) {
        // Also the mark of frames an earlier run left, folded in now.
        std::error_code ec;
        std::filesystem::remove(journalMark(opened_), ec);
    }
    framesLeft_ = left;
}

std::filesystem::path PersistenceController::journalMark(const FileState& owner) const {
    std::error_code ec;
    return std::filesystem::absolute(file_, ec).parent_path() /
           ("." + file_.filename().string() + "-wal.of-" + std::to_string(owner.device) + "-" +
            std::to_string(owner.inode));
}

void PersistenceController::markJournal() {
    // Empty, so that it can be made on a disk too full for the frames to be folded in.
    const int fd = ::open(journalMark(opened_).c_str(),
                          O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
    }
}

bool PersistenceController::journalOfAnotherFile() {
    namespace fs = std::filesystem;
    const std::string prefix = "." + file_.filename().string() + "-wal.of-";
    const std::string ours = journalMark(stateOf(file_)).filename().string();
    std::vector<fs::path> marks;
    bool marked = false;
    std::error_code ec;
    const fs::path folder = fs::absolute(file_, ec).parent_path();
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && entry.is_regular_file(ec) && !entry.is_symlink(ec)) {
            marks.push_back(entry.path());
            marked = marked || name == ours;
        }
    }
    if (marks.empty()) {
        return false;
    }
    const std::string journal = file_.string() + "-wal";
    std::error_code noJournal;
    const bool frames = fs::file_size(journal, noJournal) > 0 && !noJournal;
    if (!frames || marked) {
        // Folded in since (by another program), or this file's own frames: the marks of files
        // gone are stale.
        if (!readOnly_) {
            for (const fs::path& mark : marks) {
                if (mark.filename() != ours || !frames) {
                    fs::remove(mark, ec);
                }
            }
        }
        return false;
    }
    if (readOnly_) {
        return true;
    }
    const fs::path aside =
        firstFreeName(folder, file_.stem().string() + ".journal-of-a-replaced-store",
                      file_.extension().string() + "-wal");
    std::error_code moved;
    fs::rename(journal, aside, moved);
    if (moved) {
        if (!std::exchange(toldJournalOfAnotherFile_, true)) {
            log::message(log::Level::warning,
                         "The preset store " + file_.string() +
                             " has beside it the journal of the file it replaced, which could "
                             "not be set aside (" +
                             moved.message() + "); it is read without it and not written");
        }
        return true;
    }
    fs::remove(file_.string() + "-shm", ec);
    for (const fs::path& mark : marks) {
        fs::remove(mark, ec);
    }
    log::message(log::Level::warning,
                 "The preset store " + file_.string() +
                     " replaced a file whose last changes were still in the journal beside it, "
                     "not yet folded into that file (a disk too full for it to grow); that "
                     "journal was set aside as " +
                     aside.string() + ", and the store is read as it is");
    return false;
}

void PersistenceController::release() {
    if (container_ && !stillOpened()) {
        closeReplaced();
    } else if (!framesLeft_) {
        const bool onlyRead = container_ && container_->readOnly() &&
                              container_->mode() != store::OpenMode::immutable;
        container_.reset();
        if (onlyRead) {
            removeEmptyJournal();
        }
    }
}

void PersistenceController::removeEmptyJournal() {
    std::error_code ec;
    if (std::filesystem::file_size(file_.string() + "-wal", ec) != 0 || ec) {
        return;
    }
    try {
        // Reading the schema opens the journal; closing removes it and its index when it can.
        store::Database(file_, store::OpenMode::readWrite);
    } catch (const store::StoreError&) {
        // The store cannot be written or is busy: another connection removes them in time.
    }
}

void PersistenceController::closeReplaced() {
    if (framesLeft_) {
        // The last write could not be folded into the old file (another connection still reads
        // it), so its frames are in the journal beside the path: taken away with the journal's
        // index, before a connection to the new file reads them as its own. Only the journal
        // this connection opened is taken: another one came with the new file.
        const std::string journal = file_.string() + "-wal";
        const FileState now = stateOf(journal);
        if (now.exists && now.device == openedJournal_.device &&
            now.inode == openedJournal_.inode) {
            std::error_code ec;
            std::filesystem::remove(journal, ec);
            std::filesystem::remove(file_.string() + "-shm", ec);
            std::filesystem::remove(journalMark(opened_), ec);
        }
        framesLeft_ = false;
    }
    container_->keepJournalOnClose();
    container_.reset();
}

bool PersistenceController::refresh(bool forWriting) {
    if (containerMissing_) {
        return false;
    }
    if (container_ && !stillOpened()) {
        log::message(log::Level::warning, "The preset store " + file_.string() +
                                              " was removed, replaced or changed; it is opened "
                                              "anew");
        closeReplaced();
    }
    if (container_ && forWriting && !readOnly_ && container_->readOnly()) {
        reopenForWriting();
    }
    if (!container_) {
        open();
    }
    return container_ != nullptr;
}

std::filesystem::path PersistenceController::containerFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg && std::filesystem::path(xdg).is_absolute()) {
        return std::filesystem::path(xdg) / "fenmoor";
    }
    const char* home = std::getenv("HOME");
    if (home && *home) {
        return std::filesystem::path(home) / ".local" / "share" / "fenmoor";
    }
    return {};
}

std::optional<std::filesystem::path>
PersistenceController::appGroupStoreURL(const std::string& databaseName) {
    std::filesystem::path folder = containerFolder();
    if (folder.empty() || !makeFolders(folder)) {
        return std::nullopt;
    }
    return folder / (databaseName + ".sqlite");
}

const std::array<const char*, 8>& PersistenceController::entityNames() {
    static const std::array<const char*, 8> names{
        "DBTextPresets", "DBImagePresets",   "DBStampPresets", "DBPageNumberPresets",
        "DBStampList",   "DBPageNumberList", "DBImageList",    "DBImageStorage"};
    return names;
}

} // namespace fen
