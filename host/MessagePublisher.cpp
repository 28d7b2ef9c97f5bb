// The host's message bus.
//
// Connections are Boost.Signals2 connections: each subscription is a slot of a per-name signal,
// and that slot owns the handler, so disconnecting (through the connection, by name, by tag, or by
// destroying the publisher) releases the handler exactly as Signals2 does. The signal is never
// emitted, though. Emitting a Signals2 signal locks its mutex, builds a slot-call iterator and
// copies the payload twice, several times the cost of the rest of a user-interface event; so
// delivery reads an immutable snapshot instead: a table from names to the handlers' weak
// references in subscription order. Subscribing and unsubscribing build a new snapshot under the
// publisher's mutex and swap it in whole; publishing copies the pointer to it and calls
// each handler whose slot is still connected (a handler disconnected through its connection
// object has expired and is skipped, and dropped at the next rebuild). The handler is held for
// the length of its call, so unsubscribing it on another thread never frees it under the call.
#include "host/MessagePublisher.h"

#include <boost/signals2/signal.hpp>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// Connection bookkeeping only: the signal is never emitted.
using Signal = boost::signals2::signal<void()>;

// The function object of a subscription's slot: its only job is to own the handler.
struct HandlerOwner {
    std::shared_ptr<const MessagePublisher::Handler> handler;
    void operator()() const {}
};

struct Subscription {
    std::wstring tag;
    boost::signals2::connection connection;
    std::weak_ptr<const MessagePublisher::Handler> handler;
};

struct Channel {
    std::unique_ptr<Signal> signal = std::make_unique<Signal>();
    std::vector<Subscription> subscriptions;
};

using Snapshot = std::unordered_map<std::wstring, std::vector<std::weak_ptr<const MessagePublisher::Handler>>>;

// Disconnects subscriptions taken out of their channel; true when one of them was still connected
// (one already disconnected through its connection object no longer counts). Called without the
// publisher's lock: releasing a handler may run code that uses the publisher.
bool Disconnect(std::vector<Subscription>& removed) {
    bool any = false;
    for (auto& s : removed) {
        any = s.connection.connected() || any;
        s.connection.disconnect();
    }
    return any;
}

}  // namespace

struct MessagePublisher::Impl {
    mutable std::mutex mutex;  // guards `channels` and the building of snapshots
    std::map<std::wstring, Channel> channels;
    // The current snapshot. Its own lock is held only to copy or replace the pointer, never while
    // a snapshot is built or a message delivered. (std::atomic<std::shared_ptr> would do the same
    // job, but the standard library at hand implements it with a lock bit that ThreadSanitizer
    // does not understand.)
    mutable std::mutex snapshotMutex;
    std::shared_ptr<const Snapshot> snapshot = std::make_shared<const Snapshot>();

    std::shared_ptr<const Snapshot> Current() const {
        std::lock_guard<std::mutex> lock(snapshotMutex);
        return snapshot;
    }

    // Called with `mutex` held after a change to `channels`: forgets the subscriptions that were
    // disconnected meanwhile and swaps in the snapshot of the rest.
    void Rebuild() {
        auto next = std::make_shared<Snapshot>();
        for (auto& [name, channel] : channels) {
            auto& subs = channel.subscriptions;
            std::erase_if(subs, [](const Subscription& s) { return !s.connection.connected(); });
            if (subs.empty()) continue;
            auto& handlers = (*next)[name];
            handlers.reserve(subs.size());
            for (const Subscription& s : subs) handlers.push_back(s.handler);
        }
        std::shared_ptr<const Snapshot> previous = std::move(next);
        {
            std::lock_guard<std::mutex> lock(snapshotMutex);
            snapshot.swap(previous);
        }
    }
};

MessagePublisher::MessagePublisher() : m_impl(std::make_unique<Impl>()) {}
MessagePublisher::~MessagePublisher() = default;

boost::signals2::connection MessagePublisher::_subscribe(const std::wstring& name, const Handler& handler) {
    return _subscribe(name, std::wstring(), handler);
}

boost::signals2::connection MessagePublisher::_subscribe(const std::wstring& name, const std::wstring& tag,
                                                         const Handler& handler) {
    auto owned = std::make_shared<const Handler>(handler);
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    Channel& channel = m_impl->channels[name];
    boost::signals2::connection connection = channel.signal->connect(HandlerOwner{owned});
    channel.subscriptions.push_back({tag, connection, owned});
    m_impl->Rebuild();
    return connection;
}

void MessagePublisher::publish(const std::wstring& name, const boost::any& payload) {
    // Delivered without the publisher's lock: handlers may publish, subscribe or unsubscribe.
    const std::shared_ptr<const Snapshot> snapshot = m_impl->Current();
    const auto it = snapshot->find(name);
    if (it == snapshot->end()) return;
    for (const auto& weak : it->second) {
        if (const auto handler = weak.lock()) (*handler)(payload);
    }
}

bool MessagePublisher::unsubscribe(const std::wstring& name) {
    std::vector<Subscription> removed;
    {
        std::lock_guard<std::mutex> lock(m_impl->mutex);
        auto it = m_impl->channels.find(name);
        if (it == m_impl->channels.end()) return false;
        removed.swap(it->second.subscriptions);
        m_impl->Rebuild();
    }
    return Disconnect(removed);
}

bool MessagePublisher::unsubscribe(const std::wstring& name, const std::wstring& tag) {
    std::vector<Subscription> removed;
    {
        std::lock_guard<std::mutex> lock(m_impl->mutex);
        auto it = m_impl->channels.find(name);
        if (it == m_impl->channels.end()) return false;
        auto& subs = it->second.subscriptions;
        for (auto s = subs.begin(); s != subs.end();) {
            if (s->tag == tag) {
                removed.push_back(std::move(*s));
                s = subs.erase(s);
            } else {
                ++s;
            }
        }
        if (removed.empty()) return false;
        m_impl->Rebuild();
    }
    return Disconnect(removed);
}

size_t MessagePublisher::subscribers(const std::wstring& name) const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    auto it = m_impl->channels.find(name);
    return it == m_impl->channels.end() ? 0 : it->second.signal->num_slots();
}
