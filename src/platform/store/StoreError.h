#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace fen::store {

// A failed call into the embedded database: the database's own message and its result code
// (SQLITE_BUSY, SQLITE_READONLY, ...). Thrown by the wrapper; the store facade catches it, so
// nothing above the facade ever sees one.
class StoreError : public std::runtime_error {
public:
    // `reason` says why in the program's own words where the database's short text for the code
    // would not ("not a regular file"); empty, that text is the reason.
    StoreError(const std::string& message, int code, std::string reason = {})
        : std::runtime_error(message), code_(code), reason_(std::move(reason)) {}
    int code() const { return code_; }
    // Another connection holds the lock this call needed: trying again later may succeed.
    bool busy() const;
    // The file, or a side file of its journal, could not be opened or made for writing (a
    // read-only file, folder or mount): opening it for reading only may still succeed.
    bool writeRefused() const;
    // Why, fit to end a sentence told to the user: the reason given, else the database's short
    // text for the result code ("database is locked", "attempt to write a readonly database").
    std::string reason() const { return reason_.empty() ? describe(code_) : reason_; }
    // Whether the reason is the program's own rather than the database's text for the code.
    bool hasOwnReason() const { return !reason_.empty(); }
    static std::string describe(int code);

private:
    int code_;
    std::string reason_;
};

} // namespace fen::store
