#include "platform/store/Transaction.h"

#include "platform/store/Database.h"

namespace fen::store {

Transaction::Transaction(Database& db, Kind kind) : db_(db) {
    db_.exec(kind == Kind::immediate ? "BEGIN IMMEDIATE" : "BEGIN DEFERRED");
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
