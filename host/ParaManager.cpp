// The parameter manager of one command function.
#include "host/ParaManager.h"

#include "host/CommandManager.h"

bool ParaManager::x_addparam(const std::wstring& name, const boost::any& value, const NodeInfoData& node) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_mapParams.emplace(name, Param{value, node}).second;
}

void ParaManager::x_setparam(const std::wstring& name, const boost::any& value, const NodeInfoData& node) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapParams[name] = Param{value, node};
}

bool ParaManager::x_delparam(const std::wstring& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_mapParams.erase(name) > 0;
}

void ParaManager::x_announce(int code, const std::wstring& param) const {
    CommandManager* owner = getowner();
    if (owner) owner->notify(code, boost::any(getname()), boost::any(param));
}

bool ParaManager::addparam(const std::wstring& name, const boost::any& value, const NodeInfoData& node) {
    if (!x_addparam(name, value, node)) return false;
    x_announce(CommandManager::NOTIFY_SETPARAM, name);
    return true;
}

bool ParaManager::getparam(const std::wstring& name, boost::any& value, NodeInfoData& node) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_mapParams.find(name);
    if (it == m_mapParams.end()) return false;
    value = it->second.value;
    node = it->second.node;
    return true;
}

boost::any ParaManager::getparam(const std::wstring& name) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_mapParams.find(name);
    return it == m_mapParams.end() ? boost::any() : it->second.value;
}

bool ParaManager::setparam(const std::wstring& name, const boost::any& value, const NodeInfoData& node) {
    x_setparam(name, value, node);
    x_announce(CommandManager::NOTIFY_SETPARAM, name);
    return true;
}

bool ParaManager::delparam(const std::wstring& name) {
    if (!x_delparam(name)) return false;
    x_announce(CommandManager::NOTIFY_DELPARAM, name);
    return true;
}

NodeInfoData ParaManager::getnodeinfodata(const std::wstring& name) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_mapParams.find(name);
    return it == m_mapParams.end() ? NodeInfoData() : it->second.node;
}

std::vector<std::pair<std::wstring, NodeInfoData>> ParaManager::getparamlist() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::pair<std::wstring, NodeInfoData>> list;
    for (const auto& [name, param] : m_mapParams) list.emplace_back(name, param.node);
    return list;
}

bool ParaManager::clearparam() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_mapParams.empty()) return false;
        m_mapParams.clear();
    }
    x_announce(CommandManager::NOTIFY_DELPARAM, std::wstring());
    return true;
}

std::wstring ParaManager::getname() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_strName;
}

CommandManager* ParaManager::getowner() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pOwner;
}
