// The context store's wide-character-pointer adapters, exported by the plug-in.
#include "host/ContextManager.h"

#include "framework/AdapterText.h"

bool ContextManager::addcontext(const wchar_t* key, const boost::any& value) {
    return addcontext(AdapterText(key, "ContextManager::addcontext"), value);
}

bool ContextManager::setcontext(const wchar_t* key, const boost::any& value) {
    return setcontext(AdapterText(key, "ContextManager::setcontext"), value);
}

bool ContextManager::getcontext(const wchar_t* key, boost::any& value) const {
    return getcontext(AdapterText(key, "ContextManager::getcontext"), value);
}

boost::any ContextManager::getcontext(const wchar_t* key) const {
    return getcontext(AdapterText(key, "ContextManager::getcontext"));
}

bool ContextManager::delcontext(const wchar_t* key) {
    return delcontext(AdapterText(key, "ContextManager::delcontext"));
}
