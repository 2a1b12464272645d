#pragma once

#include "platform/store/Database.h"
#include "storage/CoreDataBase.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fen::test {

// Sets an environment variable (or unsets it, with nothing) for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A store file of its own in a temporary folder, installed as the shared instance for the life
// of the object (the shared instance is dropped again afterwards).
class ScopedStore {
public:
    ScopedStore() : file_(dir_ / "FenmoorData.sqlite") {
        store_ = std::make_shared<CoreDataBase>(PersistenceController(StoreLocation{file_}));
        CoreDataBase::setShared(store_);
    }
    ~ScopedStore() { CoreDataBase::setShared(nullptr); }
    ScopedStore(const ScopedStore&) = delete;
    ScopedStore& operator=(const ScopedStore&) = delete;

    CoreDataBase& store() { return *store_; }
    const std::filesystem::path& file() const { return file_; }
    const TempDir& dir() const { return dir_; }

    // Runs a query on a connection of its own and returns the first column of every row.
    std::vector<std::string> column(const std::string& sql) const {
        store::Database db(file_, store::OpenMode::readOnly);
        store::Statement s = db.prepare(sql);
        std::vector<std::string> values;
        while (s.step()) {
            values.push_back(s.columnBytes(0).value_or("<null>"));
        }
        return values;
    }
    long long count(const std::string& table) const {
        return std::stoll(column("SELECT count(*) FROM " + table).at(0));
    }

private:
    TempDir dir_;
    std::filesystem::path file_;
    std::shared_ptr<CoreDataBase> store_;
};

} // namespace fen::test
