#include "storage/CoreDataBase.h"

#include "export/FenFilesStorage.h"
#include "platform/foundation/Dates.h"
#include "platform/foundation/FreeName.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Uuid.h"
#include "platform/foundation/WholeFileReader.h"
#include "platform/pdf/PdfMarker.h"
#include "platform/store/Database.h"
#include "platform/store/StoreError.h"
#include "platform/store/Transaction.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fen {

namespace {

std::mutex sharedMutex;
std::shared_ptr<CoreDataBase> sharedInstance;

// Why the calling thread's last failed write failed (see lastFailure()).
thread_local std::string lastFailureReason;
// The calling thread's bound on a write's patience (see setThreadWritePatience()).
thread_local std::optional<std::chrono::milliseconds> threadWritePatience;
// Whether the calling thread never uses the store (see setThreadRefusesStore()).
thread_local bool threadRefusesStore = false;

// The pause between two tries of a busy store.
constexpr std::chrono::milliseconds kRetryPause{10};

// The database's result codes for a file it cannot open and for a write to a read-only store.
constexpr int kCantOpen = 14;
constexpr int kReadOnly = 8;

void reportDeleteError() {
    log::message(log::Level::error, "There was an error");
}

// The characters mkostemps() puts in place of the X's of a partial copy's name.
bool isTemporaryNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Whether `name` is what copyBeside() names its partial copies, "STEMXXXXXX.sqlite", or their
// journals, the same followed by "-journal" (`journal`): nothing else is ever swept.
bool isPartialCopyName(std::string_view name, std::string_view stem, std::string_view extension,
                       bool journal) {
    constexpr std::string_view kJournal = "-journal";
    if (journal) {
        if (!name.ends_with(kJournal)) {
            return false;
        }
        name.remove_suffix(kJournal.size());
    }
    if (!name.starts_with(stem) || !name.ends_with(extension) ||
        name.size() != stem.size() + 6 + extension.size()) {
        return false;
    }
    const std::string_view unique = name.substr(stem.size(), 6);
    return std::all_of(unique.begin(), unique.end(), isTemporaryNameCharacter);
}

// Removes `path` when it still is the file `expected` describes: never another one put in its
// place meanwhile, and never a folder.
void removeIfStill(const std::filesystem::path& path, const struct stat& expected) {
    struct stat now {};
    if (::lstat(path.c_str(), &now) == 0 && now.st_dev == expected.st_dev &&
        now.st_ino == expected.st_ino && S_ISREG(now.st_mode)) {
        ::unlink(path.c_str());
    }
}

// Statements name only the model's entities, which are program constants.
std::string selectNewest(const char* entity) {
    return std::string("SELECT data FROM ") + entity + " ORDER BY rowid DESC LIMIT 1";
}

} // namespace

std::string CoreDataBase::partialCopyStem(const std::filesystem::path& file) {
    return "." + file.stem().string() + ".partial-copy-";
}

CoreDataBase::CoreDataBase(PersistenceController controller) : controller_(std::move(controller)) {
    sweepPartialCopies();
    // The opening (which may have made the store) is the first call: the connection is let go.
    controller_.release();
}

void CoreDataBase::sweepPartialCopies() {
    const store::Database* db = controller_.container();
    if (partialCopiesSwept_ || !db || db->readOnly()) {
        return;
    }
    partialCopiesSwept_ = true;
    const std::filesystem::path& file = controller_.storeFile();
    removePartialCopies(file.parent_path(), partialCopyStem(file), file.extension().string());
}

CoreDataBase::~CoreDataBase() = default;

std::shared_ptr<CoreDataBase> CoreDataBase::shared() {
    std::lock_guard lock(sharedMutex);
    if (!sharedInstance) {
        sharedInstance = std::make_shared<CoreDataBase>(PersistenceController());
    }
    return sharedInstance;
}

void CoreDataBase::setShared(std::shared_ptr<CoreDataBase> instance) {
    std::lock_guard lock(sharedMutex);
    sharedInstance = std::move(instance);
}

