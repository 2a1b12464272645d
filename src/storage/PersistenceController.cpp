#include "storage/PersistenceController.h"

#include "platform/foundation/FreeName.h"
#include "platform/foundation/Log.h"
#include "platform/store/Database.h"
#include "platform/store/RollbackJournal.h"
#include "platform/store/StoreError.h"
#include "platform/store/Transaction.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace fen {

namespace {

constexpr const char* kDatabaseName = "FenmoorData";

// The database's result codes: a file it cannot open, a write to a read-only store, and a hot
// journal met by a connection that may only read.
constexpr int kCantOpen = 14;
constexpr int kReadOnly = 8;
constexpr int kReadOnlyRollback = 8 | (3 << 8);

// Why a store whose save was cut short is not read until that save is undone.
constexpr const char* kSaveCutShort = "an interrupted save waits to be rolled back";

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

// Whether the store has its own number: a user version other than 0 (see RollbackJournal).
bool numbered(store::Database& db) {
    store::Statement s = db.prepare("PRAGMA user_version");
    return s.step() && s.columnBytes(0).value_or("0") != "0";
}

// Gives the store its own number, drawn at random, inside the caller's transaction.
void numberStore(store::Database& db) {
    std::random_device random;
    std::int32_t number = 0;
    while (number == 0) {
        number = static_cast<std::int32_t>(random());
    }
    db.exec("PRAGMA user_version = " + std::to_string(number));
}

// Whether the file's header says it is in write-ahead mode (its read and write versions, bytes 18
// and 19, are 2), read without opening anything but a regular file.
bool inWriteAheadMode(const std::filesystem::path& file) {
    const std::optional<std::string> head = store::RollbackJournal::fileHead(file, 20);
    return head && (*head)[18] == 2 && (*head)[19] == 2;
}

} // namespace

