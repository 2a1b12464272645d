#include "storage/PersistenceController.h"

#include "platform/foundation/Log.h"
#include "platform/store/Database.h"
#include "platform/store/StoreError.h"
#include "platform/store/Transaction.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

namespace fen {

namespace {

constexpr const char* kDatabaseName = "FenmoorData";
constexpr std::chrono::milliseconds kBusyTimeout{15000};

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
    } else if (!readOnly_) {
        makeFolders(std::filesystem::absolute(file_).parent_path());
    }
    open();
}

PersistenceController::~PersistenceController() = default;
PersistenceController::PersistenceController(PersistenceController&&) noexcept = default;
PersistenceController& PersistenceController::operator=(PersistenceController&&) noexcept = default;

void PersistenceController::open() {
    std::error_code ec;
    if (readOnly_ && !std::filesystem::exists(file_, ec)) {
        // Nothing was ever stored: every read finds nothing, which is the truth.
        return;
    }
    try {
        auto db = std::make_unique<store::Database>(
            file_, readOnly_ ? store::OpenMode::readOnly : store::OpenMode::readWriteCreate);
        db->setBusyTimeout(kBusyTimeout);
        if (!readOnly_) {
            try {
                db->exec("PRAGMA journal_mode=WAL");
            } catch (const store::StoreError&) {
                // A file system without shared memory keeps the rollback journal; still usable.
            }
            store::Transaction tx(*db, store::Transaction::Kind::immediate);
            db->exec(kSchema);
            tx.commit();
        }
        container_ = std::move(db);
    } catch (const store::StoreError& e) {
        log::message(log::Level::error,
                     "The preset store " + file_.string() + " could not be opened: " + e.what());
    }
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
