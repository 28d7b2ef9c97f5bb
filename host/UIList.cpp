// The host's suggestion list over a command registry.
#include "host/UIList.h"

#include <boost/algorithm/string/predicate.hpp>
#include <locale>

#include "host/CommandManager.h"

namespace {

// Matching ignores case as the classic locale folds it, whatever locale the process has set.
bool Matches(const std::wstring& text, const std::wstring& key, const NodeInfoData& node) {
    if (text.empty()) return true;
    const std::locale& classic = std::locale::classic();
    return boost::algorithm::istarts_with(key, text, classic) ||
           boost::algorithm::istarts_with(node.strName, text, classic) ||
           boost::algorithm::istarts_with(node.strHotkey, text, classic) ||
           boost::algorithm::icontains(node.strDesc, text, classic);
}

}  // namespace

UIList::UIList(CommandManager* commands) : m_pCommands(commands) {}

bool UIList::Filtered(const std::wstring& function, const std::wstring& param) const {
    for (const auto& entry : m_mapFilters) {
        const UIListItemCharArray& filter = entry.second;
        if (function != filter.szFunction) continue;
        if (filter.szParam[0] == L'\0' || param == filter.szParam) return true;
    }
    return false;
}

int UIList::makesuggest(const std::wstring& text, int maxCount) {
    std::vector<std::pair<std::wstring, NodeInfoData>> functions;
    if (m_pCommands) functions = m_pCommands->getfunctionlist();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vecEntries.clear();
    for (const auto& [name, node] : functions) {
        if (maxCount > 0 && m_vecEntries.size() >= static_cast<size_t>(maxCount)) break;
        if (Filtered(name, std::wstring()) || !Matches(text, name, node)) continue;
        m_vecEntries.push_back(Entry{name, std::wstring(), node, NodeInfoData()});
    }
    return static_cast<int>(m_vecEntries.size());
}

int UIList::makesuggest(const std::wstring& text, const std::wstring& function) {
    NodeInfoData functionNode;
    std::vector<std::pair<std::wstring, NodeInfoData>> params;
    if (m_pCommands) {
        functionNode = m_pCommands->getnodeinfodata(function);
        params = m_pCommands->getparamlist(function);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vecEntries.clear();
    for (const auto& [name, node] : params) {
        if (Filtered(function, name) || !Matches(text, name, node)) continue;
        m_vecEntries.push_back(Entry{function, name, functionNode, node});
    }
    return static_cast<int>(m_vecEntries.size());
}

void UIList::addfilter(const std::wstring& name, const UIListItemCharArray& item) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapFilters.insert_or_assign(name, item);
}

void UIList::delfilter(const std::wstring& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapFilters.erase(name);
}

unsigned UIList::getcount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<unsigned>(m_vecEntries.size());
}

void UIList::getdisplay(unsigned index, std::wstring& text, std::wstring& desc) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    text.clear();
    desc.clear();
    if (index >= m_vecEntries.size()) return;
    const Entry& entry = m_vecEntries[index];
    const bool isParam = !entry.param.empty();
    const NodeInfoData& node = isParam ? entry.paramNode : entry.functionNode;
    text = node.strName.empty() ? (isParam ? entry.param : entry.function) : node.strName;
    desc = node.strDesc;
}

void UIList::getdata(unsigned index, std::wstring& function, std::wstring& param, NodeInfoData& functionNode,
                     NodeInfoData& paramNode) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (index >= m_vecEntries.size()) {
        function.clear();
        param.clear();
        functionNode = NodeInfoData();
        paramNode = NodeInfoData();
        return;
    }
    const Entry& entry = m_vecEntries[index];
    function = entry.function;
    param = entry.param;
    functionNode = entry.functionNode;
    paramNode = entry.paramNode;
}

boost::any UIList::excutefunction(const std::wstring& function, const std::wstring& param) {
    return m_pCommands ? m_pCommands->excute(function, param) : boost::any();
}
