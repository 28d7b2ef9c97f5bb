// The host's command registry: named command functions with their parameters, executors that run
// before and after every executed command (the monitor records commands through a
// post-executor), and listeners told about every change.
//
// Function table: each function has a function object (payload to payload), a node record and a
// parameter manager that the registry owns and deletes with the function. A copy of the registry
// is independent: it gets its own parameter managers, copies of the original's, owned by the copy.
//
// excute(name, second) runs every pre-executor with (name, second), then the function registered
// under `name` with `second` (a std::wstring) as its payload, then every post-executor with
// (name, second); executors run in name order. An unknown command still runs the executors (the
// host reports every command it was asked to execute) and returns an empty payload.
//
// notify(code, first, second) calls every listener, in name order, with its arguments. While
// notifications are off (setnotify(false), or a CmdMgrNotifyHelper in scope) only the codes
// NOTIFY_OFF and NOTIFY_ON themselves are delivered, so a batch of changes can be announced once.
// The registry announces its own changes with the codes below: functions with (function name,
// empty payload), parameters with (function name, parameter name; an empty parameter name when
// every parameter of the function went).
//
// All members are thread-safe. Functions, executors and listeners are called without the
// registry's lock held, so they may use the registry themselves. A ParaManager pointer handed out
// stays valid until its function is deleted or cleared away.
//
// The standard-string members and notify are the host library's; the copies, the notification and
// escape-mode switches and the wide-character-pointer adapters are exported by the plug-in; the
// constructor, the destructor and _clear are defined in both (framework/CommandRegistryLifetime.cpp).
#pragma once

#include <boost/any.hpp>
#include <boost/function.hpp>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "host/NodeInfoData.h"
#include "host/ParaManager.h"
#include "platform/WinTypes.h"

class QZ_SHARED_CLASS CommandManager {
public:
    using Function = boost::function<boost::any(boost::any)>;
    // Pre- and post-executors: (command name, second string).
    using Executor = boost::function<void(std::wstring, const std::wstring&)>;
    using PostExecutor = Executor;
    using Listener = boost::function<void(int, boost::any, boost::any)>;

    enum NotifyCode {
        NOTIFY_ADDFUNCTION = 1,
        NOTIFY_DELFUNCTION = 2,
        NOTIFY_SETPARAM = 3,
        NOTIFY_DELPARAM = 4,
        NOTIFY_OFF = 5,
        NOTIFY_ON = 6,
    };

    QZ_FRAMEWORK_API CommandManager();
    QZ_MONITOR_API CommandManager(const CommandManager& other);
    QZ_MONITOR_API CommandManager& operator=(const CommandManager& other);
    QZ_FRAMEWORK_API virtual ~CommandManager();

    // Registers a function; returns its new parameter manager, or null when the name is taken.
    QZ_HOST_API ParaManager* addfunction(const std::wstring& name, const Function& function, const NodeInfoData& node);
    // Removes a function with its parameters; false when it does not exist.
    QZ_HOST_API bool delfunction(const std::wstring& name);
    // Removes every parameter of a function, and the function itself when `remove` is true; false
    // when the function does not exist.
    QZ_HOST_API bool clearfunction(const std::wstring& name, bool remove);
    // Parameter members of a function's manager; false or empty when the function does not exist.
    QZ_HOST_API bool addparam(const std::wstring& function, const std::wstring& name, const boost::any& value,
                              const NodeInfoData& node);
    QZ_HOST_API bool setparam(const std::wstring& function, const std::wstring& name, const boost::any& value,
                              const NodeInfoData& node);
    QZ_HOST_API bool delparam(const std::wstring& function, const std::wstring& name);
    QZ_HOST_API boost::any getparam(const std::wstring& function, const std::wstring& name) const;
    // Fills the function object and node record; null (both untouched) when the function does not
    // exist.
    QZ_HOST_API ParaManager* getfunction(const std::wstring& name, Function& function, NodeInfoData& node) const;
    QZ_HOST_API Function getfunction(const std::wstring& name) const;
    QZ_HOST_API ParaManager* getparamgr(const std::wstring& name) const;
    // Node record of a function or of one of its parameters, or a default record.
    QZ_HOST_API NodeInfoData getnodeinfodata(const std::wstring& function) const;
    QZ_HOST_API NodeInfoData getnodeinfodata(const std::wstring& function, const std::wstring& name) const;
    // Every function's name and node record, in name order; the parameters of one function.
    QZ_HOST_API std::vector<std::pair<std::wstring, NodeInfoData>> getfunctionlist() const;
    QZ_HOST_API std::vector<std::pair<std::wstring, NodeInfoData>> getparamlist(const std::wstring& function) const;

    QZ_HOST_API boost::any excute(const std::wstring& name, const std::wstring& second);

