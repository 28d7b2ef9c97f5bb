// The host's command registry: named command functions that the terminal executes, with
// post-executors that run after every executed command (the monitor records commands this way).
//
// excute(name, argument) runs the function registered under `name` with the argument as its
// payload (a std::wstring), then calls every post-executor, in registration order, with the
// command's name and the argument. An unknown command still runs the post-executors (the host
// reports every command it was asked to execute) and returns an empty payload. All members are
// thread-safe; functions and post-executors are called without the registry's lock held.
#pragma once

#include <boost/any.hpp>
#include <boost/function.hpp>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/WinTypes.h"

class QZ_HOST_API CommandManager {
public:
    using Function = boost::function<boost::any(boost::any)>;
    using PostExecutor = boost::function<void(std::wstring, const std::wstring&)>;

    CommandManager();
    ~CommandManager();
    CommandManager(const CommandManager&) = delete;
    CommandManager& operator=(const CommandManager&) = delete;

    // Registers a command function; false when the name is taken.
    bool addcommand(const std::wstring& name, const Function& function);
    bool delcommand(const std::wstring& name);
    // Adds a post-executor under `name`; false when the name is taken.
    bool _addpostexecutor(const std::wstring& name, const PostExecutor& executor);
    bool delpostexecutor(const std::wstring& name);
    bool haspostexecutor(const std::wstring& name) const;
    boost::any excute(const std::wstring& name, const std::wstring& argument);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
