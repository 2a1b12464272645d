#include "storage/CoreDataBase.h"

#include "export/FenFilesStorage.h"
#include "platform/foundation/Dates.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Uuid.h"
#include "platform/foundation/WholeFileReader.h"
#include "platform/pdf/PdfMarker.h"
#include "platform/store/Database.h"
#include "platform/store/StoreError.h"
#include "platform/store/Transaction.h"

#include <cstdio>
#include <string_view>

namespace fen {

namespace {

std::mutex sharedMutex;
std::shared_ptr<CoreDataBase> sharedInstance;

void reportDeleteError() {
    log::message(log::Level::error, "There was an error");
}

// Statements name only the model's entities, which are program constants.
std::string selectNewest(const char* entity) {
    return std::string("SELECT data FROM ") + entity + " ORDER BY rowid DESC LIMIT 1";
}

} // namespace

CoreDataBase::CoreDataBase(PersistenceController controller) : controller_(std::move(controller)) {}

CoreDataBase::~CoreDataBase() = default;

std::shared_ptr<CoreDataBase> CoreDataBase::shared() {
    std::lock_guard lock(sharedMutex);
    if (!sharedInstance) {
        sharedInstance = std::make_shared<CoreDataBase>(PersistenceController());
    }
    return sharedInstance;
}

void CoreDataBase::setShared(std::shared_ptr<CoreDataBase> instance) {
    std::lock_guard lock(sharedMutex);
    sharedInstance = std::move(instance);
}

std::optional<std::string> CoreDataBase::loadBlob(const char* entity) {
    std::lock_guard lock(mutex_);
    store::Database* db = controller_.container();
    if (!db) {
        return std::nullopt;
    }
    try {
        store::Statement s = db->prepare(selectNewest(entity));
        if (!s.step()) {
            return std::nullopt;
        }
        std::optional<std::string> data = s.columnBytes(0);
        if (!data || data->empty()) {
            return std::nullopt;
        }
        return data;
    } catch (const store::StoreError&) {
        return std::nullopt;
    }
}

bool CoreDataBase::saveBlob(const char* entity, const std::string& data) {
    return changeBlob(entity, [&](const std::optional<std::string>&) {
        return BlobChange{data, false};
    });
}

bool CoreDataBase::changeBlob(const char* entity, const BlobEditor& edit) {
    std::lock_guard lock(mutex_);
    store::Database* db = controller_.container();
    if (!db || db->readOnly()) {
        return false;
    }
    try {
        store::Transaction tx(*db, store::Transaction::Kind::immediate);
        std::optional<std::string> current;
        {
            store::Statement s = db->prepare(selectNewest(entity));
            if (s.step()) {
                current = s.columnBytes(0);
                if (current && current->empty()) {
                    current.reset();
                }
            }
        }
        BlobChange change = edit(current);
        if (!change.replacement) {
            return true;
        }
        if (change.preserveCurrent && current) {
            db->exec(std::string("CREATE TABLE IF NOT EXISTS ") + kPreservedBlobsTable +
                     " (entity TEXT, data BLOB, preservedAt REAL)");
            store::Statement keep =
                db->prepare(std::string("INSERT INTO ") + kPreservedBlobsTable +
                            " (entity, data, preservedAt) SELECT ?1, ?2, ?3 WHERE NOT EXISTS "
                            "(SELECT 1 FROM " +
                            kPreservedBlobsTable + " WHERE entity = ?1 AND data = ?2)");
            keep.bindText(1, entity).bindBlob(2, *current).bindDouble(3, Date::now().unixSeconds());
            keep.run();
            if (db->changes() > 0) {
                log::message(log::Level::warning, std::string("The stored ") + entity +
                                                      " could not be read; a copy was kept in " +
                                                      kPreservedBlobsTable + " of " +
                                                      controller_.storeFile().string());
            }
        }
        db->exec(std::string("DELETE FROM ") + entity);
        store::Statement insert =
            db->prepare(std::string("INSERT INTO ") + entity + " (data) VALUES (?)");
        insert.bindBlob(1, *change.replacement);
        insert.run();
        tx.commit();
        return true;
    } catch (const store::StoreError&) {
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

bool CoreDataBase::savePresetsData(const std::string& data, PresetStoreKind kind) {
    return saveBlob(entityName(kind), data);
}

bool CoreDataBase::saveListData(const std::string& data, ListStoreKind kind) {
    return saveBlob(entityName(kind), data);
}

std::optional<std::string> CoreDataBase::loadPresetsData(PresetStoreKind kind) {
    return loadBlob(entityName(kind));
}

std::optional<std::string> CoreDataBase::loadListData(ListStoreKind kind) {
    return loadBlob(entityName(kind));
}

bool CoreDataBase::changePresetsData(PresetStoreKind kind, const BlobEditor& edit) {
    return changeBlob(entityName(kind), edit);
}

bool CoreDataBase::changeListData(ListStoreKind kind, const BlobEditor& edit) {
    return changeBlob(entityName(kind), edit);
}

void CoreDataBase::deleteAllRecords(const std::string& entityName) {
    const char* entity = nullptr;
    for (const char* known : PersistenceController::entityNames()) {
        if (entityName == known) {
            entity = known;
        }
    }
    std::lock_guard lock(mutex_);
    store::Database* db = controller_.container();
    if (!entity || !db) {
        reportDeleteError();
        return;
    }
    try {
        db->exec(std::string("DELETE FROM ") + entity);
    } catch (const store::StoreError&) {
        reportDeleteError();
    }
}

std::optional<std::string> CoreDataBase::saveImage(const Url& from) {
    if (!from.isFileURL()) {
        return std::nullopt;
    }
    std::optional<std::string> bytes = WholeFileReader::read(from.path()).bytes;
    if (!bytes) {
        return std::nullopt;
    }
    std::string imageID = newUuidString();
    std::lock_guard lock(mutex_);
    store::Database* db = controller_.container();
    if (!db || db->readOnly()) {
        return std::nullopt;
    }
    try {
        store::Statement s =
            db->prepare("INSERT INTO DBImageStorage (imageID, data) VALUES (?, ?)");
        s.bindText(1, imageID).bindBlob(2, *bytes);
        s.run();
        return imageID;
    } catch (const store::StoreError&) {
        return std::nullopt;
    }
}

std::optional<Url> CoreDataBase::loadImageURL(const std::string& imageID) {
    std::optional<std::string> data;
    {
        std::lock_guard lock(mutex_);
        store::Database* db = controller_.container();
        if (!db) {
            return std::nullopt;
        }
        try {
            store::Statement s = db->prepare(
                "SELECT data FROM DBImageStorage WHERE imageID = ? ORDER BY rowid LIMIT 1");
            s.bindText(1, imageID);
            if (!s.step()) {
                return std::nullopt;
            }
            data = s.columnBytes(0);
        } catch (const store::StoreError&) {
            return std::nullopt;
        }
    }
    bool isPDF = data && pdf::looksLikePDF(*data);
    return FenFilesStorage::writeImageData(data, isPDF);
}

void CoreDataBase::deleteImageData(const std::string& imageID) {
    std::lock_guard lock(mutex_);
    store::Database* db = controller_.container();
    if (!db) {
        reportDeleteError();
        return;
    }
    try {
        store::Statement s = db->prepare("DELETE FROM DBImageStorage WHERE imageID = ?");
        s.bindText(1, imageID);
        s.run();
    } catch (const store::StoreError&) {
        reportDeleteError();
    }
}

std::vector<CoreDataBase::PreservedBlob> CoreDataBase::preservedBlobs() {
    std::vector<PreservedBlob> result;
    std::lock_guard lock(mutex_);
    store::Database* db = controller_.container();
    if (!db) {
        return result;
    }
    try {
        if (!db->hasTable(kPreservedBlobsTable)) {
            return result;
        }
        store::Statement s = db->prepare(std::string("SELECT entity, data, preservedAt FROM ") +
                                         kPreservedBlobsTable + " ORDER BY rowid");
        while (s.step()) {
            result.push_back(PreservedBlob{s.columnBytes(0).value_or(""),
                                           s.columnBytes(1).value_or(""), s.columnDouble(2)});
        }
    } catch (const store::StoreError&) {
    }
    return result;
}

} // namespace fen
