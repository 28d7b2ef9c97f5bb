// The command registry's members that the plug-in exports: copies, the notification and
// escape-mode switches, the wide-character-pointer adapters, and CmdMgrNotifyHelper.
#include "host/CommandManager.h"

#include <memory>

#include "framework/AdapterText.h"

CommandManager::FunctionTable CommandManager::CopyFunctionTable(const FunctionTable& table, CommandManager* owner) {
    // Each copy owns its parameter managers, so that every manager is deleted exactly once
    // whichever registry goes first; the table owns them from the moment they are made, so a copy
    // that fails part-way frees what it made.
    FunctionTable copy;
    for (const auto& [name, entry] : table) {
        FunctionEntry copied{entry.function, nullptr, entry.node};
        if (entry.paramgr) {
            copied.paramgr = std::make_unique<ParaManager>(*entry.paramgr);
            copied.paramgr->m_pOwner = owner;
        }
        copy.emplace(name, std::move(copied));
    }
    return copy;
}

CommandManager::CommandManager(const CommandManager& other) {
    std::lock_guard<std::mutex> lock(other.m_mutex);
    m_bNotify = other.m_bNotify;
    m_bEscMode = other.m_bEscMode;
    m_mapFunctions = CopyFunctionTable(other.m_mapFunctions, this);
    m_mapListeners = other.m_mapListeners;
    m_mapPreExecutors = other.m_mapPreExecutors;
    m_mapPostExecutors = other.m_mapPostExecutors;
}

CommandManager& CommandManager::operator=(const CommandManager& other) {
    if (this == &other) return *this;
    bool notifyOn;
    bool escMode;
    FunctionTable functions;
    ListenerTable listeners;
    ExecutorTable preExecutors;
    ExecutorTable postExecutors;
    {
        std::lock_guard<std::mutex> lock(other.m_mutex);
        notifyOn = other.m_bNotify;
        escMode = other.m_bEscMode;
        functions = CopyFunctionTable(other.m_mapFunctions, this);
        listeners = other.m_mapListeners;
        preExecutors = other.m_mapPreExecutors;
        postExecutors = other.m_mapPostExecutors;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bNotify = notifyOn;
        m_bEscMode = escMode;
        m_mapFunctions.swap(functions);
        m_mapListeners.swap(listeners);
        m_mapPreExecutors.swap(preExecutors);
        m_mapPostExecutors.swap(postExecutors);
    }
    ClearFunctionTable(functions);  // the entries this registry held before
    return *this;
}

void CommandManager::setnotify(bool on) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bNotify = on;
    }
    notify(on ? NOTIFY_ON : NOTIFY_OFF, boost::any(0), boost::any(0));
}

bool CommandManager::getnotify() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bNotify;
}

bool CommandManager::GetEscMode() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bEscMode;
}

void CommandManager::SetEscMode(bool escMode) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bEscMode = escMode;
}

ParaManager* CommandManager::addfunction(const wchar_t* name, const Function& function, const NodeInfoData& node) {
    return addfunction(AdapterText(name, "CommandManager::addfunction"), function, node);
}

bool CommandManager::delfunction(const wchar_t* name) {
    return delfunction(AdapterText(name, "CommandManager::delfunction"));
}

bool CommandManager::clearfunction(const wchar_t* name, bool remove) {
    return clearfunction(AdapterText(name, "CommandManager::clearfunction"), remove);
}

bool CommandManager::addparam(const wchar_t* function, const wchar_t* name, const boost::any& value,
                              const NodeInfoData& node) {
    return addparam(AdapterText(function, "CommandManager::addparam"), AdapterText(name, "CommandManager::addparam"),
                    value, node);
}

bool CommandManager::setparam(const wchar_t* function, const wchar_t* name, const boost::any& value,
                              const NodeInfoData& node) {
    return setparam(AdapterText(function, "CommandManager::setparam"), AdapterText(name, "CommandManager::setparam"),
                    value, node);
}

bool CommandManager::delparam(const wchar_t* function, const wchar_t* name) {
    return delparam(AdapterText(function, "CommandManager::delparam"), AdapterText(name, "CommandManager::delparam"));
}

boost::any CommandManager::getparam(const wchar_t* function, const wchar_t* name) const {
    return getparam(AdapterText(function, "CommandManager::getparam"), AdapterText(name, "CommandManager::getparam"));
}

ParaManager* CommandManager::getfunction(const wchar_t* name, Function& function, NodeInfoData& node) const {
    return getfunction(AdapterText(name, "CommandManager::getfunction"), function, node);
}

CommandManager::Function CommandManager::getfunction(const wchar_t* name) const {
    return getfunction(AdapterText(name, "CommandManager::getfunction"));
}

ParaManager* CommandManager::getparamgr(const wchar_t* name) const {
    return getparamgr(AdapterText(name, "CommandManager::getparamgr"));
}

NodeInfoData CommandManager::getnodeinfodata(const wchar_t* function) const {
    return getnodeinfodata(AdapterText(function, "CommandManager::getnodeinfodata"));
}

NodeInfoData CommandManager::getnodeinfodata(const wchar_t* function, const wchar_t* name) const {
    return getnodeinfodata(AdapterText(function, "CommandManager::getnodeinfodata"),
                           AdapterText(name, "CommandManager::getnodeinfodata"));
}

boost::any CommandManager::excute(const wchar_t* name, const wchar_t* second) {
    return excute(AdapterText(name, "CommandManager::excute"), second ? std::wstring(second) : std::wstring());
}

bool CommandManager::delpreexecutor(const wchar_t* name) {
    return delpreexecutor(AdapterText(name, "CommandManager::delpreexecutor"));
}

bool CommandManager::delpostexecutor(const wchar_t* name) {
    return delpostexecutor(AdapterText(name, "CommandManager::delpostexecutor"));
}

CmdMgrNotifyHelper::CmdMgrNotifyHelper(CommandManager* manager) : m_pManager(manager) {
    if (m_pManager) m_pManager->setnotify(false);
}

CmdMgrNotifyHelper::CmdMgrNotifyHelper(const CmdMgrNotifyHelper& other) : m_pManager(other.m_pManager) {}

CmdMgrNotifyHelper& CmdMgrNotifyHelper::operator=(const CmdMgrNotifyHelper& other) {
    m_pManager = other.m_pManager;
    return *this;
}

CmdMgrNotifyHelper::~CmdMgrNotifyHelper() {
    if (m_pManager) m_pManager->setnotify(true);
}
