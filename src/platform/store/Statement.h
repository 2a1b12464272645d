#pragma once

#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace fen::store {

// A compiled statement with bound values, stepped row by row. Parameters are numbered from 1,
// result columns from 0, as in sqlite. Failures throw StoreError. Movable, not copyable.
class Statement {
public:
    Statement(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bindText(int index, std::string_view text);
    Statement& bindBlob(int index, std::string_view bytes);
    Statement& bindDouble(int index, double value);

    // Advances to the next row: true while a row is available, false when the statement is done.
    bool step();
    // Steps to the end, for statements that return no rows.
    void run();

    bool isNull(int column) const;
    double columnDouble(int column) const;
    // Text or blob of a column as bytes; nothing when the column is NULL.
    std::optional<std::string> columnBytes(int column) const;

private:
    void check(int rc, const char* what) const;

    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace fen::store
