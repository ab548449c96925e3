#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace engine {

namespace detail {
// A handler's place in its list, as a connection sees it.
class HandlerSlot {
public:
    virtual ~HandlerSlot() = default;
    // Takes the handler out of its list; it does not run any more, also not in an event
    // that is running now.
    virtual void detach() = 0;
    bool removed = false;
};
}  // namespace detail

// A handler's hold on its event list: destroying the connection (or disconnect()) removes
// the handler. A connection that outlives its list does nothing. Move-only.
class Connection {
public:
    Connection() = default;
    explicit Connection(std::weak_ptr<detail::HandlerSlot> slot) : slot_(std::move(slot)) {}
    Connection(Connection&& other) noexcept : slot_(std::exchange(other.slot_, {})) {}
    Connection& operator=(Connection&& other) noexcept {
        if (this != &other) {
            disconnect();
            slot_ = std::exchange(other.slot_, {});
        }
        return *this;
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { disconnect(); }

    void disconnect() {
        if (auto slot = std::exchange(slot_, {}).lock()) slot->detach();
    }
    // True while the handler is in its list (false once the list is gone).
    bool connected() const {
        const auto slot = slot_.lock();
        return slot && !slot->removed;
    }

private:
    std::weak_ptr<detail::HandlerSlot> slot_;
};

// Connections kept together; all their handlers go when the group is cleared or destroyed.
class Connections {
public:
    Connections& operator+=(Connection connection) {
        list_.push_back(std::move(connection));
        return *this;
    }
    void clear() { list_.clear(); }
    bool empty() const { return list_.empty(); }
    // True when there are connections and their lists are still there.
    bool connected() const { return !list_.empty() && list_.front().connected(); }

private:
    std::vector<Connection> list_;
};

// An ordered list of handlers for one event. Handlers run in the order they were added, so
// a component that attaches later still lets the earlier handler run first. Each handler
// stays while the connection returned for it is kept. A handler may add or remove handlers
// while the event runs: one added runs from the next event on, one removed does not run any
// more.
template <class... Args>
class EventList {
public:
    using Handler = std::function<void(Args...)>;

    EventList() = default;
    EventList(const EventList&) = delete;
    EventList& operator=(const EventList&) = delete;
    ~EventList() { clear(); }

    [[nodiscard]] Connection add(Handler handler) {
        return insert(entries_->end(), std::move(handler));
    }
    // Adds a handler that runs before every handler added so far.
    [[nodiscard]] Connection addFront(Handler handler) {
        return insert(entries_->begin(), std::move(handler));
    }
    void clear() {
        for (const auto& entry : *entries_) entry->removed = true;
        entries_->clear();
    }
    bool empty() const { return entries_->empty(); }
    size_t size() const { return entries_->size(); }

    void operator()(Args... args) const {
        if (entries_->empty()) return;
        const Entries snapshot = *entries_;
        for (const auto& entry : snapshot)
            if (!entry->removed) entry->handler(args...);
    }

private:
    struct Entry;
    using Entries = std::vector<std::shared_ptr<Entry>>;

    struct Entry : detail::HandlerSlot {
        Entry(Handler h, std::weak_ptr<Entries> l) : handler(std::move(h)), list(std::move(l)) {}
        void detach() override {
            removed = true;
            if (const auto entries = list.lock())
                std::erase_if(*entries, [this](const auto& e) { return e.get() == this; });
        }
        Handler handler;
        std::weak_ptr<Entries> list;
    };

    Connection insert(typename Entries::iterator where, Handler handler) {
        auto entry = std::make_shared<Entry>(std::move(handler), entries_);
        entries_->insert(where, entry);
        return Connection(entry);
    }

    std::shared_ptr<Entries> entries_ = std::make_shared<Entries>();
};

}  // namespace engine
