// The host's context store: named type-erased values shared across the terminal. Thread-safe.
// The standard-string members are the host library's.
#pragma once

#include <boost/any.hpp>
#include <map>
#include <mutex>
#include <string>

#include "platform/CString.h"

// The current quote tab, kept under "CONTEXT_CURRENTQUOTETAB".
struct tagQuoteTabInfo {
    std::int32_t nTabID = 0;
    CString strText;
    std::int32_t nKind = 0;
    boost::any data;
};

class QZ_SHARED_CLASS ContextManager {
public:
    // Adds a new key; false when it exists already.
    QZ_HOST_API bool addcontext(const std::wstring& key, const boost::any& value);
    // Sets a key, adding it when missing; always true.
    QZ_HOST_API bool setcontext(const std::wstring& key, const boost::any& value);
    // Fills `value`; false (and `value` untouched) when the key is not set.
    QZ_HOST_API bool getcontext(const std::wstring& key, boost::any& value) const;
    // The value, or an empty payload.
    QZ_HOST_API boost::any getcontext(const std::wstring& key) const;
    QZ_HOST_API bool delcontext(const std::wstring& key);

    // Wide-character-pointer forms of the members above, exported by the plug-in. The key must not
    // be null (a null key throws nuvoliberror).
    QZ_MONITOR_API bool addcontext(const wchar_t* key, const boost::any& value);
    QZ_MONITOR_API bool setcontext(const wchar_t* key, const boost::any& value);
    QZ_MONITOR_API bool getcontext(const wchar_t* key, boost::any& value) const;
    QZ_MONITOR_API boost::any getcontext(const wchar_t* key) const;
    QZ_MONITOR_API bool delcontext(const wchar_t* key);

private:
    mutable std::mutex m_mutex;
    std::map<std::wstring, boost::any> m_values;
};
