// The two kinds of header line that the mapping generator takes, each matched as a whole line by
// a function of its own:
//
//   command definition  ^#define\s*([a-zA-Z0-9_\+]+)\s*_T\("([\w\+]+)"\)
//   request definition  ^#define\s*(REQID[a-zA-Z0-9_\+]+)\s*(\d+)\s*\/\/(.*)
//
// with the captures that a backtracking matcher of those expressions gives: the name is as long
// as it can be, so "#define A_T(\"x\")" is the name "A" before _T(" and "#define REQID_A12//x" is
// the name "REQID_A1" with the number "2". \s is a Unicode space (the blanks, tab, vertical tab,
// form feed, carriage return and line feed, and the spaces U+1680, U+2000-U+2006, U+2008-U+200A,
// U+2028, U+2029, U+205F and U+3000; no-break spaces are not), \w a letter or digit of any
// script or '_' (IsWordCharacter), \d an ASCII digit, and . any character.
#pragma once

#include <optional>

#include "platform/CString.h"

struct CommandDefine {
    CString name;     // the macro's name
    CString command;  // the quoted command string
};

struct RequestDefine {
    CString name;         // "REQID..."
    CString number;       // the digits as written
    CString description;  // everything after "//", leading blanks included
};

QZ_MONITOR_API std::optional<CommandDefine> MatchCommandDefine(const CString& line);
QZ_MONITOR_API std::optional<RequestDefine> MatchRequestDefine(const CString& line);

// True for a character of \w: '_' and the characters that Unicode counts as letters (every
// script, with the combining signs that belong to letters) or decimal digits.
QZ_MONITOR_API bool IsWordCharacter(char32_t ch);
