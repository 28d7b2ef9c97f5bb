// The parameter manager's members that the plug-in exports: copies and the
// wide-character-pointer adapters.
#include "host/ParaManager.h"

#include "framework/AdapterText.h"

ParaManager::ParaManager(const ParaManager& other) {
    std::lock_guard<std::mutex> lock(other.m_mutex);
    m_mapParams = other.m_mapParams;
    m_pOwner = other.m_pOwner;
    m_strName = other.m_strName;
}

ParaManager& ParaManager::operator=(const ParaManager& other) {
    if (this == &other) return *this;
    std::map<std::wstring, Param> params;
    CommandManager* owner;
    std::wstring name;
    {
        std::lock_guard<std::mutex> lock(other.m_mutex);
        params = other.m_mapParams;
        owner = other.m_pOwner;
        name = other.m_strName;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapParams.swap(params);
    m_pOwner = owner;
    m_strName.swap(name);
    return *this;
}

bool ParaManager::addparam(const wchar_t* name, const boost::any& value, const NodeInfoData& node) {
    return addparam(AdapterText(name, "ParaManager::addparam"), value, node);
}

bool ParaManager::getparam(const wchar_t* name, boost::any& value, NodeInfoData& node) const {
    return getparam(AdapterText(name, "ParaManager::getparam"), value, node);
}

boost::any ParaManager::getparam(const wchar_t* name) const {
    return getparam(AdapterText(name, "ParaManager::getparam"));
}

bool ParaManager::setparam(const wchar_t* name, const boost::any& value, const NodeInfoData& node) {
    return setparam(AdapterText(name, "ParaManager::setparam"), value, node);
}

bool ParaManager::delparam(const wchar_t* name) {
    return delparam(AdapterText(name, "ParaManager::delparam"));
}

NodeInfoData ParaManager::getnodeinfodata(const wchar_t* name) const {
    return getnodeinfodata(AdapterText(name, "ParaManager::getnodeinfodata"));
}
