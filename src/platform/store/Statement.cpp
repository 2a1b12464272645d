#include "platform/store/Statement.h"

#include "platform/store/StoreError.h"

#include <sqlite3.h>

#include <utility>

namespace fen::store {

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement::Statement(Statement&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), stmt_(std::exchange(other.stmt_, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        db_ = std::exchange(other.db_, nullptr);
        stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
}

void Statement::check(int rc, const char* what) const {
    if (rc != SQLITE_OK) {
        throw StoreError(std::string(what) + ": " + sqlite3_errmsg(db_), rc);
    }
}

Statement& Statement::bindText(int index, std::string_view text) {
    check(
        sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8),
        "bind");
    return *this;
}

Statement& Statement::bindBlob(int index, std::string_view bytes) {
    // A zero-length blob stays a blob (not NULL): sqlite needs a non-null pointer for that.
    static const char empty = 0;
    check(sqlite3_bind_blob64(stmt_, index, bytes.empty() ? &empty : bytes.data(), bytes.size(),
                              SQLITE_TRANSIENT),
          "bind");
    return *this;
}

Statement& Statement::bindDouble(int index, double value) {
    check(sqlite3_bind_double(stmt_, index, value), "bind");
    return *this;
}

bool Statement::step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    throw StoreError(std::string("step: ") + sqlite3_errmsg(db_), rc);
}

void Statement::run() {
    while (step()) {
    }
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

double Statement::columnDouble(int column) const {
    return sqlite3_column_double(stmt_, column);
}

std::optional<std::string> Statement::columnBytes(int column) const {
    if (isNull(column)) {
        return std::nullopt;
    }
    const void* data = sqlite3_column_blob(stmt_, column);
    int size = sqlite3_column_bytes(stmt_, column);
    if (!data || size <= 0) {
        return std::string();
    }
    return std::string(static_cast<const char*>(data), static_cast<size_t>(size));
}

} // namespace fen::store
