#pragma once

#include "platform/foundation/Log.h"
#include "platform/foundation/Uuid.h"
#include "platform/store/Database.h"
#include "platform/store/Transaction.h"
#include "storage/CoreDataBase.h"
#include "storage/FenDatabaseManager.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <memory>
#include <optional>
#include <pwd.h>
#include <sched.h>
#include <signal.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
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

// How the write-ahead versions of this program came to leave a save's frames in the journal
// beside the store, not folded into it: the program was killed after the save, another reader
// (a backup tool) held an older state through the save and Quit, or the disk had no room for the
// file to grow by the frames.
enum class LeftFrames { killed, heldReader, fullDisk };

// Leaves beside the store at `file` what those versions left then: the store in write-ahead mode,
// a save of `blob` as the one row of `entity` in the journal, with the journal's index, and, for
// frames a
// reader or a full disk kept out, the empty mark those versions made beside the store naming
// the file's device and inode. For a full disk, fill it first, leaving room for the frames but not
// for the file to grow by them. True when frames were left.
inline bool leaveWriteAheadFrames(const std::filesystem::path& file, const std::string& entity,
                                  const std::string& blob, LeftFrames how) {
    store::Database(file, store::OpenMode::readWrite).exec("PRAGMA journal_mode=wal");
    runTogether(1, [&](int) {
        // Connections that must not be closed (which would fold the frames in) are never deleted.
        if (how == LeftFrames::heldReader) {
            auto* reader = new store::Database(file, store::OpenMode::readOnly);
            reader->exec("BEGIN");
            reader->exec("SELECT count(*) FROM sqlite_master");
        }
        auto* writer = new store::Database(file, store::OpenMode::readWrite);
        writer->exec("BEGIN IMMEDIATE; DELETE FROM " + entity);
        writer->prepare("INSERT INTO " + entity + " (data) VALUES (?)").bindBlob(1, blob).run();
        writer->exec("COMMIT");
        if (how != LeftFrames::killed) {
            delete writer; // Quit
        }
        return true;
    });
    if (how != LeftFrames::killed) {
        struct stat st {};
        ::stat(file.c_str(), &st);
        writeFile(file.parent_path() /
                      ("." + file.filename().string() + "-wal.of-" + std::to_string(st.st_dev) +
                       "-" + std::to_string(st.st_ino)),
                  "");
    }
    std::error_code ec;
    return std::filesystem::file_size(file.string() + "-wal", ec) > 0 && !ec;
}

// Saves the text preset `name` into the store at `file` as a write-ahead version of this program
// that was killed after the save left it: in the journal beside the store, not in the file.
inline bool saveTextPresetThenCrashWithWriteAhead(const std::filesystem::path& file,
                                                  const std::string& name) {
    CoreDataBase store{PersistenceController(StoreLocation{file})};
    const std::string before = store.loadPresetsData(PresetStoreKind::text).value_or("");
    CoreDataBase::setShared(std::shared_ptr<CoreDataBase>(&store, [](CoreDataBase*) {}));
    const bool saved = FenDatabaseManager::saveTextPreset(name, {"c"}, TextSettings{});
    CoreDataBase::setShared(nullptr);
    const std::optional<std::string> after = store.loadPresetsData(PresetStoreKind::text);
    return saved && after && store.savePresetsData(before, PresetStoreKind::text) &&
           leaveWriteAheadFrames(file, "DBTextPresets", *after, LeftFrames::killed);
}

