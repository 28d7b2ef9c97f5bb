// The host's context store.
#include "host/ContextManager.h"

bool ContextManager::addcontext(const std::wstring& key, const boost::any& value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_values.emplace(key, value).second;
}

bool ContextManager::setcontext(const std::wstring& key, const boost::any& value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_values[key] = value;
    return true;
}

bool ContextManager::getcontext(const std::wstring& key, boost::any& value) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_values.find(key);
    if (it == m_values.end()) return false;
    value = it->second;
    return true;
}

boost::any ContextManager::getcontext(const std::wstring& key) const {
    boost::any value;
    getcontext(key, value);
    return value;
}

bool ContextManager::delcontext(const std::wstring& key) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_values.erase(key) > 0;
}
