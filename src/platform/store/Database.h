#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/store/Statement.h"

struct sqlite3;

namespace fen::store {

// How a store file is opened. `readWriteCreate` makes the file when it is missing.
enum class OpenMode { readOnly, readWrite, readWriteCreate };

// One connection to an sqlite file. Calls are serialised by the database itself (full mutex
// mode), but a transaction spans several calls: whoever shares a connection between threads keeps
// its own lock around each transaction. Failures throw StoreError.
class Database {
public:
    // Opens the file; throws StoreError when it cannot be opened (a missing file in read-only
    // mode, a folder that cannot be written, a file that is not a database).
    Database(const std::filesystem::path& path, OpenMode mode);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::filesystem::path& path() const { return path_; }
    bool readOnly() const { return mode_ == OpenMode::readOnly; }

    // How long a statement waits for another connection's lock before failing with SQLITE_BUSY.
    void setBusyTimeout(std::chrono::milliseconds timeout);

    // Runs one or more statements without parameters or results.
    void exec(const std::string& sql);

    // Compiles one statement; `sql` is always a fixed text of the program, values are bound.
    Statement prepare(const std::string& sql);

    // Rows changed by the last INSERT, UPDATE or DELETE on this connection.
    long long changes() const;

    // True when a table or view of that name exists in the main database.
    bool hasTable(const std::string& name);

private:
    std::filesystem::path path_;
    OpenMode mode_;
    sqlite3* db_ = nullptr;
};

} // namespace fen::store
