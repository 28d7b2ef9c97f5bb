// The host's command registry: functions with their parameter managers, executors and listeners.
#include "host/CommandManager.h"

ParaManager* CommandManager::addfunction(const std::wstring& name, const Function& function, const NodeInfoData& node) {
    ParaManager* paramgr = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_mapFunctions.count(name)) return nullptr;
        auto made = std::make_unique<ParaManager>(this, name);
        paramgr = made.get();
        m_mapFunctions.emplace(name, FunctionEntry{function, std::move(made), node});
    }
    notify(NOTIFY_ADDFUNCTION, boost::any(name), boost::any());
    return paramgr;
}

bool CommandManager::delfunction(const std::wstring& name) {
    FunctionTable removed;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_mapFunctions.find(name);
        if (it == m_mapFunctions.end()) return false;
        removed.insert(m_mapFunctions.extract(it));
    }
    ClearFunctionTable(removed);
    notify(NOTIFY_DELFUNCTION, boost::any(name), boost::any());
    return true;
}

bool CommandManager::clearfunction(const std::wstring& name, bool remove) {
    if (remove) return delfunction(name);
    bool cleared = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_mapFunctions.find(name);
        if (it == m_mapFunctions.end()) return false;
        ParaManager* paramgr = it->second.paramgr.get();
        if (paramgr) {
            std::lock_guard<std::mutex> paramLock(paramgr->m_mutex);
            cleared = !paramgr->m_mapParams.empty();
            paramgr->m_mapParams.clear();
        }
    }
    if (cleared) notify(NOTIFY_DELPARAM, boost::any(name), boost::any(std::wstring()));
    return true;
}

bool CommandManager::addparam(const std::wstring& function, const std::wstring& name, const boost::any& value,
                              const NodeInfoData& node) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_mapFunctions.find(function);
        if (it == m_mapFunctions.end() || !it->second.paramgr) return false;
        if (!it->second.paramgr->x_addparam(name, value, node)) return false;
    }
    notify(NOTIFY_SETPARAM, boost::any(function), boost::any(name));
    return true;
}

bool CommandManager::setparam(const std::wstring& function, const std::wstring& name, const boost::any& value,
                              const NodeInfoData& node) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_mapFunctions.find(function);
        if (it == m_mapFunctions.end() || !it->second.paramgr) return false;
        it->second.paramgr->x_setparam(name, value, node);
    }
    notify(NOTIFY_SETPARAM, boost::any(function), boost::any(name));
    return true;
}

bool CommandManager::delparam(const std::wstring& function, const std::wstring& name) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_mapFunctions.find(function);
        if (it == m_mapFunctions.end() || !it->second.paramgr) return false;
        if (!it->second.paramgr->x_delparam(name)) return false;
    }
    notify(NOTIFY_DELPARAM, boost::any(function), boost::any(name));
    return true;
}

boost::any CommandManager::getparam(const std::wstring& function, const std::wstring& name) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_mapFunctions.find(function);
    if (it == m_mapFunctions.end() || !it->second.paramgr) return boost::any();
    return it->second.paramgr->getparam(name);
}

ParaManager* CommandManager::getfunction(const std::wstring& name, Function& function, NodeInfoData& node) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_mapFunctions.find(name);
    if (it == m_mapFunctions.end()) return nullptr;
    function = it->second.function;
    node = it->second.node;
    return it->second.paramgr.get();
}

CommandManager::Function CommandManager::getfunction(const std::wstring& name) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_mapFunctions.find(name);
    return it == m_mapFunctions.end() ? Function() : it->second.function;
}

ParaManager* CommandManager::getparamgr(const std::wstring& name) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_mapFunctions.find(name);
    return it == m_mapFunctions.end() ? nullptr : it->second.paramgr.get();
}

NodeInfoData CommandManager::getnodeinfodata(const std::wstring& function) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_mapFunctions.find(function);
    return it == m_mapFunctions.end() ? NodeInfoData() : it->second.node;
}

NodeInfoData CommandManager::getnodeinfodata(const std::wstring& function, const std::wstring& name) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_mapFunctions.find(function);
    if (it == m_mapFunctions.end() || !it->second.paramgr) return NodeInfoData();
    return it->second.paramgr->getnodeinfodata(name);
}

std::vector<std::pair<std::wstring, NodeInfoData>> CommandManager::getfunctionlist() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::pair<std::wstring, NodeInfoData>> list;
    for (const auto& [name, entry] : m_mapFunctions) list.emplace_back(name, entry.node);
    return list;
}

std::vector<std::pair<std::wstring, NodeInfoData>> CommandManager::getparamlist(const std::wstring& function) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_mapFunctions.find(function);
    if (it == m_mapFunctions.end() || !it->second.paramgr) return {};
    return it->second.paramgr->getparamlist();
}

boost::any CommandManager::excute(const std::wstring& name, const std::wstring& second) {
    Function function;
    std::vector<Executor> preExecutors;
    std::vector<Executor> postExecutors;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_mapFunctions.find(name);
        if (it != m_mapFunctions.end()) function = it->second.function;
        for (const auto& entry : m_mapPreExecutors) preExecutors.push_back(entry.second);
        for (const auto& entry : m_mapPostExecutors) postExecutors.push_back(entry.second);
    }
    for (auto& executor : preExecutors) executor(name, second);
    boost::any result;
    if (function) result = function(boost::any(second));
    for (auto& executor : postExecutors) executor(name, second);
    return result;
}

namespace {

template <class Table, class Value>
bool AddNamed(std::mutex& mutex, Table& table, const std::wstring& name, const Value& value) {
    std::lock_guard<std::mutex> lock(mutex);
    return table.emplace(name, value).second;
}

template <class Table>
bool DelNamed(std::mutex& mutex, Table& table, const std::wstring& name) {
    std::lock_guard<std::mutex> lock(mutex);
    return table.erase(name) > 0;
}

template <class Table>
bool HasNamed(std::mutex& mutex, const Table& table, const std::wstring& name) {
    std::lock_guard<std::mutex> lock(mutex);
    return table.count(name) > 0;
}

}  // namespace

bool CommandManager::_addpreexecutor(const std::wstring& name, const Executor& executor) {
    return AddNamed(m_mutex, m_mapPreExecutors, name, executor);
}

bool CommandManager::delpreexecutor(const std::wstring& name) {
    return DelNamed(m_mutex, m_mapPreExecutors, name);
}

bool CommandManager::haspreexecutor(const std::wstring& name) const {
    return HasNamed(m_mutex, m_mapPreExecutors, name);
}

bool CommandManager::_addpostexecutor(const std::wstring& name, const PostExecutor& executor) {
    return AddNamed(m_mutex, m_mapPostExecutors, name, executor);
}

bool CommandManager::delpostexecutor(const std::wstring& name) {
    return DelNamed(m_mutex, m_mapPostExecutors, name);
}

bool CommandManager::haspostexecutor(const std::wstring& name) const {
    return HasNamed(m_mutex, m_mapPostExecutors, name);
}

bool CommandManager::_addlistener(const std::wstring& name, const Listener& listener) {
    return AddNamed(m_mutex, m_mapListeners, name, listener);
}

bool CommandManager::dellistener(const std::wstring& name) {
    return DelNamed(m_mutex, m_mapListeners, name);
}

void CommandManager::notify(int code, boost::any first, boost::any second) {
    std::vector<Listener> listeners;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_bNotify && code != NOTIFY_OFF && code != NOTIFY_ON) return;
        for (const auto& entry : m_mapListeners) listeners.push_back(entry.second);
    }
    for (auto& listener : listeners) listener(code, first, second);
}
