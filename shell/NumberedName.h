// Names of a numbered run in the monitor's files (profile keys "Server1", "Server2", ...; XML
// elements "1", "2", ...): the prefix followed by the single character 0x31 + index, so that the
// first (index 0) ends in '1', the ninth in '9' and the tenth in ':', as the readers of those files
// expect.
#pragma once

#include <cstddef>

#include "platform/CString.h"

inline CString NumberedName(const wchar_t* prefix, std::size_t index) {
    return CString(prefix) + static_cast<wchar_t>(0x31 + index);
}