    // Executors and listeners; an add returns false when the name is taken.
    QZ_HOST_API bool _addpreexecutor(const std::wstring& name, const Executor& executor);
    QZ_HOST_API bool delpreexecutor(const std::wstring& name);
    QZ_HOST_API bool haspreexecutor(const std::wstring& name) const;
    QZ_HOST_API bool _addpostexecutor(const std::wstring& name, const PostExecutor& executor);
    QZ_HOST_API bool delpostexecutor(const std::wstring& name);
    QZ_HOST_API bool haspostexecutor(const std::wstring& name) const;
    QZ_HOST_API bool _addlistener(const std::wstring& name, const Listener& listener);
    QZ_HOST_API bool dellistener(const std::wstring& name);

    QZ_HOST_API void notify(int code, boost::any first, boost::any second);

    // Switches notifications and announces it (NOTIFY_ON or NOTIFY_OFF, two payloads holding 0).
    QZ_MONITOR_API void setnotify(bool on);
    QZ_MONITOR_API bool getnotify() const;
    QZ_MONITOR_API bool GetEscMode() const;
    QZ_MONITOR_API void SetEscMode(bool escMode);

    // Wide-character-pointer forms of the members above (plug-in). The second string of excute
    // may be null and then counts as empty; every other text must not be null (a null one throws
    // nuvoliberror).
    QZ_MONITOR_API ParaManager* addfunction(const wchar_t* name, const Function& function, const NodeInfoData& node);
    QZ_MONITOR_API bool delfunction(const wchar_t* name);
    QZ_MONITOR_API bool clearfunction(const wchar_t* name, bool remove);
    QZ_MONITOR_API bool addparam(const wchar_t* function, const wchar_t* name, const boost::any& value,
                                 const NodeInfoData& node);
    QZ_MONITOR_API bool setparam(const wchar_t* function, const wchar_t* name, const boost::any& value,
                                 const NodeInfoData& node);
    QZ_MONITOR_API bool delparam(const wchar_t* function, const wchar_t* name);
    QZ_MONITOR_API boost::any getparam(const wchar_t* function, const wchar_t* name) const;
    QZ_MONITOR_API ParaManager* getfunction(const wchar_t* name, Function& function, NodeInfoData& node) const;
    QZ_MONITOR_API Function getfunction(const wchar_t* name) const;
    QZ_MONITOR_API ParaManager* getparamgr(const wchar_t* name) const;
    QZ_MONITOR_API NodeInfoData getnodeinfodata(const wchar_t* function) const;
    QZ_MONITOR_API NodeInfoData getnodeinfodata(const wchar_t* function, const wchar_t* name) const;
    QZ_MONITOR_API boost::any excute(const wchar_t* name, const wchar_t* second);
    QZ_MONITOR_API bool delpreexecutor(const wchar_t* name);
    QZ_MONITOR_API bool delpostexecutor(const wchar_t* name);

protected:
    // Releases one function's entry: deletes its parameter manager (null is allowed).
    QZ_FRAMEWORK_API void _clear(const std::wstring& name, ParaManager* paramgr, NodeInfoData& node,
                                 boost::any payload);

private:
    struct FunctionEntry {
        Function function;
        std::unique_ptr<ParaManager> paramgr;  // null only in entries made without one
        NodeInfoData node;
    };
    using FunctionTable = std::map<std::wstring, FunctionEntry>;
    using ExecutorTable = std::map<std::wstring, Executor>;
    using ListenerTable = std::map<std::wstring, Listener>;

    // A copy of `table` whose parameter managers are new copies belonging to `owner`. Called with
    // the source registry's lock held.
    static FunctionTable CopyFunctionTable(const FunctionTable& table, CommandManager* owner);
    // Releases every entry of `table` through _clear.
    void ClearFunctionTable(FunctionTable& table);

    mutable std::mutex m_mutex;
    bool m_bNotify = true;
    bool m_bEscMode = false;
    FunctionTable m_mapFunctions;
    ListenerTable m_mapListeners;
    ExecutorTable m_mapPreExecutors;
    ExecutorTable m_mapPostExecutors;
};

// Turns a registry's notifications off for its lifetime: the constructor calls setnotify(false),
// the destructor setnotify(true). A copy holds the same registry and, when destroyed, turns its
// notifications on again as well. Plug-in.
class QZ_MONITOR_API CmdMgrNotifyHelper {
public:
    explicit CmdMgrNotifyHelper(CommandManager* manager);
    CmdMgrNotifyHelper(const CmdMgrNotifyHelper& other);
    CmdMgrNotifyHelper& operator=(const CmdMgrNotifyHelper& other);
    virtual ~CmdMgrNotifyHelper();

private:
    CommandManager* m_pManager;
};
