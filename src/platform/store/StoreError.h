#pragma once

#include <stdexcept>
#include <string>

namespace fen::store {

// A failed call into the embedded database: the database's own message and its result code
// (SQLITE_BUSY, SQLITE_READONLY, ...). Thrown by the wrapper; the store facade catches it, so
// nothing above the facade ever sees one.
class StoreError : public std::runtime_error {
public:
    StoreError(const std::string& message, int code) : std::runtime_error(message), code_(code) {}
    int code() const { return code_; }
    // Another connection holds the lock this call needed: trying again later may succeed.
    bool busy() const;
    // The file, or a side file of its journal, could not be opened or made for writing (a
    // read-only file, folder or mount): opening it for reading only may still succeed.
    bool writeRefused() const;
    // The database's short text for the result code ("database is locked", "attempt to write a
    // readonly database"), fit to end a sentence told to the user.
    std::string reason() const { return describe(code_); }
    static std::string describe(int code);

private:
    int code_;
};

} // namespace fen::store
