#include "storage/PersistenceController.h"

#include "platform/foundation/FreeName.h"
#include "platform/foundation/Log.h"
#include "platform/store/Database.h"
#include "platform/store/StoreError.h"
#include "platform/store/Transaction.h"

#include <algorithm>
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

// Whether the file's header says it is in write-ahead mode (its read and write versions, bytes 18
// and 19, are 2), read without opening anything but a regular file.
bool inWriteAheadMode(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    unsigned char versions[2] = {};
    const bool read = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                      ::pread(fd, versions, sizeof versions, 18) == ssize_t(sizeof versions);
    ::close(fd);
    return read && versions[0] == 2 && versions[1] == 2;
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

PersistenceController::~PersistenceController() = default;
PersistenceController::PersistenceController(PersistenceController&&) noexcept = default;
PersistenceController& PersistenceController::operator=(PersistenceController&&) noexcept = default;

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
    if (writeAhead) {
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
        tx.commit();
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
    bool toldReadOnly = false;
    struct stat named {};
    const bool exists = ::stat(file_.c_str(), &named) == 0;
    if (readOnly_ && !exists) {
        // Nothing was ever stored: every read finds nothing, which is the truth.
        return;
    }
    try {
        const bool foreignFrames = exists && S_ISREG(named.st_mode) && framesOfAnotherFile();
        if (foreignFrames) {
            // Read as it is, without them: they stay for a start that can set them aside, and no
            // write goes to the store meanwhile.
            container_ = std::make_unique<store::Database>(file_, store::OpenMode::immutable);
        } else if (readOnly_) {
            container_ = openForReading(file_);
        } else {
            if (exists) {
                makeSideFilesWritable();
            }
            try {
                container_ = openWritable();
            } catch (const store::StoreError& e) {
                if (!exists || e.busy() || !e.writeRefused() || !S_ISREG(named.st_mode)) {
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
        std::error_code noJournal;
        if (container_->mode() == store::OpenMode::immutable && !foreignFrames &&
            (readOnly_ || toldReadOnly) &&
            std::filesystem::file_size(file_.string() + "-wal", noJournal) > 0 && !noJournal &&
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
        // Tried again whenever the store is needed: one line per kind of failure is enough, and
        // none for another program's lock, which a write holds for a moment (the call that gives
        // up waiting tells it).
        if (openError_ != previousError && !openBusy_) {
            log::message(log::Level::error, "The preset store " + file_.string() +
                                                " could not be opened: " + e.what());
        }
    }
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
    const fs::path folder = fs::absolute(file_, ec).parent_path();
    const fs::path aside =
        firstFreeName(folder, file_.stem().string() + ".journal-of-a-replaced-store",
                      file_.extension().string() + "-wal");
    std::error_code moved;
    fs::rename(journal, aside, moved);
    if (moved) {
        if (!std::exchange(toldFramesOfAnotherFile_, true)) {
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
                     "not yet folded into that file; that journal was set aside as " +
                     aside.string() + ", and the store is read as it is");
    return false;
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
