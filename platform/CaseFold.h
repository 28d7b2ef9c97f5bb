// Case-insensitive comparison of names (profile sections and keys, file name patterns).
//
// Folding must not depend on the process locale: a host that never calls setlocale runs in the
// "C" locale, whose towlower() folds ASCII only. The fold uses the C library's UTF-8 locale when
// the system has one (Unicode simple case mapping) and ASCII folding otherwise. Internal to the
// platform layer.
#pragma once

#include <string>

wchar_t FoldCase(wchar_t ch);
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);