PersistenceController::PersistenceController(const StoreLocation& location)
    : file_(location.file), readOnly_(location.readOnly),
      failureToldByCaller_(location.failureToldByCaller) {
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

PersistenceController::~PersistenceController() = default;
PersistenceController::PersistenceController(PersistenceController&&) noexcept = default;
PersistenceController& PersistenceController::operator=(PersistenceController&&) noexcept = default;

std::unique_ptr<store::Database>
PersistenceController::openForReading(const std::filesystem::path& file) {
    try {
        return std::make_unique<store::Database>(file, store::OpenMode::readOnly);
    } catch (const store::StoreError& e) {
        if (e.code() == kReadOnlyRollback) {
            // A journal that appeared since it was looked at: it is judged at the next opening.
            throw store::StoreError(e.what(), e.code(), kSaveCutShort);
        }
        // A store the write-ahead versions closed cleanly holds everything in its file, and is
        // read as it is where its journal's side files cannot be made (a full disk, a read-only
        // folder).
        if (e.busy() || (!e.writeRefused() && !inWriteAheadMode(file))) {
            throw;
        }
        // Read as an unchanging file only what nothing beside it changes: never around a journal
        // (an interrupted save in a rollback journal, or changes in a write-ahead one).
        std::error_code ec;
        if (const std::string wal = file.string() + "-wal";
            std::filesystem::file_size(wal, ec) > 0 && !ec) {
            const std::string reason = "changes wait in its journal " + wal +
                                       ", which cannot be read while its folder cannot be written";
            throw store::StoreError(reason, e.code(), reason);
        }
        if (journalBeside(file)) {
            throw;
        }
        try {
            return std::make_unique<store::Database>(file, store::OpenMode::immutable);
        } catch (const store::StoreError&) {
            throw e;
        }
    }
}

bool PersistenceController::journalBeside(const std::filesystem::path& file) {
    struct stat st {};
    std::error_code ec;
    return ::lstat(store::RollbackJournal::pathOf(file).c_str(), &st) == 0 ||
           (std::filesystem::file_size(file.string() + "-wal", ec) > 0 && !ec);
}

std::unique_ptr<store::Database> PersistenceController::openWritable() {
    makeFolders(std::filesystem::absolute(file_).parent_path());
    auto db = std::make_unique<store::Database>(file_, store::OpenMode::readWriteCreate);
    db->setBusyTimeout(tryWait);
    // A store in write-ahead mode has its own frames folded in and its journal and index removed.
    // Another program still using the store keeps it in write-ahead mode (busy), and so does a
    // file or disk that cannot take the frames: the next opening for writing tries again.
    bool writeAhead = false;
    try {
        writeAhead = journalMode(*db) == "wal";
    } catch (const store::StoreError& e) {
        throwIfASideFileRefuses(*db, e);
        throw;
    }
    if (writeAhead && !db->readOnly()) {
        // Turned only where its journal and index can then be removed: frames left beside a store
        // in the rollback journal would be taken for another file's at the next opening.
        if (const std::string barred = sideFilesBarred(); !barred.empty()) {
            sideFileRefusal_ = barred;
            throw store::StoreError(barred, kReadOnly, barred);
        }
        try {
            store::Statement s = db->prepare("PRAGMA journal_mode=delete");
            if (s.step() && s.columnBytes(0) == "delete") {
                for (const std::filesystem::path& mark : journalMarks()) {
                    std::error_code ec;
                    std::filesystem::remove(mark, ec);
                }
            }
        } catch (const store::StoreError& e) {
            throwIfASideFileRefuses(*db, e);
        }
    }
    bool complete = true;
    for (const char* entity : entityNames()) {
        complete = complete && db->hasTable(entity);
    }
    // A store that has its tables is opened without writing, so another process's lock does not
    // keep it closed. The tables land in the file or, on a disk too full for them, not at all.
    if (!complete) {
        store::Transaction tx(*db, store::Transaction::Kind::immediate);
        db->exec(kSchema);
        numberStore(*db);
        tx.commit();
    } else if (!numbered(*db)) {
        // Made by an earlier version: numbered when it can be now, else at a later opening.
        try {
            store::Transaction tx(*db, store::Transaction::Kind::immediate);
            numberStore(*db);
            tx.commit();
        } catch (const store::StoreError&) {
        }
    }
    return db;
}

void PersistenceController::open() {
    container_.reset();
    std::string previousError = std::move(openError_);
    openError_.clear();
    openBusy_ = false;
    std::string readOnlyReason;
    sideFileRefusal_.clear();
    struct stat named {};
    const bool exists = ::stat(file_.c_str(), &named) == 0;
    if (readOnly_ && !exists) {
        // Nothing was ever stored: every read finds nothing, which is the truth.
        return;
    }
    try {
        const bool regular = exists && S_ISREG(named.st_mode);
        // The rollback journal first: no opening that could roll it back (or read around it)
        // comes before it is known to be the store's own.
        const JournalPlan plan = regular ? planForJournal() : JournalPlan{};
        const bool foreignFrames = regular && !plan.readAsItIs && framesOfAnotherFile();
        if (plan.readAsItIs || foreignFrames) {
            // Read as it is, without what stands beside it (no journal of its own): no write goes
            // to the store meanwhile.
            container_ = std::make_unique<store::Database>(file_, store::OpenMode::immutable);
            sideFileRefusal_ = plan.writeRefusal;
            readOnlyReason = plan.writeRefusal;
        } else if (readOnly_) {
            container_ = openForReading(file_);
        } else if (!plan.writeRefusal.empty()) {
            container_ = openForReading(file_);
            sideFileRefusal_ = plan.writeRefusal;
            readOnlyReason = plan.writeRefusal;
        } else {
            if (exists) {
                makeSideFilesWritable();
            }
            try {
                container_ = openWritable();
                if (plan.inertJournal) {
                    removeInertJournal(*container_);
                }
            } catch (const store::StoreError& e) {
                if (e.code() == kReadOnlyRollback) {
                    // A journal that appeared since it was looked at: judged at the next opening.
                    throw store::StoreError(e.what(), e.code(), kSaveCutShort);
                }
                if (!regular || e.busy()) {
                    throw;
                }
                const bool refused = e.writeRefused();
                // A store the write-ahead versions closed cleanly holds everything in its file, and
                // is read as it is where its journal's side files cannot be made (a full disk).
                if (!refused && !(inWriteAheadMode(file_) && !journalBeside(file_))) {
                    throw;
                }
                // Presets that cannot be changed are still the user's presets: read them.
                try {
                    container_ =
                        refused
                            ? openForReading(file_)
                            : std::make_unique<store::Database>(file_, store::OpenMode::immutable);
                } catch (const store::StoreError& unread) {
                    if (unread.hasOwnReason()) {
                        throw; // why it cannot be read either
                    }
                    throw e;
                }
                readOnlyReason = e.reason();
                if (!refused) {
                    sideFileRefusal_ = e.reason();
                }
            }
        }
        container_->setBusyTimeout(tryWait);
        // Tried again before each write: told once, as long as the reason stays.
        if (!readOnlyReason.empty() && readOnlyReason != readOnlyReason_) {
            log::message(
                log::Level::warning,
                "The preset store " + file_.string() +
                    (readOnly_ ? " is read as it is: " + readOnlyReason
                               : " cannot be written (" + readOnlyReason + "); it is only read"));
        }
        readOnlyReason_ = readOnlyReason;
    } catch (const store::StoreError& e) {
        container_.reset();
        openError_ = e.reason();
        openBusy_ = e.busy();
        // Tried again whenever the store is needed: one line per kind of failure is enough, and
        // none for another program's lock, which a write holds for a moment (the call that gives
        // up waiting tells it).
        if (openError_ != previousError && !openBusy_ && !failureToldByCaller_) {
            log::message(log::Level::error, "The preset store " + file_.string() +
                                                " could not be opened: " + openError_);
        }
    }
}

void PersistenceController::removeInertJournal(store::Database& db) {
    // A write of nothing: sqlite takes the journal over under its own lock and removes it when
    // the write ends. Another program writing meanwhile removes it in its turn.
    try {
        store::Transaction tx(db, store::Transaction::Kind::immediate);
        tx.commit();
    } catch (const store::StoreError&) {
    }
}

PersistenceController::JournalPlan PersistenceController::planForJournal() {
    namespace fs = std::filesystem;
    const store::RollbackJournal journal = store::RollbackJournal::inspect(file_);
    const std::string path = journal.path.string();
    const fs::path folder = fs::absolute(file_).parent_path();
    switch (journal.kind) {
    case store::RollbackJournal::Kind::none:
    case store::RollbackJournal::Kind::inUse: {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            return {};
        }
        // A journal this process cannot write refuses every write (which makes it anew), with
        // its own reason rather than "attempt to write a readonly database".
        if (::access(path.c_str(), W_OK) != 0) {
            return {false, "its journal " + path + " cannot be written"};
        }
        // Left by a save killed before it changed the file: nothing to roll back, and gone with
        // the next write.
        JournalPlan plan;
        plan.inertJournal = journal.kind == store::RollbackJournal::Kind::none;
        return plan;
    }
    case store::RollbackJournal::Kind::unreadable:
        // It may hold a save cut short, which must not be read around.
        throw store::StoreError("its journal " + path + " cannot be read", kCantOpen,
                                "its journal " + path + " cannot be read");
    case store::RollbackJournal::Kind::unusable:
        // Nothing there can be a journal: the file is all there is, and nothing may be written
        // beside it (sqlite would open it as the journal).
        return {true, "its journal " + path + " is " + journal.what};
    case store::RollbackJournal::Kind::another: {
        if (readOnly_) {
            return {true, {}};
        }
        const std::optional<fs::path> aside =
            setAside(journal.path, "-journal", "the journal of a save of another file");
        if (!aside) {
            return {true, "the journal of another file, " + path + ", waits beside it"};
        }
        log::message(log::Level::warning,
                     "The preset store " + file_.string() +
                         " replaced a file whose save was cut short, and that save's journal "
                         "was still beside it; that journal was set aside as " +
                         aside->string() + ", and the store is read as it is");
        return planForJournal();
    }
    case store::RollbackJournal::Kind::own:
        break;
    }
    // A save cut short: undone before anything is read, where the store, its journal and their
    // folder can be written (sqlite undoes it at the first read of an opening that may write).
    std::string cannot;
    if (::access(file_.c_str(), W_OK) != 0) {
        cannot = file_.string();
    } else if (::access(path.c_str(), W_OK) != 0) {
        cannot = "its journal";
    } else if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        cannot = "its folder " + folder.string();
    }
    if (!cannot.empty()) {
        const std::string reason =
            std::string(kSaveCutShort) + " from " + path + ", and " + cannot + " cannot be written";
        throw store::StoreError(reason, kReadOnly, reason);
    }
    if (readOnly_) {
        // Undone here too, as any program using the store undoes it; then read as ever.
        try {
            store::Database(file_, store::OpenMode::readWrite);
        } catch (const store::StoreError& e) {
            if (e.busy()) {
                throw;
            }
            const std::string reason =
                std::string(kSaveCutShort) + " from " + path + " (" + e.reason() + ")";
            throw store::StoreError(reason, e.code(), reason);
        }
    }
    return {};
}

