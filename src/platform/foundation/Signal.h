#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace fen {

// Disconnects its slot when destroyed. Movable, not copyable.
class Connection {
public:
    Connection() = default;
    explicit Connection(std::function<void()> disconnect) : disconnect_(std::move(disconnect)) {}
    ~Connection() { disconnect(); }
    Connection(Connection&& o) noexcept : disconnect_(std::move(o.disconnect_)) {
        o.disconnect_ = nullptr;
    }
    Connection& operator=(Connection&& o) noexcept {
        if (this != &o) {
            disconnect();
            disconnect_ = std::move(o.disconnect_);
            o.disconnect_ = nullptr;
        }
        return *this;
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void disconnect() {
        if (disconnect_) {
            auto d = std::move(disconnect_);
            disconnect_ = nullptr;
            d();
        }
    }
    bool connected() const { return static_cast<bool>(disconnect_); }

private:
    std::function<void()> disconnect_;
};

// A synchronous change publisher: emit() calls every connected slot on the emitting thread, in
// connection order. Slots connected or disconnected during an emission take effect afterwards
// (a slot disconnected mid-emission is not called).
template <typename... Args> class Signal {
public:
    using Slot = std::function<void(Args...)>;

    Signal() : state_(std::make_shared<State>()) {}
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;

    [[nodiscard]] Connection connect(Slot slot) {
        std::lock_guard lock(state_->mutex);
        auto id = state_->nextId++;
        state_->slots.push_back({id, std::make_shared<Slot>(std::move(slot))});
        std::weak_ptr<State> weak = state_;
        return Connection([weak, id] {
            if (auto s = weak.lock()) {
                std::lock_guard lock(s->mutex);
                std::erase_if(s->slots, [id](const auto& e) { return e.first == id; });
            }
        });
    }

    void emit(Args... args) const {
        std::vector<std::pair<uint64_t, std::shared_ptr<Slot>>> copy;
        {
            std::lock_guard lock(state_->mutex);
            copy = state_->slots;
        }
        for (const auto& [id, slot] : copy) {
            bool live = false;
            {
                std::lock_guard lock(state_->mutex);
                live = std::any_of(state_->slots.begin(), state_->slots.end(),
                                   [id = id](const auto& e) { return e.first == id; });
            }
            if (live) {
                (*slot)(args...);
            }
        }
    }
    void operator()(Args... args) const { emit(args...); }

    size_t slotCount() const {
        std::lock_guard lock(state_->mutex);
        return state_->slots.size();
    }

private:
    struct State {
        std::mutex mutex;
        uint64_t nextId = 1;
        std::vector<std::pair<uint64_t, std::shared_ptr<Slot>>> slots;
    };
    std::shared_ptr<State> state_;
};

} // namespace fen
