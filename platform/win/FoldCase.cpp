// Locale-independent case folding of one character through the system's invariant-locale mapping.
#include "platform/CaseFold.h"

#include "platform/win/native/CaseFold.h"

wchar_t FoldCase(wchar_t ch) {
    if (ch < 0x80) return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch + (L'a' - L'A')) : ch;
    return native::LowerCaseUnit(ch);
}
