#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

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
// entity, shared by the window and the command line (WAL journal, busy timeout). The entities
// are the seven blob holders (each holding one JSON document of its kind in `data`) and
// DBImageStorage (`imageID`, `data`), plus DBImageList's unused `id`.
//
// A store that cannot be opened is not an error for the caller: it is logged once and left
// unopened, so later reads find nothing and later writes fail. A container folder that cannot be
// had leaves the store unopened too, and the caller learns it from containerMissing(): the
// application decides whether to stop.
class PersistenceController {
public:
    // What the application tells the user when the container folder cannot be had.
    static constexpr const char* containerFailureMessage =
        "Shared file container could not be created.";

    explicit PersistenceController(const StoreLocation& location = {});
    ~PersistenceController();
    PersistenceController(PersistenceController&&) noexcept;
    PersistenceController& operator=(PersistenceController&&) noexcept;

    // The opened database, or nullptr when the store could not be opened.
    store::Database* container() const { return container_.get(); }
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
};

} // namespace fen