bool CoreDataBase::attempt(std::chrono::milliseconds patience, bool writing,
                           const std::function<void(store::Database&)>& work) {
    if (threadRefusesStore) {
        lastFailureReason = "the store is not used on the window's own thread";
        log::message(log::Level::error, "The store was called on the window's own thread");
        return false;
    }
    if (threadWritePatience) {
        patience = std::min(patience, *threadWritePatience);
    }
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        std::string reason;
        bool busy = false;
        {
            std::lock_guard lock(mutex_);
            store::Database* db = controller_.refresh(writing) ? controller_.container() : nullptr;
            std::error_code none;
            if (!db && !writing &&
                (controller_.openError().empty() ||
                 !std::filesystem::exists(
                     std::filesystem::symlink_status(controller_.storeFile(), none)))) {
                return true; // no store was ever made, or no folder for one: nothing is stored
            }
            if (!db) {
                reason = controller_.containerMissing() ? std::string("no container folder")
                                                        : controller_.openError();
                if (reason.empty()) {
                    reason = store::StoreError::describe(kCantOpen);
                }
                busy = controller_.openBusy();
            } else if (writing && db->readOnly()) {
                // Opening it for writing was tried again just now (refresh), in vain.
                reason = controller_.sideFileRefusal().empty()
                             ? store::StoreError::describe(kReadOnly)
                             : controller_.sideFileRefusal();
            } else {
                if (writing) {
                    sweepPartialCopies();
                }
                try {
                    work(*db);
                    controller_.release();
                    return true;
                } catch (const store::StoreError& e) {
                    reason = e.reason();
                    busy = e.busy();
                } catch (const std::exception& e) {
                    reason = e.what();
                }
            }
            controller_.release();
        }
        if (!busy || std::chrono::steady_clock::now() >= deadline) {
            lastFailureReason = reason;
            return false;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
}

std::string CoreDataBase::lastFailure() {
    return lastFailureReason;
}

void CoreDataBase::setThreadWritePatience(std::optional<std::chrono::milliseconds> patience) {
    threadWritePatience = patience;
}

void CoreDataBase::clearLastFailure() {
    lastFailureReason.clear();
}

void CoreDataBase::noteFailure(std::string reason) {
    lastFailureReason = std::move(reason);
}

void CoreDataBase::setThreadRefusesStore(bool refuses) {
    threadRefusesStore = refuses;
}

std::optional<std::string> CoreDataBase::loadBlob(const char* entity) {
    std::optional<std::string> data;
    attempt(writePatience_, false, [&](store::Database& db) {
        store::Statement s = db.prepare(selectNewest(entity));
        if (s.step()) {
            data = s.columnBytes(0);
        }
    });
    if (!data || data->empty()) {
        return std::nullopt;
    }
    return data;
}

bool CoreDataBase::saveBlob(const char* entity, const std::string& data) {
    return changeBlob(entity, [&](const std::optional<std::string>&) {
        return BlobChange{data, false};
    });
}

bool CoreDataBase::changeBlob(const char* entity, const BlobEditor& edit,
                              const std::function<void(store::Database&)>& alongside) {
    return attempt(writePatience_, true, [&](store::Database& db) {
        store::Transaction tx(db, store::Transaction::Kind::immediate);
        std::optional<std::string> current;
        {
            store::Statement s = db.prepare(selectNewest(entity));
            if (s.step()) {
                current = s.columnBytes(0);
                if (current && current->empty()) {
                    current.reset();
                }
            }
        }
        BlobChange change = edit(current);
        if (!change.replacement) {
            return;
        }
        if (change.preserveCurrent && current) {
            db.exec(std::string("CREATE TABLE IF NOT EXISTS ") + kPreservedBlobsTable +
                    " (entity TEXT, data BLOB, preservedAt REAL)");
            store::Statement keep =
                db.prepare(std::string("INSERT INTO ") + kPreservedBlobsTable +
                           " (entity, data, preservedAt) SELECT ?1, ?2, ?3 WHERE NOT EXISTS "
                           "(SELECT 1 FROM " +
                           kPreservedBlobsTable + " WHERE entity = ?1 AND data = ?2)");
            keep.bindText(1, entity).bindBlob(2, *current).bindDouble(3, Date::now().unixSeconds());
            keep.run();
            if (db.changes() > 0) {
                log::message(log::Level::warning, std::string("The stored ") + entity +
                                                      " could not be read; a copy was kept in " +
                                                      kPreservedBlobsTable + " of " +
                                                      controller_.storeFile().string());
            }
        }
        db.exec(std::string("DELETE FROM ") + entity);
        store::Statement insert =
            db.prepare(std::string("INSERT INTO ") + entity + " (data) VALUES (?)");
        insert.bindBlob(1, *change.replacement);
        insert.run();
        if (alongside) {
            alongside(db);
        }
        tx.commit();
    });
}

bool CoreDataBase::saveConvertedData(const std::string& data,
                                     std::variant<PresetStoreKind, ListStoreKind> kind,
                                     const std::string& source, const std::string& key) {
    const char* entity = std::visit([](auto each) { return entityName(each); }, kind);
    return changeBlob(
        entity,
        [&](const std::optional<std::string>&) {
            return BlobChange{data, false};
        },
        [&](store::Database& db) {
            db.exec(std::string("CREATE TABLE IF NOT EXISTS ") + kConvertedSettingsTable +
                    " (source TEXT, key TEXT)");
            store::Statement note = db.prepare(std::string("INSERT INTO ") +
                                               kConvertedSettingsTable + " VALUES (?, ?)");
            note.bindText(1, source).bindText(2, key);
            note.run();
        });
}

std::vector<std::string> CoreDataBase::convertedKeys(const std::string& source) {
    std::vector<std::string> keys;
    attempt(writePatience_, false, [&](store::Database& db) {
        keys.clear();
        if (!db.hasTable(kConvertedSettingsTable)) {
            return;
        }
        store::Statement s = db.prepare(std::string("SELECT key FROM ") + kConvertedSettingsTable +
                                        " WHERE source = ?");
        s.bindText(1, source);
        while (s.step()) {
            keys.push_back(s.columnBytes(0).value_or(""));
        }
    });
    return keys;
}

void CoreDataBase::forgetConvertedKeys() {
    attempt(writePatience_, true, [](store::Database& db) {
        if (db.hasTable(kConvertedSettingsTable)) {
            store::Transaction tx(db, store::Transaction::Kind::immediate);
            db.exec(std::string("DROP TABLE ") + kConvertedSettingsTable);
            tx.commit();
        }
    });
}

bool CoreDataBase::savePresetsData(const std::string& data, PresetStoreKind kind) {
    return saveBlob(entityName(kind), data);
}

bool CoreDataBase::saveListData(const std::string& data, ListStoreKind kind) {
    return saveBlob(entityName(kind), data);
}

std::optional<std::string> CoreDataBase::loadPresetsData(PresetStoreKind kind) {
    return loadBlob(entityName(kind));
}

std::optional<std::string> CoreDataBase::loadListData(ListStoreKind kind) {
    return loadBlob(entityName(kind));
}

bool CoreDataBase::changePresetsData(PresetStoreKind kind, const BlobEditor& edit) {
    return changeBlob(entityName(kind), edit);
}

bool CoreDataBase::changeListData(ListStoreKind kind, const BlobEditor& edit) {
    return changeBlob(entityName(kind), edit);
}

void CoreDataBase::deleteAllRecords(const std::string& entityName) {
    const char* entity = nullptr;
    for (const char* known : PersistenceController::entityNames()) {
        if (entityName == known) {
            entity = known;
        }
    }
    if (!entity || !attempt(writePatience_, true, [&](store::Database& db) {
            store::Transaction tx(db, store::Transaction::Kind::immediate);
            db.exec(std::string("DELETE FROM ") + entity);
            tx.commit();
        })) {
        reportDeleteError();
    }
}

std::optional<std::string> CoreDataBase::saveImage(const Url& from) {
    if (!from.isFileURL()) {
        return std::nullopt;
    }
    std::optional<std::string> bytes =
        WholeFileReader::readRegular(from.path(), maximumImageFileSize).bytes;
    if (!bytes) {
        lastFailureReason = "the picture could not be read";
        return std::nullopt;
    }
    std::string imageID = newUuidString();
    bool stored = attempt(writePatience_, true, [&](store::Database& db) {
        store::Transaction tx(db, store::Transaction::Kind::immediate);
        store::Statement s = db.prepare("INSERT INTO DBImageStorage (imageID, data) VALUES (?, ?)");
        s.bindText(1, imageID).bindBlob(2, *bytes);
        s.run();
        tx.commit();
    });
    return stored ? std::optional<std::string>(imageID) : std::nullopt;
}

std::optional<std::filesystem::path> CoreDataBase::copyBeside(const std::string& label) {
    namespace fs = std::filesystem;
    const fs::path& file = controller_.storeFile();
    if (file.empty()) {
        return std::nullopt;
    }
    const fs::path folder = file.parent_path();
    const std::string partialStem = partialCopyStem(file);
    const std::string extension = file.extension().string();
    removePartialCopies(folder, partialStem, extension);
    // Made empty first (VACUUM INTO writes into an empty file), under a name nobody else takes,
    // and locked while it is written, so that no other program's sweep takes it. Another
    // program's sweep may take it in the moment before it is locked: it is made again then.
    std::string partial;
    int fd = -1;
    for (int tries = 0; fd < 0 && tries < 8; ++tries) {
        partial = (folder / (partialStem + "XXXXXX" + extension)).string();
        fd = ::mkostemps(partial.data(), static_cast<int>(extension.size()), O_CLOEXEC);
        if (fd < 0) {
            lastFailureReason = std::strerror(errno);
            return std::nullopt;
        }
        ::flock(fd, LOCK_EX);
        if (!namesOpenFile(partial, fd)) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0) {
        lastFailureReason = "the copy was taken away while it was made";
        return std::nullopt;
    }
    // VACUUM INTO writes the database as one file, the journal's pages included.
    bool copied = attempt(writePatience_, false, [&](store::Database& db) {
        store::Statement s = db.prepare("VACUUM INTO ?");
        s.bindText(1, partial);
        s.run();
    });
    // Still the file made above (no sweep took it), and on the disk before it takes the name.
    copied = copied && namesOpenFile(partial, fd) && ::fsync(fd) == 0;
    std::optional<fs::path> target;
    if (copied) {
        char stamp[32] = {};
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
        target =
            nameCopy(partial, folder, file.stem().string() + "." + label + "-" + stamp, extension);
        if (!target) {
            lastFailureReason = std::strerror(errno);
        }
    }
    if (!target) {
        std::error_code ec;
        fs::remove(partial, ec);
        fs::remove(partial + "-journal", ec);
    }
    ::close(fd);
    return target;
}

bool CoreDataBase::namesOpenFile(const std::filesystem::path& path, int fd) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

std::optional<std::filesystem::path> CoreDataBase::nameCopy(const std::filesystem::path& partial,
                                                            const std::filesystem::path& folder,
                                                            const std::string& stem,
                                                            const std::string& extension) {
    // Never over a file that took a name meanwhile (another program's copy made in the same
    // second): the next free name is taken then. Where the file system cannot promise that, the
    // name found free just now is taken.
    for (int tries = 0; tries < 100; ++tries) {
        const std::filesystem::path free = firstFreeName(folder, stem, extension);
        if (takeName(partial, free)) {
            return free;
        }
        if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool CoreDataBase::takeName(const std::filesystem::path& partial,
                            const std::filesystem::path& name) {
    int renamed = ::renameat2(AT_FDCWD, partial.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE);
    if (renamed != 0 && errno == EINVAL) {
        renamed = ::rename(partial.c_str(), name.c_str());
    }
    return renamed == 0;
}

void CoreDataBase::removePartialCopies(const std::filesystem::path& folder,
                                       const std::string& partialStem,
                                       const std::string& extension) {
    namespace fs = std::filesystem;
    const uid_t user = ::geteuid();
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        struct stat seen {};
        // Only a regular file of this program's own making is opened: never a pipe, which would
        // hold the opening until a writer came, nor a device, a folder or a link.
        if (!isPartialCopyName(name, partialStem, extension, false) ||
            ::lstat(entry.path().c_str(), &seen) != 0 || !S_ISREG(seen.st_mode) ||
            seen.st_uid != user) {
            continue;
        }
        const int fd =
            ::open(entry.path().c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat opened {};
        // A copy still being written is locked by the program writing it.
        if (::fstat(fd, &opened) == 0 && opened.st_dev == seen.st_dev &&
            opened.st_ino == seen.st_ino && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            removeIfStill(entry.path(), opened);
        }
        ::close(fd);
    }
    // Journals whose copy is gone (a copy cut short leaves its journal).
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        struct stat seen {};
        if (isPartialCopyName(name, partialStem, extension, true) &&
            ::lstat(entry.path().c_str(), &seen) == 0 && S_ISREG(seen.st_mode) &&
            seen.st_uid == user &&
            !fs::exists(fs::symlink_status(folder / name.substr(0, name.size() - 8), ec))) {
            removeIfStill(entry.path(), seen);
        }
    }
}

std::optional<std::filesystem::path>
CoreDataBase::copyHolding(const std::string& label, const std::vector<std::string>& entities) {
    namespace fs = std::filesystem;
    const fs::path& file = controller_.storeFile();
    if (file.empty()) {
        return std::nullopt;
    }
    using Blobs = std::vector<std::optional<std::string>>;
    const auto blobsOf = [&entities](store::Database& db) {
        Blobs blobs;
        for (const std::string& entity : entities) {
            store::Statement s = db.prepare(selectNewest(entity.c_str()));
            std::optional<std::string> data = s.step() ? s.columnBytes(0) : std::nullopt;
            blobs.push_back(data && !data->empty() ? data : std::nullopt);
        }
        return blobs;
    };
    Blobs now;
    if (!attempt(writePatience_, false, [&](store::Database& db) { now = blobsOf(db); })) {
        return std::nullopt;
    }
    const std::string prefix = file.stem().string() + "." + label + "-";
    std::vector<fs::path> copies;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(file.parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && name.ends_with(file.extension().string()) &&
            entry.is_regular_file(ec)) {
            copies.push_back(entry.path());
        }
    }
    std::sort(copies.rbegin(), copies.rend());
    for (const fs::path& copy : copies) {
        std::error_code none;
        if (fs::exists(fs::symlink_status(copy.string() + "-journal", none))) {
            continue; // never read around a journal
        }
        try {
            // A copy has no journal: it is read as the unchanging file it is.
            store::Database db(copy, store::OpenMode::immutable);
            if (blobsOf(db) == now) {
                return copy;
            }
        } catch (const std::exception&) {
            // Not a store of this kind (or damaged): it holds nothing of use here.
        }
    }
    return std::nullopt;
}

std::optional<Url> CoreDataBase::loadImageURL(const std::string& imageID) {
    std::optional<std::string> data;
    bool found = false;
    attempt(writePatience_, false, [&](store::Database& db) {
        store::Statement s =
            db.prepare("SELECT data FROM DBImageStorage WHERE imageID = ? ORDER BY rowid LIMIT 1");
        s.bindText(1, imageID);
        found = s.step();
        if (found) {
            data = s.columnBytes(0);
        }
    });
    if (!found) {
        return std::nullopt;
    }
    bool isPDF = data && pdf::looksLikePDF(*data);
    return FenFilesStorage::writeImageData(data, isPDF);
}

void CoreDataBase::deleteImageData(const std::string& imageID) {
    if (!attempt(writePatience_, true, [&](store::Database& db) {
            store::Transaction tx(db, store::Transaction::Kind::immediate);
            store::Statement s = db.prepare("DELETE FROM DBImageStorage WHERE imageID = ?");
            s.bindText(1, imageID);
            s.run();
            tx.commit();
        })) {
        reportDeleteError();
    }
}

std::vector<CoreDataBase::PreservedBlob> CoreDataBase::preservedBlobs() {
    std::vector<PreservedBlob> result;
    attempt(writePatience_, false, [&](store::Database& db) {
        result.clear();
        if (!db.hasTable(kPreservedBlobsTable)) {
            return;
        }
        store::Statement s = db.prepare(std::string("SELECT entity, data, preservedAt FROM ") +
                                        kPreservedBlobsTable + " ORDER BY rowid");
        while (s.step()) {
            result.push_back(PreservedBlob{s.columnBytes(0).value_or(""),
                                           s.columnBytes(1).value_or(""), s.columnDouble(2)});
        }
    });
    return result;
}

} // namespace fen
