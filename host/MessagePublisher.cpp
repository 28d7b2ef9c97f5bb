// The host's message bus on Boost.Signals2: one signal per message name.
#include "host/MessagePublisher.h"

#include <boost/signals2/signal.hpp>
#include <utility>
#include <vector>

namespace {
using Signal = boost::signals2::signal<void(boost::any)>;

struct Subscription {
    std::wstring tag;
    boost::signals2::connection connection;
};

struct Channel {
    std::shared_ptr<Signal> signal = std::make_shared<Signal>();
    std::vector<Subscription> subscriptions;
};
}  // namespace

struct MessagePublisher::Impl {
    mutable std::mutex mutex;
    std::map<std::wstring, Channel> channels;
};

MessagePublisher::MessagePublisher() : m_impl(std::make_unique<Impl>()) {}
MessagePublisher::~MessagePublisher() = default;

boost::signals2::connection MessagePublisher::_subscribe(const std::wstring& name, const Handler& handler) {
    return _subscribe(name, std::wstring(), handler);
}

boost::signals2::connection MessagePublisher::_subscribe(const std::wstring& name, const std::wstring& tag,
                                                         const Handler& handler) {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    Channel& channel = m_impl->channels[name];
    boost::signals2::connection connection = channel.signal->connect(handler);
    channel.subscriptions.push_back({tag, connection});
    return connection;
}

void MessagePublisher::publish(const std::wstring& name, const boost::any& payload) {
    std::shared_ptr<Signal> signal;
    {
        std::lock_guard<std::mutex> lock(m_impl->mutex);
        auto it = m_impl->channels.find(name);
        if (it == m_impl->channels.end()) return;
        signal = it->second.signal;
    }
    // Delivered without the publisher's lock: handlers may publish or subscribe themselves.
    (*signal)(payload);
}

bool MessagePublisher::unsubscribe(const std::wstring& name) {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    auto it = m_impl->channels.find(name);
    if (it == m_impl->channels.end() || it->second.subscriptions.empty()) return false;
    for (auto& s : it->second.subscriptions) s.connection.disconnect();
    it->second.subscriptions.clear();
    return true;
}

bool MessagePublisher::unsubscribe(const std::wstring& name, const std::wstring& tag) {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    auto it = m_impl->channels.find(name);
    if (it == m_impl->channels.end()) return false;
    auto& subs = it->second.subscriptions;
    bool removed = false;
    for (auto s = subs.begin(); s != subs.end();) {
        if (s->tag == tag) {
            s->connection.disconnect();
            s = subs.erase(s);
            removed = true;
        } else {
            ++s;
        }
    }
    return removed;
}

size_t MessagePublisher::subscribers(const std::wstring& name) const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    auto it = m_impl->channels.find(name);
    return it == m_impl->channels.end() ? 0 : it->second.signal->num_slots();
}
