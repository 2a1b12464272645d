#include "storage/OptionListModel.h"

#include "storage/CoreDataBase.h"
#include "storage/FenDatabaseManager.h"
#include "storage/StoreWork.h"

namespace fen {

OptionListModel::OptionListModel(std::string listName, Reader read)
    : listName_(std::move(listName)), read_(std::move(read)),
      self_(std::make_shared<OptionListModel*>(this)) {
    loadOptions();
}

OptionListModel::~OptionListModel() {
    *self_ = nullptr;
}

namespace {

std::function<OptionListModel::Teller()>& tellerMaker() {
    static std::function<OptionListModel::Teller()> maker;
    return maker;
}

} // namespace

void OptionListModel::setTellerMaker(std::function<Teller()> maker) {
    tellerMaker() = std::move(maker);
}

Signal<const std::string&, const std::string&>& OptionListModel::readRefused() {
    static Signal<const std::string&, const std::string&> signal;
    return signal;
}

void OptionListModel::loadOptions() {
    if (reading_ > 0) {
        // One read more once the one under way is back: it may have begun before the change.
        readAgain_ = true;
        return;
    }
    ++reading_;
    auto result = std::make_shared<std::pair<Read, std::string>>();
    StoreWork::run(
        [result, read = read_] {
            CoreDataBase::clearLastFailure();
            result->first = read();
            result->second = CoreDataBase::lastFailure();
        },
        [result, self = std::weak_ptr<OptionListModel*>(self_)] {
            const std::shared_ptr<OptionListModel*> model = self.lock();
            if (!model || !*model) {
                return;
            }
            (*model)->apply(result->first, result->second);
        });
}

void OptionListModel::apply(const Read& read, const std::string& failure) {
    --reading_;
    if (!read.options) {
        unreadable_ = failure.empty() ? std::string("the store could not be read") : failure;
        readRefused().emit(listName_, *unreadable_);
    } else {
        unreadable_.reset();
        const bool first = !std::exchange(hasRead_, true);
        entries_ = read.entries;
        std::vector<SPAOptions> options{SPAOptions::none()};
        for (const SPAOptions& entry : *read.options) {
            options.push_back(entry);
        }
        // The first read is announced even when it finds nothing: an empty list now, not one
        // unread.
        if (options != options_ || first) {
            options_ = std::move(options);
            objectWillChange.emit();
        }
    }
    if (reading_ == 0 && std::exchange(readAgain_, false)) {
        loadOptions();
    }
}

void OptionListModel::change(std::function<bool()> change,
                             std::function<void(bool stored)> answered) {
    auto result = std::make_shared<std::pair<bool, std::string>>(false, std::string());
    Teller tell = tellerMaker() ? tellerMaker()() : Teller{};
    StoreWork::change(
        "a change of the " + listName_,
        [result, change = std::move(change)] {
            CoreDataBase::clearLastFailure();
            result->first = change();
            result->second = CoreDataBase::lastFailure();
            return result->first;
        },
        [result, tell = std::move(tell), answered = std::move(answered),
         self = std::weak_ptr<OptionListModel*>(self_)] {
            if (!result->first) {
                const std::string reason =
                    result->second.empty() ? std::string("the store refused it") : result->second;
                if (tell) {
                    tell(reason);
                } else {
                    FenDatabaseManager::listEntryNotStored().emit(reason);
                }
            }
            if (answered) {
                answered(result->first);
            }
            // A change refused leaves the options as read last, which is what the store holds;
            // options never read are read now.
            const std::shared_ptr<OptionListModel*> model = self.lock();
            if (model && *model &&
                (result->first || !(*model)->hasRead_ || (*model)->unreadable_)) {
                (*model)->loadOptions();
            }
        });
}

} // namespace fen
