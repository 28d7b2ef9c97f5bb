// Object registry of the host: named, untyped object pointers that plug-ins and the host share.
// Thread-safe. The registry never owns what it holds.
#pragma once

#include "platform/CString.h"

class QZ_SHARED_CLASS CQZObjectManager {
public:
    // Registers `object` under `name`, replacing an earlier entry of that name.
    QZ_HOST_API static void Add(const wchar_t* name, void* object);
    // The object registered under `name`, or null.
    QZ_HOST_API static void* Get(const wchar_t* name);
    // Host-side housekeeping: removes one entry, or every entry.
    QZ_HOST_API static void Remove(const wchar_t* name);
    QZ_HOST_API static void Clear();

    // The registry has no state: assignment does nothing (plug-in).
    QZ_MONITOR_API CQZObjectManager& operator=(const CQZObjectManager& other);

private:
    // Only static members are used: no object is ever made (plug-in).
    QZ_MONITOR_API CQZObjectManager();
};
