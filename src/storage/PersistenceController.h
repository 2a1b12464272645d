#pragma once

#include <array>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>

namespace fen::store {
class Database;
}

namespace fen {

// Where the store lives and how it is opened.
struct StoreLocation {
    // The store file. Empty: "FenmoorData.sqlite" directly in the shared container folder.
    std::filesystem::path file;
    // Open for reading only: nothing is created, and every write fails.
    bool readOnly = false;
};

// Opens the one embedded store of the application: an sqlite file with one table per stored
// entity, shared by the window and the command line (WAL journal). The entities
// are the seven blob holders (each holding one JSON document of its kind in `data`) and
// DBImageStorage (`imageID`, `data`), plus DBImageList's unused `id`.
//
// A store that cannot be opened is not an error for the caller: it is logged and left unopened,
// so reads find nothing and writes fail until refresh() opens it (a lock held by another process
// at start ends, a damaged file is replaced). A container folder that cannot be had leaves the
// store unopened for good, and the caller learns it from containerMissing(): the application
// decides whether to stop.
//
// Opening never waits for another connection's lock longer than tryWait: the window opens the
// store on its GUI thread. The connection keeps that short busy timeout; whoever must wait longer
// tries again (CoreDataBase).
class PersistenceController {
public:
    // What the application tells the user when the container folder cannot be had.
    static constexpr const char* containerFailureMessage =
        "Shared file container could not be created.";

    explicit PersistenceController(const StoreLocation& location = {});
    ~PersistenceController();
    PersistenceController(PersistenceController&&) noexcept;
    PersistenceController& operator=(PersistenceController&&) noexcept;

    // How long one call waits for another connection's lock.
    static constexpr std::chrono::milliseconds tryWait{20};

    // The opened database, or nullptr when the store could not be opened.
    store::Database* container() const { return container_.get(); }
    // Makes container() name the file at storeFile() once more when it can: an unopened store is
    // opened, and a writable store whose file was deleted or replaced since it was opened (its
    // path no longer names the open file's device and inode) is opened anew, made afresh as at a
    // first start. True when a database is open afterwards.
    bool refresh();
    // Why the last opening failed ("database is locked", "file is not a database"); empty while
    // the store is open.
    const std::string& openError() const { return openError_; }
    // Whether the last opening failed only because another connection held a lock.
    bool openBusy() const { return openBusy_; }
    const std::filesystem::path& storeFile() const { return file_; }
    bool readOnly() const { return readOnly_; }
    // True when the store was to live in the container folder and none could be had (neither
    // $XDG_DATA_HOME nor $HOME set, or the folder cannot be made): nothing was opened.
    bool containerMissing() const { return containerMissing_; }

    // The shared container folder: $XDG_DATA_HOME/fenmoor when that variable holds an absolute
    // path, else $HOME/.local/share/fenmoor; empty when neither is set.
    static std::filesystem::path containerFolder();

    // The store file for a database name ("FenmoorData" gives ".../fenmoor/FenmoorData.sqlite"),
    // creating the container folder (and its missing parents) with mode 0700; nothing when no
    // container folder can be had.
    static std::optional<std::filesystem::path> appGroupStoreURL(const std::string& databaseName);

    // The entities of the data model, the only table names the store ever uses.
    static const std::array<const char*, 8>& entityNames();

private:
    void open();

    std::filesystem::path file_;
    bool readOnly_ = false;
    bool containerMissing_ = false;
    std::unique_ptr<store::Database> container_;
    std::string openError_;
    bool openBusy_ = false;
    // The device and inode of the file container_ was opened on.
    dev_t openedDevice_ = 0;
    ino_t openedInode_ = 0;
};

} // namespace fen
