#pragma once

#include "platform/foundation/Url.h"
#include "storage/ListStoreKind.h"
#include "storage/PersistenceController.h"
#include "storage/PresetStoreKind.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace fen {

// The single access point of the store. It knows nothing of the records inside the blobs: it
// keeps the one JSON document of each preset kind and each list kind, and image bytes by
// identifier. No operation throws; a failed read is "nothing stored", a failed write is reported
// by its result only (or, for deletions, by one logged line, see platform/foundation/Log.h).
//
// Operations may be called from any thread and run one at a time, each on a connection that is
// closed again when it ends (PersistenceController::release), so that between operations the
// store is its file alone. Several processes may use the same store file at once: every change
// of a blob reads and writes it inside one immediate transaction, so concurrent writers never lose
// each other's work.
//
// No call holds the connection while it waits for another process's lock: a busy store is tried
// again every few milliseconds, the connection let go in between, for up to writePatience(), or
// the calling thread's bound (setThreadWritePatience). Reads wait too, since the rollback journal
// keeps readers out while another process folds a write into the file; a read that gives up is
// a failure (lastFailure()), never "nothing stored" to the callers that tell it. So the GUI
// thread never waits long behind a write, and the command line reads what the window writes. Each
// call opens the store anew, as its file is then (one deleted or replaced since is made afresh or
// read as it is), and a write tries a store that could only be read for writing again
// (PersistenceController::refresh).
class CoreDataBase {
public:
    explicit CoreDataBase(PersistenceController controller);
    virtual ~CoreDataBase();
    CoreDataBase(const CoreDataBase&) = delete;
    CoreDataBase& operator=(const CoreDataBase&) = delete;

    // The process-wide instance, opened on first use at the shared container's store.
    static std::shared_ptr<CoreDataBase> shared();
    // Replaces the process-wide instance (a store chosen on the command line, read-only use,
    // tests). Callers that still hold the previous one keep it alive until they let go.
    static void setShared(std::shared_ptr<CoreDataBase> instance);

    const PersistenceController& persistenceController() const { return controller_; }

    // How long a call goes on trying while another connection holds the store.
    std::chrono::milliseconds writePatience() const { return writePatience_; }
    void setWritePatience(std::chrono::milliseconds patience) { writePatience_ = patience; }

    // Bounds how long calls made on the calling thread, reads and writes, go on trying, whatever
    // the instance's patience: the GUI thread waits a frame or two at most and then reports
    // failure. Nothing lifts the bound for the instance's patience.
    static void setThreadWritePatience(std::optional<std::chrono::milliseconds> patience);

    // Why the last call on the calling thread that failed failed, in the database's words
    // ("database is locked", "file is not a database").
    static std::string lastFailure();
    // Forgets the calling thread's last failure (before a step that may fail without the store).
    static void clearLastFailure();
    // Notes why a step above the store failed (a list that is not stored), where the store's own
    // failures are noted.
    static void noteFailure(std::string reason);

    // Marks the calling thread as one that never uses the store (the window's own thread, whose
    // reads and changes go through StoreWork): a call made on it fails at once, noted and logged
    // as the mistake it is. Tests mark the GUI thread so.
    static void setThreadRefusesStore(bool refuses);

    // Replaces the kind's stored blob with `data` in one transaction; false when nothing was
    // stored (the old blob then stays).
    virtual bool savePresetsData(const std::string& data, PresetStoreKind kind);
    virtual bool saveListData(const std::string& data, ListStoreKind kind);

    // The kind's stored blob; nothing when none is stored, it is empty or the store cannot be
    // read. Should an entity ever hold several rows, the newest one is read.
    virtual std::optional<std::string> loadPresetsData(PresetStoreKind kind);
    virtual std::optional<std::string> loadListData(ListStoreKind kind);

    // Deletes every row of one of the model's entities. A name that is not an entity, or a
    // failed delete, logs "There was an error".
    virtual void deleteAllRecords(const std::string& entityName);

    // The largest picture file saveImage() reads.
    static constexpr std::uintmax_t maximumImageFileSize = 64u * 1024 * 1024;

    // Stores the bytes of the file at `from` under a new upper-case UUID and returns it; nothing
    // when the file cannot be read or the bytes cannot be stored. Only a regular file of at most
    // maximumImageFileSize bytes is read: a pipe or a device named by stored settings would
    // block the caller or never end.
    virtual std::optional<std::string> saveImage(const Url& from);
    // Writes the image's bytes to a new temporary file ("image.pdf" when "%PDF" occurs within
    // its first 1024 bytes, else "image") and returns its URL; nothing for an unknown identifier.
    virtual std::optional<Url> loadImageURL(const std::string& imageID);
    // Deletes the image rows with that identifier; logs "There was an error" when that fails.
    virtual void deleteImageData(const std::string& imageID);

