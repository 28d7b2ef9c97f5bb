// The system's locale-independent lowercase mapping, for platform/win/CaseFold.cpp. Only this
// header's .cpp meets <windows.h>.
#pragma once

#include <string>

namespace native {

// LCMapStringEx with the invariant locale and LCMAP_LOWERCASE (Unicode simple case mapping):
// `text` lowercased unit for unit. False, with `text` unchanged, when the system could not map it
// to a text of the same length.
bool InvariantLowerInPlace(std::wstring& text);

}  // namespace native