// Saves `blob` as the one row of `entity` in the store at `file` as this version does, and kills
// the saving program before the save ends (kill -9, a power cut), once pages of the save were
// spilled into the file: more of it than the cache holds, so the row's own page is in the file
// too. The save's rollback journal is left beside the store. True when it was left so: the journal
// there, and the file read around it showing the row that was never stored. Not `spilled`, the
// save is killed before it changed the file: its journal is left, the file as it was.
inline bool killMidSave(const std::filesystem::path& file, const std::string& entity,
                        const std::string& blob, bool spilled = true) {
    runTogether(1, [&](int) {
        store::Database db(file, store::OpenMode::readWrite);
        db.exec("PRAGMA cache_size = 10");
        store::Transaction tx(db, store::Transaction::Kind::immediate);
        db.exec("DELETE FROM " + entity);
        db.prepare("INSERT INTO " + entity + " (data) VALUES (?)").bindBlob(1, blob).run();
        // A picture stored in the same save pushes the row's page out of the cache, into the file.
        if (spilled) {
            db.prepare("INSERT INTO DBImageStorage (imageID, data) VALUES ('spilled', ?)")
                .bindBlob(1, std::string(256 << 10, 's'))
                .run();
        }
        ::kill(::getpid(), SIGKILL);
        return false;
    });
    std::error_code ec;
    if (std::filesystem::file_size(file.string() + "-journal", ec) == 0 || ec) {
        return false;
    }
    if (!spilled) {
        return true;
    }
    try {
        store::Database aroundIt(file, store::OpenMode::immutable);
        store::Statement s =
            aroundIt.prepare("SELECT data FROM " + entity + " ORDER BY rowid DESC LIMIT 1");
        return s.step() && s.columnBytes(0) == blob;
    } catch (const std::exception&) {
        return false;
    }
}

// Rewrites the one row of `entity` in the store at `file` with `blob` of the same size, as another
// program does (sqlite3, an earlier version: page 1 not journaled first), together with a picture
// of the same size as the one stored, and kills it before the save ends, its pages spilled into
// the file; page 1 is never touched. True when the journal was left and the file read around it
// shows `blob`.
inline bool killAnotherProgramMidSave(const std::filesystem::path& file, const std::string& entity,
                                      const std::string& blob) {
    store::Database(file, store::OpenMode::readWrite)
        .prepare("INSERT INTO DBImageStorage (imageID, data) VALUES ('spilled', ?)")
        .bindBlob(1, std::string(256 << 10, 's'))
        .run();
    runTogether(1, [&](int) {
        store::Database db(file, store::OpenMode::readWrite);
        db.exec("PRAGMA cache_size = 5");
        db.exec("BEGIN IMMEDIATE");
        db.prepare("UPDATE " + entity + " SET data = ?").bindBlob(1, blob).run();
        db.prepare("UPDATE DBImageStorage SET data = ?")
            .bindBlob(1, std::string(256 << 10, 'z'))
            .run();
        ::kill(::getpid(), SIGKILL);
        return false;
    });
    try {
        store::Database aroundIt(file, store::OpenMode::immutable);
        store::Statement s = aroundIt.prepare("SELECT data FROM " + entity);
        return std::filesystem::exists(file.string() + "-journal") && s.step() &&
               s.columnBytes(0) == blob;
    } catch (const std::exception&) {
        return false;
    }
}

// The blob of a kind's presets holding one text preset named `name`, as this version stores it.
inline std::string textPresetsBlob(const std::string& name) {
    TextPreset preset;
    preset.id = "NEVER-STORED";
    preset.name = name;
    preset.textList = {"t"};
    Presets<TextPreset> presets;
    presets.presets.push_back(preset);
    return encodeJson(presets);
}

