// Object registry of the host: named, untyped object pointers that plug-ins and the host share.
// Thread-safe. The registry never owns what it holds.
#pragma once

#include "platform/CString.h"

class QZ_HOST_API CQZObjectManager {
public:
    // Registers `object` under `name`, replacing an earlier entry of that name.
    static void Add(const wchar_t* name, void* object);
    // The object registered under `name`, or null.
    static void* Get(const wchar_t* name);
    // Host-side housekeeping: removes one entry, or every entry.
    static void Remove(const wchar_t* name);
    static void Clear();
};
