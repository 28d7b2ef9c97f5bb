// Case folding with LCMapStringEx and the invariant locale, the mapping that the system's own
// case-insensitive comparisons use whatever the user's locale is.
#include "platform/win/native/CaseFold.h"

#include <windows.h>

namespace native {

wchar_t LowerCaseUnit(wchar_t unit) {
    wchar_t lower = unit;
    if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, &unit, 1, &lower, 1, nullptr, nullptr, 0) != 1)
        return unit;
    return lower;
}

}  // namespace native
