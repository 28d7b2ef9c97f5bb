// Text arguments of the exported wide-character adapters of the host framework classes.
//
// Each adapter turns its null-terminated wide texts into standard strings before calling the host
// member of the same name. A null pointer is a caller error: it is reported as a nuvoliberror
// naming the member rather than dereferenced.
#pragma once

#include <string>

#include "host/NuvolibError.h"

inline std::wstring AdapterText(const wchar_t* text, const char* member) {
    if (!text) throw nuvoliberror(std::string(member) + ": null text argument");
    return std::wstring(text);
}
