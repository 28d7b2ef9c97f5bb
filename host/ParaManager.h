// The parameter manager of one command function of the host's command registry: named parameters,
// each a type-erased value with its node record, kept in name order.
//
// A parameter manager made by CommandManager::addfunction belongs to that registry, which deletes
// it with the function; every change made through the manager is announced by the registry's
// notify (code CommandManager::NOTIFY_SETPARAM or NOTIFY_DELPARAM with the function's and the
// parameter's names). A manager made on its own (null owner) announces nothing.
//
// All members are thread-safe. The standard-string members are the host library's; the copies
// and the wide-character-pointer adapters are exported by the plug-in; the constructor and the
// destructor are defined in both (framework/CommandRegistryLifetime.cpp).
#pragma once

#include <boost/any.hpp>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "host/NodeInfoData.h"

class CommandManager;

class QZ_SHARED_CLASS ParaManager {
public:
    struct Param {
        boost::any value;
        NodeInfoData node;
    };

    QZ_FRAMEWORK_API ParaManager(CommandManager* owner, const std::wstring& name);
    // Copies the table, the owner and the function's name.
    QZ_MONITOR_API ParaManager(const ParaManager& other);
    QZ_MONITOR_API ParaManager& operator=(const ParaManager& other);
    QZ_FRAMEWORK_API virtual ~ParaManager();

    // Adds a parameter; false when the name is taken.
    QZ_HOST_API bool addparam(const std::wstring& name, const boost::any& value, const NodeInfoData& node);
    // Fills `value` and `node`; false (both untouched) when the parameter does not exist.
    QZ_HOST_API bool getparam(const std::wstring& name, boost::any& value, NodeInfoData& node) const;
    // The value, or an empty payload.
    QZ_HOST_API boost::any getparam(const std::wstring& name) const;
    // Sets a parameter, adding it when missing; always true.
    QZ_HOST_API bool setparam(const std::wstring& name, const boost::any& value, const NodeInfoData& node);
    QZ_HOST_API bool delparam(const std::wstring& name);
    // The parameter's node record, or a default record.
    QZ_HOST_API NodeInfoData getnodeinfodata(const std::wstring& name) const;
    // Every parameter's name and node record, in name order.
    QZ_HOST_API std::vector<std::pair<std::wstring, NodeInfoData>> getparamlist() const;
    // Removes every parameter; false when there was none.
    QZ_HOST_API bool clearparam();
    QZ_HOST_API std::wstring getname() const;
    QZ_HOST_API CommandManager* getowner() const;

    // Wide-character-pointer forms of the members above (plug-in).
    QZ_MONITOR_API bool addparam(const wchar_t* name, const boost::any& value, const NodeInfoData& node);
    QZ_MONITOR_API bool getparam(const wchar_t* name, boost::any& value, NodeInfoData& node) const;
    QZ_MONITOR_API boost::any getparam(const wchar_t* name) const;
    QZ_MONITOR_API bool setparam(const wchar_t* name, const boost::any& value, const NodeInfoData& node);
    QZ_MONITOR_API bool delparam(const wchar_t* name);
    QZ_MONITOR_API NodeInfoData getnodeinfodata(const wchar_t* name) const;

private:
    friend class CommandManager;

    // Table changes without announcement: the registry makes them under its own lock and
    // announces them once the lock is released.
    bool x_addparam(const std::wstring& name, const boost::any& value, const NodeInfoData& node);
    void x_setparam(const std::wstring& name, const boost::any& value, const NodeInfoData& node);
    bool x_delparam(const std::wstring& name);
    void x_announce(int code, const std::wstring& param) const;

    mutable std::mutex m_mutex;
    std::map<std::wstring, Param> m_mapParams;
    CommandManager* m_pOwner;
    std::wstring m_strName;
};
