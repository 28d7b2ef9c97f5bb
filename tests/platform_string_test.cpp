// CString: Windows-convention formatting and the editing members the monitor relies on.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/CString.h"
#include "platform/TextConv.h"

TEST(CStringFormat, FollowsTheWindowsWideConvention) {
    CString s;
    s.Format(L"%s|%d|%lf|%02X%c|%hs|%S|%%", L"中文", -5, 3.25, 10, L'z', "narrow", "also");
    EXPECT_EQ(s, L"中文|-5|3.250000|0Az|narrow|also|%");

    s.Format(L"%.2lf MB, %ld, %5.1f, %-3d|", 1.5, 4095L, 2.25, 7);
    EXPECT_EQ(s, L"1.50 MB, 4095,   2.2, 7  |");

    // Longer than the first buffer: the result is complete, not cut.
    const std::wstring longText(5000, L'字');
    s.Format(L"<%s>", longText.c_str());
    EXPECT_EQ(s.GetLength(), 5002);
    EXPECT_EQ(s.Mid(1, 5000), CString(longText));

    s = L"keep";
    s.AppendFormat(L"%d", 42);
    EXPECT_EQ(s, L"keep42");
}

TEST(CStringFormat, NarrowTextBeyondAsciiAndWindowsSizes) {
    // Narrow arguments are text of the system ANSI code page, whatever the process locale is:
    // the C library's own conversion refused these bytes in the "C" locale, and the result was an
    // empty string after a 64 MiB buffer.
    const std::string narrow = WideToAnsi(std::wstring(L"caf\u00e9"));
    CString s;
    s.Format(L"[%hs][%S][%6hs][%-6hs][%.3hs][%hc]", narrow.c_str(), narrow.c_str(), narrow.c_str(), narrow.c_str(),
             narrow.c_str(), 'n');
    const std::wstring wide = AnsiToWide(narrow);
    EXPECT_EQ(s.str(), L"[" + wide + L"][" + wide + L"][  " + wide + L"][" + wide + L"  ][caf][n]");

    s.Format(L"%I64d|%I64u|%I64X|%lld|%I32d|%Iu", -5000000000LL, 18446744073709551615ULL, 0xABCDEF0123ULL, LLONG_MIN,
             -7, static_cast<size_t>(12));
    EXPECT_EQ(s, L"-5000000000|18446744073709551615|ABCDEF0123|-9223372036854775808|-7|12");

    s.Format(L"%5d|%-5d|%05d|%x|%X|%o|%u|%*d|%.*f|%c%%|%s", 42, 42, 42, 255u, 255u, 8u, 4294967295u, 4, 7, 1, 2.25,
             L'w', static_cast<const wchar_t*>(nullptr));
    EXPECT_EQ(s, L"   42|42   |00042|ff|FF|10|4294967295|   7|2.2|w%|(null)");

    int stored = 99;
    s.Format(L"a%nb", &stored);  // never stores through an argument
    EXPECT_EQ(s, L"ab");
    EXPECT_EQ(stored, 99);
}

TEST(CStringEdit, ReplaceFindAndSubstrings) {
    CString path(L"\\\\Menu\\Item\\Sub");
    EXPECT_EQ(path.Replace(L'\\', L'|'), 4);
    EXPECT_EQ(path, L"||Menu|Item|Sub");

    CString text(L"aXbXXc");
    EXPECT_EQ(text.Replace(L"X", L"--"), 3);
    EXPECT_EQ(text, L"a--b----c");
    EXPECT_EQ(text.Replace(L"", L"y"), 0);
    EXPECT_EQ(text.Replace(L"--", L""), 3);
    EXPECT_EQ(text, L"abc");
    CString overlapping(L"aaa");
    EXPECT_EQ(overlapping.Replace(L"aa", L"b"), 1);
    EXPECT_EQ(overlapping, L"ba");

    const CString name(L"DATB4706.xml");
    EXPECT_EQ(name.Find(L"4706"), 4);
    EXPECT_EQ(name.Find(L'.'), 8);
    EXPECT_EQ(name.Find(L'D', 1), -1);
    EXPECT_EQ(name.Find(L"x", 100), -1);
    EXPECT_EQ(name.Find(L'x', -1), -1);
    EXPECT_EQ(name.ReverseFind(L'6'), 7);
    EXPECT_EQ(name.Left(4), L"DATB");
    EXPECT_EQ(name.Mid(4), L"4706.xml");
    EXPECT_EQ(name.Mid(4, 4), L"4706");
    EXPECT_EQ(name.Right(3), L"xml");
    // Out-of-range arguments clamp instead of throwing.
    EXPECT_EQ(name.Mid(20), L"");
    EXPECT_EQ(name.Mid(-3, 2), L"DA");
    EXPECT_EQ(name.Left(-1), L"");
    EXPECT_EQ(name.Right(99), name);

    CString padded(L" \t value \r\n");
    EXPECT_EQ(padded.Trim(), L"value");
    CString mixed(L"AbC");
    EXPECT_EQ(mixed.MakeLower(), L"abc");
}
