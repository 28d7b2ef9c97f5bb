// Locale-independent case folding through a private UTF-8 locale object (POSIX backend).
#include "platform/CaseFold.h"

#include <locale.h>
#include <wctype.h>

namespace {

locale_t FoldingLocale() {
    // Created once and kept for the life of the process; null when no UTF-8 locale exists.
    static const locale_t locale = [] {
        locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
        if (!loc) loc = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", locale_t(0));
        return loc;
    }();
    return locale;
}

}  // namespace

wchar_t FoldCase(wchar_t ch) {
    if (ch < 0x80) return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch + (L'a' - L'A')) : ch;
    const locale_t loc = FoldingLocale();
    return loc ? static_cast<wchar_t>(towlower_l(static_cast<wint_t>(ch), loc)) : ch;
}
