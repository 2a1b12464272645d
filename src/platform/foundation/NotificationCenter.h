#pragma once

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace fen {

// One message of the notification centre: a plain-string name, an optional object and a
// dictionary of extra values. Objects are carried by value in std::any; posters and observers
// agree on the type (a shared_ptr for reference types).
struct Notification {
    std::string name;
    std::any object;
    std::map<std::string, std::any> userInfo;
};

// Removes its observer from the centre when destroyed (or on reset()). Movable, not copyable.
class ObserverToken {
public:
    ObserverToken() = default;
    ~ObserverToken();
    ObserverToken(ObserverToken&& other) noexcept;
    ObserverToken& operator=(ObserverToken&& other) noexcept;
    ObserverToken(const ObserverToken&) = delete;
    ObserverToken& operator=(const ObserverToken&) = delete;

    void reset();
    bool active() const { return static_cast<bool>(remove_); }

private:
    friend class NotificationCenter;
    explicit ObserverToken(std::function<void()> remove) : remove_(std::move(remove)) {}
    std::function<void()> remove_;
};

// The process-wide message hub. post() delivers synchronously on the posting thread to every
// observer registered for the name at the time of the post, in registration order. Observers may
// post, add or remove observers from inside a delivery.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // The returned token must be kept: the observer lives exactly as long as the token.
    [[nodiscard]] ObserverToken addObserver(const std::string& name, Handler handler);
    // An observer registered with no name: it hears every notification posted, whatever its
    // name, in registration order among the observers of that name.
    [[nodiscard]] ObserverToken addObserverForAllNames(Handler handler);

    void post(const Notification& notification);
    void post(const std::string& name, std::any object = {},
              std::map<std::string, std::any> userInfo = {});

    // Number of observers currently registered for a name, not counting those with no name
    // (diagnostics and tests).
    size_t observerCount(const std::string& name) const;

private:
    struct Entry {
        uint64_t id;
        std::shared_ptr<Handler> handler;
    };
    struct State;
    std::shared_ptr<State> state_;
    ObserverToken insert(const std::string& key, Handler handler);
};

} // namespace fen