    // Writes a consistent copy of the whole store beside its file, named after it with `label`
    // and the time ("FenmoorData.LABEL-20260102-030405.sqlite"), and returns the copy's path;
    // nothing when no copy could be made (the store cannot be opened, the folder is full).
    // A copy bears that name only once it is whole: it is written under a hidden name of its own
    // (".FenmoorData.partial-copy-XXXXXX.sqlite"), locked while it is written, and renamed once
    // written and synced, to the next free name should another program's copy take the name
    // meanwhile. A copy that fails is removed with its journal; what a program killed while
    // copying left under such names is removed before the next copy is made, and when the store
    // is first opened for writing.
    virtual std::optional<std::filesystem::path> copyBeside(const std::string& label);
    // A copy copyBeside(label) made earlier that holds for each of `entities` the blob the store
    // holds now (nothing stored counting as equal to nothing stored), the newest first; nothing
    // when there is none. So a step that replaces those blobs and must keep them aside first
    // reuses that copy while it holds them, rather than copy the store again at each try.
    virtual std::optional<std::filesystem::path>
    copyHolding(const std::string& label, const std::vector<std::string>& entities);

    // What a blob editor decides about the stored blob it was shown.
    struct BlobChange {
        // The new blob; nothing leaves the stored blob as it is.
        std::optional<std::string> replacement;
        // The stored blob could not be read: keep a copy of it aside (logged once) before it is
        // replaced.
        bool preserveCurrent = false;
    };
    using BlobEditor = std::function<BlobChange(const std::optional<std::string>& current)>;

    // Reads the kind's blob, lets `edit` decide, and stores its decision, all in one immediate
    // transaction. True when the decision was stored (or nothing had to change); false, with the
    // stored blob unchanged, when the store cannot be written or `edit` throws. `edit` runs under
    // this instance's lock and must not call back into it.
    virtual bool changePresetsData(PresetStoreKind kind, const BlobEditor& edit);
    virtual bool changeListData(ListStoreKind kind, const BlobEditor& edit);

    // A conversion of the earlier version's settings whose file stays once some kinds are stored
    // (it could not be rewritten without them, or removed) must not store them again at the next
    // start, over what was made since, copying the store once more. So each kind it stores is
    // noted in the same transaction, with its key in the file and `source`, a digest of the
    // file's bytes: saveConvertedData() replaces the kind's blob as savePresetsData() and
    // saveListData() do, convertedKeys(source) gives the keys noted for those bytes, and
    // forgetConvertedKeys() drops every note once the file is gone or rewritten.
    virtual bool saveConvertedData(const std::string& data,
                                   std::variant<PresetStoreKind, ListStoreKind> kind,
                                   const std::string& source, const std::string& key);
    std::vector<std::string> convertedKeys(const std::string& source);
    void forgetConvertedKeys();

    // The table that holds those notes.
    static constexpr const char* kConvertedSettingsTable = "ConvertedSettings";

    // A blob that could not be read and was kept aside before it was replaced.
    struct PreservedBlob {
        std::string entity;
        std::string data;
        double preservedAt = 0; // seconds since 1970
    };
    // The blobs kept aside, oldest first; the table exists only once something was kept.
    std::vector<PreservedBlob> preservedBlobs();

    // The table that holds the blobs kept aside.
    static constexpr const char* kPreservedBlobsTable = "PreservedBlobs";

protected:
    // Renames the finished copy `partial` to `name` unless something stands there; false with
    // errno set when it did not (EEXIST: the name was taken).
    virtual bool takeName(const std::filesystem::path& partial, const std::filesystem::path& name);

private:
    // Runs `work` on the open database under the lock, trying again while the store is busy
    // until `patience` has passed. False, with lastFailure() set, when it did not succeed.
    bool attempt(std::chrono::milliseconds patience, bool writing,
                 const std::function<void(store::Database&)>& work);
    // The beginning of the hidden names of the store's partial copies
    // (".FenmoorData.partial-copy-").
    static std::string partialCopyStem(const std::filesystem::path& file);
    // Removes what copies cut short left in `folder`: each partial copy no program holds locked,
    // and each journal whose copy is gone. Only regular files of the user's own, named exactly as
    // copyBeside() names them (`partialStem`, six letters or digits, `extension`, and "-journal"
    // for a journal), are removed; nothing else is opened.
    static void removePartialCopies(const std::filesystem::path& folder,
                                    const std::string& partialStem, const std::string& extension);
    // Sweeps the partial copies once, when the store is first open for writing.
    void sweepPartialCopies();
    // Whether `path` names the file open as `fd`.
    static bool namesOpenFile(const std::filesystem::path& path, int fd);
    // Gives the finished copy the first free name "STEM[-N]EXTENSION"; nothing, errno set, when
    // none could be taken.
    std::optional<std::filesystem::path> nameCopy(const std::filesystem::path& partial,
                                                  const std::filesystem::path& folder,
                                                  const std::string& stem,
                                                  const std::string& extension);
    std::optional<std::string> loadBlob(const char* entity);
    bool saveBlob(const char* entity, const std::string& data);
    // Runs `edit` on the entity's blob in one transaction, and `alongside` in the same
    // transaction once the decision is stored.
    bool changeBlob(const char* entity, const BlobEditor& edit,
                    const std::function<void(store::Database&)>& alongside = {});

    PersistenceController controller_;
    std::mutex mutex_;
    std::chrono::milliseconds writePatience_{15000};
    bool partialCopiesSwept_ = false;
};

} // namespace fen
