#include "platform/store/Database.h"

#include "platform/store/FileUri.h"
#include "platform/store/StoreError.h"

#include <sqlite3.h>
#include <sys/stat.h>

namespace fen::store {

namespace {

[[noreturn]] void fail(sqlite3* db, int rc, const std::string& what) {
    std::string message = what + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    throw StoreError(message, rc);
}

} // namespace

bool StoreError::busy() const {
    int primary = code_ & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

bool StoreError::writeRefused() const {
    int primary = code_ & 0xff;
    return primary == SQLITE_CANTOPEN || primary == SQLITE_READONLY;
}

std::string StoreError::describe(int code) {
    return sqlite3_errstr(code);
}

Database::Database(const std::filesystem::path& path, OpenMode mode) : path_(path), mode_(mode) {
    struct stat named {};
    if (::stat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) {
        throw StoreError("not a regular file", SQLITE_CANTOPEN, "not a regular file");
    }
    int flags = SQLITE_OPEN_FULLMUTEX;
    // Absolute, so that no relative name is taken for a URI ("file:..."), which sqlite reads as
    // one wherever it was built to.
    std::string name = std::filesystem::absolute(path).string();
    switch (mode) {
    case OpenMode::readOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case OpenMode::readWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case OpenMode::readWriteCreate:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    case OpenMode::immutable:
        flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
        name = fileUri(path) + "?immutable=1";
        break;
    }
    int rc = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = "cannot open " + path.string() + ": " +
                              (db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
        sqlite3_close(db_);
        db_ = nullptr;
        throw StoreError(message, rc);
    }
    sqlite3_extended_result_codes(db_, 1);
    try {
        // Opening is lazy in sqlite: reading the schema proves the file is a database.
        exec("SELECT count(*) FROM sqlite_master");
    } catch (...) {
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

Database::~Database() {
    sqlite3_close_v2(db_);
}

bool Database::readOnly() const {
    return mode_ == OpenMode::readOnly || mode_ == OpenMode::immutable ||
           sqlite3_db_readonly(db_, "main") == 1;
}

void Database::setBusyTimeout(std::chrono::milliseconds timeout) {
    sqlite3_busy_timeout(db_, static_cast<int>(timeout.count()));
}

void Database::exec(const std::string& sql) {
    char* error = nullptr;
    int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errstr(rc);
        sqlite3_free(error);
        throw StoreError(message, rc);
    }
}

Statement Database::prepare(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        fail(db_, rc, "prepare");
    }
    return Statement(db_, stmt);
}

long long Database::changes() const {
    return sqlite3_changes64(db_);
}

bool Database::hasTable(const std::string& name) {
    Statement s =
        prepare("SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND name = ?");
    s.bindText(1, name);
    return s.step();
}

} // namespace fen::store
