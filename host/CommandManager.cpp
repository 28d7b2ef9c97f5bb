// The host's command registry with post-executors.
#include "host/CommandManager.h"

struct CommandManager::Impl {
    mutable std::mutex mutex;
    std::map<std::wstring, Function> commands;
    std::vector<std::pair<std::wstring, PostExecutor>> postExecutors;
};

CommandManager::CommandManager() : m_impl(std::make_unique<Impl>()) {}
CommandManager::~CommandManager() = default;

bool CommandManager::addcommand(const std::wstring& name, const Function& function) {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->commands.emplace(name, function).second;
}

bool CommandManager::delcommand(const std::wstring& name) {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->commands.erase(name) > 0;
}

bool CommandManager::_addpostexecutor(const std::wstring& name, const PostExecutor& executor) {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    for (const auto& entry : m_impl->postExecutors)
        if (entry.first == name) return false;
    m_impl->postExecutors.emplace_back(name, executor);
    return true;
}

bool CommandManager::delpostexecutor(const std::wstring& name) {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    auto& list = m_impl->postExecutors;
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->first == name) {
            list.erase(it);
            return true;
        }
    }
    return false;
}

bool CommandManager::haspostexecutor(const std::wstring& name) const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    for (const auto& entry : m_impl->postExecutors)
        if (entry.first == name) return true;
    return false;
}

boost::any CommandManager::excute(const std::wstring& name, const std::wstring& argument) {
    Function function;
    std::vector<PostExecutor> executors;
    {
        std::lock_guard<std::mutex> lock(m_impl->mutex);
        auto it = m_impl->commands.find(name);
        if (it != m_impl->commands.end()) function = it->second;
        for (const auto& entry : m_impl->postExecutors) executors.push_back(entry.second);
    }
    boost::any result;
    if (function) result = function(boost::any(argument));
    for (auto& executor : executors) executor(name, argument);
    return result;
}
