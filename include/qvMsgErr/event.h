// An event that several callbacks can connect to, raised on the object's own thread.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace qvMsgErr {

template <class... Args> class Event {
public:
    using Callback = std::function<void(Args...)>;
    using Connection = std::uint64_t;

    /// Adds a callback; the result disconnects it again. An empty callback is not connected.
    Connection connect(Callback callback) {
        if (!callback) {
            return 0;
        }
        sinks_.push_back({++lastId_, std::move(callback)});
        return lastId_;
    }
    void disconnect(Connection connection) {
        std::erase_if(sinks_, [&](const Sink& s) { return s.id == connection; });
    }
    void disconnectAll() { sinks_.clear(); }
    bool connected() const { return !sinks_.empty(); }

    /// Calls every callback connected now, in order of connection. A callback may connect or
    /// disconnect others meanwhile; the raise goes on over the list it started with. What a
    /// callback throws is caught and dropped, so that one failing callback cannot keep the others
    /// from hearing of the event.
    void raise(Args... args) const {
        const std::vector<Sink> sinks = sinks_;
        for (const Sink& sink : sinks) {
            try {
                sink.callback(args...);
            } catch (...) {
            }
        }
    }

private:
    struct Sink {
        Connection id;
        Callback callback;
    };
    std::vector<Sink> sinks_;
    Connection lastId_ = 0;
};

} // namespace qvMsgErr
