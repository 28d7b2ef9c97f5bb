// The host's context store: named type-erased values shared across the terminal. Thread-safe.
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

class QZ_HOST_API ContextManager {
public:
    // Adds a new key; false when it exists already.
    bool addcontext(const std::wstring& key, const boost::any& value);
    // Sets a key, adding it when missing; always true.
    bool setcontext(const std::wstring& key, const boost::any& value);
    // Fills `value`; false (and `value` untouched) when the key is not set.
    bool getcontext(const std::wstring& key, boost::any& value) const;
    // The value, or an empty payload.
    boost::any getcontext(const std::wstring& key) const;
    bool delcontext(const std::wstring& key);

private:
    mutable std::mutex m_mutex;
    std::map<std::wstring, boost::any> m_values;
};
