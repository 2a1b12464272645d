#pragma once

#include "platform/foundation/Signal.h"
#include "storage/SPAOptions.h"

#include <any>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fen {

// A panel's menu of stored entries: the "none" option, then the options its reader makes from
// the store, in stored order. The store is read where the window's store work runs (StoreWork):
// until a first read comes back the menu holds "none" alone and hasRead() is false, so a list not
// read yet is never taken for an empty one or for the defaults. A read that cannot be done within
// the store's patience leaves the options as they were and is told (readRefused). Entry changes
// go the same way, in order, each stored one followed by a read, so the menu then shows what the
// store holds; one that could not be stored is told (FenDatabaseManager::listEntryNotStored) and
// leaves the options as read last, what the store holds (or has them read, when the last read
// failed). Created reading
// (the reader seeds the defaults on a fresh store); editors call loadOptions() after a change
// made elsewhere. Main thread only.
class OptionListModel {
public:
    // What a read of the store gave: the options that follow "none", and the entries they were
    // made of (the QR codes themselves), or nothing when the store could not be read.
    struct Read {
        std::optional<std::vector<SPAOptions>> options;
        std::any entries;
    };
    using Reader = std::function<Read()>;

    virtual ~OptionListModel();
    OptionListModel(const OptionListModel&) = delete;
    OptionListModel& operator=(const OptionListModel&) = delete;

    // Reads the options from the store; they are replaced, and announced once, when they differ.
    void loadOptions();
    // Makes a change of the stored list where the store may be waited for, then, once it was
    // stored, reads the options again. `change` is true when it was stored; otherwise the reason
    // (CoreDataBase::lastFailure) is told on the main thread. `answered` then hears whether it
    // was stored.
    void change(std::function<bool()> change, std::function<void(bool stored)> answered = {});

    const std::vector<SPAOptions>& options() const { return options_; }
    // Sets the options without announcing.
    void setOptions(std::vector<SPAOptions> options) { options_ = std::move(options); }
    // Whether a read of the store has come back.
    bool hasRead() const { return hasRead_; }
    // Why the last read could not be done; nothing when it could.
    const std::optional<std::string>& unreadable() const { return unreadable_; }
    // The entries of the last read (what its reader put there: the QR codes themselves).
    const std::any& entries() const { return entries_; }

    // Sent after the options were replaced by a read.
    Signal<> objectWillChange;
    // Told on the main thread when a read of a list could not be done, with the list's name ("the
    // stamp texts") and the reason.
    static Signal<const std::string&, const std::string&>& readRefused();

    // How a change that could not be stored is told: made when the change is asked for (the
    // window notes which sheet asked), called with the reason once it is known. Without a maker,
    // FenDatabaseManager::listEntryNotStored is told.
    using Teller = std::function<void(const std::string& reason)>;
    static void setTellerMaker(std::function<Teller()> maker);

protected:
    // `read` gives the options that follow "none", read from the store; `listName` names the list
    // when a read of it is told.
    OptionListModel(std::string listName, Reader read);

    // One option per stored entry: its id, titled with its name.
    template <typename Entry>
    static std::vector<SPAOptions> named(const std::vector<Entry>& entries) {
        std::vector<SPAOptions> options;
        for (const Entry& entry : entries) {
            options.push_back(SPAOptions{entry.id, entry.name});
        }
        return options;
    }

private:
    void apply(const Read& read, const std::string& failure);

    std::string listName_;
    Reader read_;
    std::vector<SPAOptions> options_{SPAOptions::none()};
    std::any entries_;
    bool hasRead_ = false;
    std::optional<std::string> unreadable_;
    // Reads under way, and whether another was asked for meanwhile.
    int reading_ = 0;
    bool readAgain_ = false;
    // Let go with the model: results that come back later find it gone.
    std::shared_ptr<OptionListModel*> self_;
};

} // namespace fen
