// The Win32 call behind CaseFoldApi.h.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <climits>

#include "platform/win/native/CaseFoldApi.h"

namespace native {

bool InvariantLowerInPlace(std::wstring& text) {
    if (text.empty()) return true;
    if (text.size() > static_cast<size_t>(INT_MAX)) return false;
    const int length = static_cast<int>(text.size());
    std::wstring lower(text.size(), L'\0');
    const int n = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, text.data(), length, lower.data(), length,
                                  nullptr, nullptr, 0);
    if (n != length) return false;
    text = std::move(lower);
    return true;
}

}  // namespace native
