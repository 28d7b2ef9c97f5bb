// DecodeText: byte-order marks, declared encodings and damaged input.
#include <gtest/gtest.h>

#include <string>

#include "platform/TextConv.h"

namespace {

TEST(DecodeText, MarksDeclarationsAndDamage) {
    const struct {
        const char* what;
        std::string bytes;
        const char* declared;
        std::wstring text;
    } cases[] = {
        {"plain UTF-8", "a\xE4\xB8\xAD", "", L"a中"},
        {"UTF-8 mark is dropped",
         "\xEF\xBB\xBF"
         "a",
         "", L"a"},
        {"mark wins over the declaration", "\xEF\xBB\xBF\xE4\xB8\xAD", "GBK", L"中"},
        {"UTF-16LE with mark",
         std::string("\xFF\xFE"
                     "a\0\x2D\x4E",
                     6),
         "", L"a中"},
        {"UTF-16BE with mark", std::string("\xFE\xFF\0a\x4E\x2D", 6), "", L"a中"},
        {"UTF-16LE pair", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), "", L"\U0001F600"},
        {"UTF-16 lone surrogate",
         std::string("\xFF\xFE\x3D\xD8"
                     "a\0",
                     6),
         "",
         L"\uFFFD"
         L"a"},
        {"UTF-16 odd trailing byte",
         std::string("\xFF\xFE"
                     "a\0b",
                     5),
         "", L"a\uFFFD"},
        {"UTF-16LE declared, no mark", std::string("a\0b\0", 4), "utf-16le", L"ab"},
        {"GBK", "\xD6\xD0\xCE\xC4", "GBK", L"中文"},
        {"GB2312 read as GBK", "\x81\x40", "GB2312", L"\u4E02"},  // a GBK-only character
        {"GBK bad byte in the middle", "\xD6\xD0\xFF\xCE\xC4", "gbk", L"中\uFFFD文"},
        {"GBK cut off after a lead byte", "\xD6\xD0\xD6", "GBK", L"中\uFFFD"},
        {"Big5", "\xA4\xA4\xA4\xE5", "big5", L"中文"},
        {"Shift_JIS with a half-width katakana", "\x93\xFA\x96\x7B\xB1", "Shift_JIS", L"日本\uFF71"},
        {"EUC-KR", "\xC7\xD1\xB1\xDB", "EUC-KR", L"한글"},
        {"windows-1252", "\x80 caf\xE9", "windows-1252", L"\u20AC caf\u00E9"},
        {"ISO-8859-1", "caf\xE9", "ISO-8859-1", L"caf\u00E9"},
        {"unknown set falls back to UTF-8", "\xE4\xB8\xAD\xFF", "x-unknown", L"中\uFFFD"},
        {"a path is no character set's name", "\xE4\xB8\xAD", "../../etc/x", L"中"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeText(c.bytes, c.declared), c.text);
    }
}

}  // namespace