std::string PersistenceController::sideFilesBarred() const {
    const std::filesystem::path folder = std::filesystem::absolute(file_).parent_path();
    struct stat at {};
    if (::access(folder.c_str(), W_OK | X_OK) != 0 || ::stat(folder.c_str(), &at) != 0) {
        return "its folder " + folder.string() + " cannot be written";
    }
    // In a folder whose files only their owners may remove (as /tmp).
    const uid_t user = ::geteuid();
    if ((at.st_mode & S_ISVTX) != 0 && at.st_uid != user && user != 0) {
        for (const char* suffix : {"-wal", "-shm"}) {
            const std::string side = file_.string() + suffix;
            struct stat st {};
            if (::lstat(side.c_str(), &st) == 0 && st.st_uid != user) {
                return "its journal " + side + " cannot be removed";
            }
        }
    }
    return {};
}

void PersistenceController::throwIfASideFileRefuses(const store::Database& db,
                                                    const store::StoreError& e) {
    if (db.readOnly() || !e.writeRefused()) {
        return;
    }
    // The file itself can be written.
    for (const char* suffix : {"-shm", "-wal"}) {
        const std::string side = file_.string() + suffix;
        if (::access(side.c_str(), F_OK) == 0 && ::access(side.c_str(), W_OK) != 0) {
            sideFileRefusal_ =
                std::string(suffix[1] == 's' ? "its journal index " : "its journal ") + side +
                " cannot be written";
            throw store::StoreError(e.what(), e.code(), sideFileRefusal_);
        }
    }
}

