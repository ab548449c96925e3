#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace engine {

// An ordered list of handlers for one event. Handlers run in the order they were added, so
// a component that attaches later still lets the earlier handler run first. A handler may
// add or remove handlers while the event runs; the change applies from the next event.
template <class... Args>
class EventList {
public:
    using Handler = std::function<void(Args...)>;
    using Id = int;

    Id add(Handler handler) {
        handlers_.emplace_back(++lastId_, std::move(handler));
        return lastId_;
    }
    // Adds a handler that runs before every handler added so far.
    Id addFront(Handler handler) {
        handlers_.emplace(handlers_.begin(), ++lastId_, std::move(handler));
        return lastId_;
    }
    void remove(Id id) {
        std::erase_if(handlers_, [id](const auto& entry) { return entry.first == id; });
    }
    void clear() { handlers_.clear(); }
    bool empty() const { return handlers_.empty(); }
    size_t size() const { return handlers_.size(); }

    void operator()(Args... args) const {
        const auto snapshot = handlers_;
        for (const auto& entry : snapshot) entry.second(args...);
    }

private:
    std::vector<std::pair<Id, Handler>> handlers_;
    Id lastId_ = 0;
};

}  // namespace engine
