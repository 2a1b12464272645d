#pragma once

namespace fen::store {

class Database;

// A transaction that rolls back unless commit() is called. An immediate transaction takes the
// write lock at once, so a read-change-write sequence cannot interleave with another writer's,
// and writes page 1 first, so that page leads the journal it leaves when it is cut short; a
// deferred one only reads until its first write.
class Transaction {
public:
    enum class Kind { deferred, immediate };

    Transaction(Database& db, Kind kind);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Database& db_;
    bool open_ = true;
};

} // namespace fen::store