// Makes `folder` read-only for this process in user and mount namespaces of its own (a read-only
// bind mount, which not even root's permissions pass); false where namespaces are not allowed.
inline bool mountReadOnly(const std::filesystem::path& folder) {
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
        return false;
    }
    const auto writeTo = [](const char* path, const std::string& text) {
        int fd = open(path, O_WRONLY);
        bool ok = fd >= 0 && write(fd, text.data(), text.size()) == ssize_t(text.size());
        if (fd >= 0) {
            close(fd);
        }
        return ok;
    };
    writeTo("/proc/self/setgroups", "deny");
    if (!writeTo("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !writeTo("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
        return false;
    }
    return mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
           mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

// The two ways a store's folder comes to be read-only, each holding for root too.
enum class WriteBarrier {
    // A read-only home: the folder 0555 and its files 0444, owned by the user the process runs
    // as (nobody's user when the test runs as root, since root passes any permission).
    permissions,
    // A mounted profile: a read-only bind mount of the folder.
    readOnlyMount,
};

inline std::string barrierName(const testing::TestParamInfo<WriteBarrier>& info) {
    return info.param == WriteBarrier::permissions ? "ReadOnlyPermissions" : "ReadOnlyMount";
}

namespace detail {

// The user a test run as root becomes to meet the folder's permissions.
inline std::pair<uid_t, gid_t> unprivilegedUser() {
    if (const passwd* nobody = getpwnam("nobody")) {
        return {nobody->pw_uid, nobody->pw_gid};
    }
    return {65534, 65534};
}

// Gives `folder` and the files in it the modes (and, as root, the owner) of the permissions
// barrier; `restore` makes them writable for their owner again.
inline void setFolderModes(const std::filesystem::path& folder, bool restore) {
    const bool root = geteuid() == 0;
    const auto [uid, gid] = unprivilegedUser();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (root && !restore) {
            (void)!chown(entry.path().c_str(), uid, gid);
        }
        chmod(entry.path().c_str(), restore ? 0644 : 0444);
    }
    if (root && !restore) {
        (void)!chown(folder.c_str(), uid, gid);
        // The other user must be able to reach the folder through the test's own folder.
        chmod(folder.parent_path().c_str(), 0755);
    }
    chmod(folder.c_str(), restore ? 0755 : 0555);
}

// Takes write access to `folder` away from the calling (child) process; false when that cannot
// be had here or the folder can then no longer be read.
inline bool raiseBarrier(WriteBarrier barrier, const std::filesystem::path& folder) {
    if (barrier == WriteBarrier::readOnlyMount) {
        if (!mountReadOnly(folder)) {
            return false;
        }
    } else if (geteuid() == 0) {
        const auto [uid, gid] = unprivilegedUser();
        if (setgroups(0, nullptr) != 0 || setresgid(gid, gid, gid) != 0 ||
            setresuid(uid, uid, uid) != 0) {
            return false;
        }
    }
    return access(folder.c_str(), R_OK | X_OK) == 0 && access(folder.c_str(), W_OK) != 0;
}

} // namespace detail

// Runs `work` in a child process for which nothing in `folder` can be written, and returns what
// it returned; nothing when that barrier is not available here (no namespaces, no other user to
// become, a folder that user cannot reach). The folder is writable again afterwards.
inline std::optional<std::string> inUnwritableFolder(WriteBarrier barrier,
                                                     const std::filesystem::path& folder,
                                                     const std::function<std::string()>& work) {
    if (barrier == WriteBarrier::permissions) {
        detail::setFolderModes(folder, false);
    }
    int report[2];
    if (pipe(report) != 0) {
        return std::nullopt;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        std::string answer = detail::raiseBarrier(barrier, folder) ? "R" + work() : "U";
        (void)!write(report[1], answer.data(), answer.size());
        close(report[1]);
        _exit(0);
    }
    close(report[1]);
    std::string answer;
    char buffer[512];
    for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;) {
        answer.append(buffer, static_cast<size_t>(n));
    }
    close(report[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (barrier == WriteBarrier::permissions) {
        detail::setFolderModes(folder, true);
    }
    if (answer == "U") {
        return std::nullopt;
    }
    return answer.empty()
               ? "<the child ended without an answer, status " + std::to_string(status) + ">"
               : answer.substr(1);
}

// Called from the work of inUnwritableFolder(): gives write access to the folder back, as when a
// read-only home or profile becomes writable while the program runs.
inline bool liftBarrier(WriteBarrier barrier, const std::filesystem::path& folder) {
    if (barrier == WriteBarrier::readOnlyMount) {
        return umount2(folder.c_str(), MNT_DETACH) == 0;
    }
    detail::setFolderModes(folder, true);
    return access(folder.c_str(), W_OK) == 0;
}

} // namespace fen::test
