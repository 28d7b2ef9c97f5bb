// Construction and destruction of the command registry and its parameter managers. Compiled into
// both libraries: the host library makes and deletes registries and managers itself, and the
// plug-in exports the same members.
#include "host/CommandManager.h"
#include "host/ParaManager.h"

ParaManager::ParaManager(CommandManager* owner, const std::wstring& name) : m_pOwner(owner), m_strName(name) {}

ParaManager::~ParaManager() = default;

CommandManager::CommandManager() = default;

CommandManager::~CommandManager() {
    ClearFunctionTable(m_mapFunctions);
}

void CommandManager::_clear(const std::wstring&, ParaManager* paramgr, NodeInfoData&, boost::any) {
    delete paramgr;
}

void CommandManager::ClearFunctionTable(FunctionTable& table) {
    // Each entry's manager is handed to _clear, which deletes it.
    for (auto& [name, entry] : table) _clear(name, entry.paramgr.release(), entry.node, boost::any(0));
    table.clear();
}
