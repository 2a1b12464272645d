#pragma once

#include "platform/foundation/NotificationCenter.h"

#include <any>
#include <memory>
#include <string>

namespace fen {

// The per-document message channel of one document window: an identifier, and the scoped names
// built from it (the base name, "_" and the identifier), under which the window's views, models,
// export and preset listener post and observe on the default notification centre, so that two
// open documents never hear each other. The same identifier is the processorID of the window's
// model and document, from which parts that hold only those build the same names.
class NotificationDocumentCenter {
public:
    // A channel with a fresh identifier: an upper-case UUID text.
    NotificationDocumentCenter();
    // A channel with a given identifier (a restored window, tests).
    explicit NotificationDocumentCenter(std::string identifier);

    // A new channel with a fresh identifier, one per window for the window's whole life.
    static std::shared_ptr<NotificationDocumentCenter> makeDocumentNotificationCenter();

    // The identifier, fixed at creation.
    const std::string& id() const { return id_; }

    // `baseName` + "_" + id. Bases stored with their "_" already at the end ("ImageImage_") are
    // scoped by appending the identifier directly: the resulting text is the same.
    std::string scopedName(const std::string& baseName) const;
    // The same rule for parts that hold only a processorID.
    static std::string scopedName(const std::string& baseName, const std::string& identifier);

    // Observes the scoped name of `baseName` on the default centre, for every object; the
    // observer lives as long as the returned token.
    [[nodiscard]] ObserverToken addObserver(const std::string& baseName,
                                            NotificationCenter::Handler handler) const;
    // Posts the scoped name of `baseName` with `object` on the default centre, synchronously on
    // the calling thread.
    void post(const std::string& baseName, std::any object = {}) const;

private:
    std::string id_;
};

} // namespace fen