void PersistenceController::makeSideFilesWritable() const {
    struct stat storeFile {};
    if (::access(file_.c_str(), W_OK) != 0 || ::stat(file_.c_str(), &storeFile) != 0) {
        return;
    }
    for (const char* suffix : {"-wal", "-shm"}) {
        const std::string side = file_.string() + suffix;
        struct stat st {};
        if (::lstat(side.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            ::access(side.c_str(), W_OK) != 0) {
            ::chmod(side.c_str(), storeFile.st_mode & 0666);
        }
    }
}

std::vector<std::filesystem::path> PersistenceController::journalMarks() const {
    namespace fs = std::filesystem;
    const std::string prefix = "." + file_.filename().string() + "-wal.of-";
    std::vector<fs::path> marks;
    std::error_code ec;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::absolute(file_, ec).parent_path(), ec)) {
        if (entry.path().filename().string().starts_with(prefix) && entry.is_regular_file(ec) &&
            !entry.is_symlink(ec)) {
            marks.push_back(entry.path());
        }
    }
    return marks;
}

bool PersistenceController::framesOfAnotherFile() {
    namespace fs = std::filesystem;
    const std::string journal = file_.string() + "-wal";
    std::error_code ec;
    if (fs::file_size(journal, ec) == 0 || ec) {
        return false;
    }
    // Only the write-ahead versions of this program left frames at rest, and they marked the
    // frames that a full disk or another reader kept from being folded in with the device and
    // inode of their file. Frames beside a store in the rollback journal (one made or turned by
    // this version, restored in any way) are never its own.
    const std::vector<fs::path> marks = journalMarks();
    struct stat st {};
    ::stat(file_.c_str(), &st);
    const std::string ours = "." + file_.filename().string() + "-wal.of-" +
                             std::to_string(st.st_dev) + "-" + std::to_string(st.st_ino);
    const bool marked = std::any_of(marks.begin(), marks.end(),
                                    [&](const fs::path& mark) { return mark.filename() == ours; });
    if (inWriteAheadMode(file_) && (marks.empty() || marked)) {
        return false;
    }
    if (readOnly_) {
        return true;
    }
    const std::optional<fs::path> aside =
        setAside(journal, "-wal", "the journal of the file it replaced");
    if (!aside) {
        return true;
    }
    fs::remove(file_.string() + "-shm", ec);
    for (const fs::path& mark : marks) {
        fs::remove(mark, ec);
    }
    log::message(log::Level::warning,
                 "The preset store " + file_.string() +
                     " replaced a file whose last changes were still in the journal beside it, "
                     "not yet folded into that file; that journal was set aside as " +
                     aside->string() + ", and the store is read as it is");
    return false;
}

std::optional<std::filesystem::path>
PersistenceController::setAside(const std::filesystem::path& journal, const std::string& suffix,
                                const std::string& whose) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path aside = firstFreeName(fs::absolute(file_, ec).parent_path(),
                                         file_.stem().string() + ".journal-of-a-replaced-store",
                                         file_.extension().string() + suffix);
    std::error_code moved;
    fs::rename(journal, aside, moved);
    if (!moved) {
        return aside;
    }
    if (!std::exchange(toldFramesOfAnotherFile_, true)) {
        log::message(log::Level::warning, "The preset store " + file_.string() + " has beside it " +
                                              whose + ", which could not be set aside (" +
                                              moved.message() +
                                              "); it is read without it and not written");
    }
    return std::nullopt;
}

void PersistenceController::release() {
    container_.reset();
}

bool PersistenceController::refresh(bool forWriting) {
    if (containerMissing_) {
        return false;
    }
    if (!container_ || (forWriting && !readOnly_ && container_->readOnly())) {
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
