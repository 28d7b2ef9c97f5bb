// The host's message bus: named messages carrying a type-erased payload, delivered synchronously
// to every subscriber of the name on the publishing thread.
//
// Subscriptions are Boost.Signals2 slots, so a subscriber may be disconnected through the
// returned connection or by name. A subscriber that throws stops the delivery of that message and
// the exception reaches the publisher (that is how a payload of the wrong type is reported).
// All members are thread-safe; publishing from several threads at once is allowed.
#pragma once

#include <boost/any.hpp>
#include <boost/function.hpp>
#include <boost/signals2/connection.hpp>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/WinTypes.h"

class QZ_SHARED_CLASS MessagePublisher {
public:
    using Handler = boost::function<void(boost::any)>;

    QZ_HOST_API MessagePublisher();
    QZ_HOST_API ~MessagePublisher();
    MessagePublisher(const MessagePublisher&) = delete;
    MessagePublisher& operator=(const MessagePublisher&) = delete;

    QZ_HOST_API boost::signals2::connection _subscribe(const std::wstring& name, const Handler& handler);
    // Subscribes under a subscriber tag, so that the tag can later be unsubscribed alone.
    QZ_HOST_API boost::signals2::connection _subscribe(const std::wstring& name, const std::wstring& tag,
                                                       const Handler& handler);
    QZ_HOST_API void publish(const std::wstring& name, const boost::any& payload);
    // Removes every subscription of the name; false when there was none.
    QZ_HOST_API bool unsubscribe(const std::wstring& name);
    // Removes the subscriptions of the name made under `tag`; false when there was none.
    QZ_HOST_API bool unsubscribe(const std::wstring& name, const std::wstring& tag);
    // Number of connected subscribers of a name.
    QZ_HOST_API size_t subscribers(const std::wstring& name) const;

    // Wide-character-pointer forms of unsubscribe, exported by the plug-in. The texts must not be
    // null (a null one throws nuvoliberror).
    QZ_MONITOR_API bool unsubscribe(const wchar_t* name);
    QZ_MONITOR_API bool unsubscribe(const wchar_t* name, const wchar_t* tag);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
