#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/store/Statement.h"

struct sqlite3;

namespace fen::store {

// How a store file is opened. `readWriteCreate` makes the file when it is missing. `immutable`
// reads the file as one that nothing changes: no lock is taken and no journal side file is looked
// for or made, so a file whose folder cannot be written can be read even where its journal needs
// side files that cannot be made; what such a journal holds is not seen.
enum class OpenMode { readOnly, readWrite, readWriteCreate, immutable };

// One connection to an sqlite file. Calls are serialised by the database itself (full mutex
// mode), but a transaction spans several calls: whoever shares a connection between threads keeps
// its own lock around each transaction. Failures throw StoreError.
class Database {
public:
    // Opens the file; throws StoreError when it cannot be opened (a missing file in read-only
    // mode, a folder that cannot be written, a file that is not a database). Only a regular file
    // is opened: a pipe there would hold the opening until a writer came, and a device or a
    // socket is no store ("not a regular file").
    Database(const std::filesystem::path& path, OpenMode mode);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::filesystem::path& path() const { return path_; }
    OpenMode mode() const { return mode_; }
    // True when nothing can be written through this connection: opened for reading only, or a
    // file opened for writing that the system lets this process only read.
    bool readOnly() const;

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
