#include "platform/foundation/NotificationCenter.h"

#include <algorithm>

namespace fen {

struct NotificationCenter::State {
    mutable std::mutex mutex;
    uint64_t nextId = 1;
    std::map<std::string, std::vector<Entry>> observers;
};

ObserverToken::~ObserverToken() {
    reset();
}

ObserverToken::ObserverToken(ObserverToken&& other) noexcept : remove_(std::move(other.remove_)) {
    other.remove_ = nullptr;
}

ObserverToken& ObserverToken::operator=(ObserverToken&& other) noexcept {
    if (this != &other) {
        reset();
        remove_ = std::move(other.remove_);
        other.remove_ = nullptr;
    }
    return *this;
}

void ObserverToken::reset() {
    if (remove_) {
        auto remove = std::move(remove_);
        remove_ = nullptr;
        remove();
    }
}

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter* center = new NotificationCenter();
    return *center;
}

NotificationCenter::NotificationCenter() : state_(std::make_shared<State>()) {}
NotificationCenter::~NotificationCenter() = default;

namespace {

// The key under which observers with no name are kept: no posted name can be it, since a name is
// never empty when a key is made from it with this prefix. Never destroyed: a worker may still post
// while the program ends.
const std::string& allNamesKey() {
    static const auto& key = *new const std::string("\0*", 2);
    return key;
}

} // namespace

ObserverToken NotificationCenter::addObserver(const std::string& name, Handler handler) {
    return insert(name, std::move(handler));
}

ObserverToken NotificationCenter::addObserverForAllNames(Handler handler) {
    return insert(allNamesKey(), std::move(handler));
}

ObserverToken NotificationCenter::insert(const std::string& name, Handler handler) {
    std::lock_guard lock(state_->mutex);
    uint64_t id = state_->nextId++;
    state_->observers[name].push_back(Entry{id, std::make_shared<Handler>(std::move(handler))});
    std::weak_ptr<State> weak = state_;
    return ObserverToken([weak, name, id] {
        auto state = weak.lock();
        if (!state) {
            return;
        }
        std::lock_guard lock(state->mutex);
        auto it = state->observers.find(name);
        if (it == state->observers.end()) {
            return;
        }
        std::erase_if(it->second, [id](const Entry& e) { return e.id == id; });
        if (it->second.empty()) {
            state->observers.erase(it);
        }
    });
}

void NotificationCenter::post(const Notification& notification) {
    std::vector<Entry> targets;
    {
        std::lock_guard lock(state_->mutex);
        for (const std::string* key : {&notification.name, &allNamesKey()}) {
            auto it = state_->observers.find(*key);
            if (it != state_->observers.end()) {
                targets.insert(targets.end(), it->second.begin(), it->second.end());
            }
        }
    }
    // Named observers and observers of every name, together in registration order.
    std::sort(targets.begin(), targets.end(),
              [](const Entry& a, const Entry& b) { return a.id < b.id; });
    for (const auto& entry : targets) {
        // Skip observers removed by an earlier handler of this same delivery.
        bool stillRegistered = false;
        {
            std::lock_guard lock(state_->mutex);
            for (const std::string* key : {&notification.name, &allNamesKey()}) {
                auto it = state_->observers.find(*key);
                if (it != state_->observers.end()) {
                    for (const auto& e : it->second) {
                        if (e.id == entry.id) {
                            stillRegistered = true;
                            break;
                        }
                    }
                }
            }
        }
        if (stillRegistered) {
            (*entry.handler)(notification);
        }
    }
}

void NotificationCenter::post(const std::string& name, std::any object,
                              std::map<std::string, std::any> userInfo) {
    post(Notification{name, std::move(object), std::move(userInfo)});
}

size_t NotificationCenter::observerCount(const std::string& name) const {
    std::lock_guard lock(state_->mutex);
    auto it = state_->observers.find(name);
    return it == state_->observers.end() ? 0 : it->second.size();
}

} // namespace fen
