#pragma once

#include "platform/foundation/Log.h"
#include "platform/foundation/Uuid.h"
#include "platform/store/Database.h"
#include "storage/CoreDataBase.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
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

// Runs a query on a connection of its own and returns the first column of every row.
inline std::vector<std::string> queryColumn(const std::filesystem::path& file,
                                            const std::string& sql) {
    store::Database db(file, store::OpenMode::readOnly);
    store::Statement s = db.prepare(sql);
    std::vector<std::string> values;
    while (s.step()) {
        values.push_back(s.columnBytes(0).value_or("<null>"));
    }
    return values;
}

// A store file of its own in a temporary folder, installed as the shared instance for the life
// of the object (the shared instance is dropped again afterwards).
class ScopedStore {
public:
    ScopedStore() : file_(dir_ / "FenmoorData.sqlite") { install(); }
    ~ScopedStore() { CoreDataBase::setShared(nullptr); }
    ScopedStore(const ScopedStore&) = delete;
    ScopedStore& operator=(const ScopedStore&) = delete;
    // Opens the file anew as a store of type S (a subclass that fails chosen writes, or a reader)
    // and installs that as the shared instance and as store().
    template <typename S = CoreDataBase> S& install(bool readOnly = false) {
        auto store = std::make_shared<S>(PersistenceController(StoreLocation{file_, readOnly}));
        store_ = store;
        CoreDataBase::setShared(store);
        return *store;
    }
    CoreDataBase& store() { return *store_; }
    const std::filesystem::path& file() const { return file_; }
    const TempDir& dir() const { return dir_; }
    std::vector<std::string> column(const std::string& sql) const {
        return queryColumn(file_, sql);
    }
    long long count(const std::string& table) const {
        return std::stoll(column("SELECT count(*) FROM " + table).at(0));
    }

private:
    TempDir dir_;
    std::filesystem::path file_;
    std::shared_ptr<CoreDataBase> store_;
};

// A UUID in the platform's upper-case form.
inline bool isUpperCaseUuid(const std::string& text) {
    for (char c : text) {
        if (std::islower(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return isUuidString(text);
}

// The messages `action` logged, each ended by a line break.
inline std::string loggedBy(const std::function<void()>& action) {
    std::string lines;
    log::Handler previous = log::setHandler(
        [&](log::Level, std::string_view text) { lines.append(text).append("\n"); });
    action();
    log::setHandler(std::move(previous));
    return lines;
}

// One member of every element: pluck(items, &PresetItem::title).
template <typename T, typename M>
std::vector<M> pluck(const std::vector<T>& elements, M T::*member) {
    std::vector<M> out;
    for (const T& element : elements) {
        out.push_back(element.*member);
    }
    return out;
}

// Runs `work(i)` in `count` child processes that start together (released through a pipe) and
// returns how many of them exited with status 0.
inline int runTogether(int count, const std::function<bool(int)>& work) {
    int gate[2];
    if (pipe(gate) != 0) {
        return 0;
    }
    std::vector<pid_t> children;
    for (int i = 0; i < count; ++i) {
        pid_t pid = fork();
        if (pid == 0) {
            close(gate[1]);
            char c;
            while (read(gate[0], &c, 1) > 0) {
            }
            _exit(work(i) ? 0 : 1);
        }
        children.push_back(pid);
    }
    close(gate[0]);
    close(gate[1]);
    int succeeded = 0;
    for (pid_t pid : children) {
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
            WEXITSTATUS(status) == 0) {
            ++succeeded;
        }
    }
    return succeeded;
}

} // namespace fen::test
