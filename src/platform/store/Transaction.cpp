#include "platform/store/Transaction.h"

#include "platform/store/Database.h"

namespace fen::store {

Transaction::Transaction(Database& db, Kind kind) : db_(db) {
    db_.exec(kind == Kind::immediate ? "BEGIN IMMEDIATE" : "BEGIN DEFERRED");
    if (kind != Kind::immediate) {
        return;
    }
    try {
        // Page 1 first: its user version written back as it stands puts the page in the journal
        // before any other, so a journal this write leaves always shows whose file it is (see
        // RollbackJournal).
        Statement read = db_.prepare("PRAGMA user_version");
        const std::string version = read.step() ? read.columnBytes(0).value_or("0") : "0";
        db_.exec("PRAGMA user_version = " + std::to_string(std::stol(version)));
    } catch (...) {
        try {
            db_.exec("ROLLBACK");
        } catch (...) {
            // Already ended by sqlite itself.
        }
        throw;
    }
}

Transaction::~Transaction() {
    if (open_) {
        try {
            db_.exec("ROLLBACK");
        } catch (...) {
            // The transaction was already ended by sqlite itself (after an I/O or full error).
        }
    }
}

void Transaction::commit() {
    db_.exec("COMMIT");
    open_ = false;
}

} // namespace fen::store
