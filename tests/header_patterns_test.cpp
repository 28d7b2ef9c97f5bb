// The generator's matchers of header lines: which lines are taken as a whole, and how a line
// splits into name, value and description where the name could give characters back.
#include <gtest/gtest.h>

#include <string>

#include "mapping/HeaderPatterns.h"

namespace {

// Text of a code point in this platform's wide strings (a surrogate pair where wchar_t has 16 bits).
std::wstring Char(char32_t cp) {
    if (sizeof(wchar_t) == 2 && cp >= 0x10000)
        return {static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10)), static_cast<wchar_t>(0xDC00 + (cp & 0x3FF))};
    return std::wstring(1, static_cast<wchar_t>(cp));
}

struct CommandCase {
    std::wstring line;
    bool taken;
    std::wstring name;
    std::wstring command;
};

TEST(HeaderPatterns, CommandDefinitions) {
    const CommandCase cases[] = {
        {L"#define CMD_OPEN _T(\"Open\")", true, L"CMD_OPEN", L"Open"},
        // The name is as long as it can be and gives "_T" back only where the line needs it.
        {L"#define A_T(\"x\")", true, L"A", L"x"},
        {L"#define A_T_T(\"x\")", true, L"A_T", L"x"},
        {L"#define A_T _T(\"x\")", true, L"A_T", L"x"},
        {L"#define T_T(\"x_T(\")", false, L"", L""},
        {L"#define_T(\"x\")", false, L"", L""},
        {L"#define _T(\"x\")", false, L"", L""},
        // Blanks on either side of the name may be missing, tabs, or Unicode spaces.
        {L"#defineCMD_T(\"x\")", true, L"CMD", L"x"},
        {L"#define\tCMD\t\t_T(\"x\")", true, L"CMD", L"x"},
        {L"#define" + Char(0x3000) + L"CMD" + Char(0x2003) + L"_T(\"x\")", true, L"CMD", L"x"},
        {L"#define CMD" + Char(0xA0) + L"_T(\"x\")", false, L"", L""},  // a no-break space is not one
        // Command strings of letters and digits of any script, '_' and '+'.
        {L"#define CMD_QUOTE _T(\"行情报价+K线_1\")", true, L"CMD_QUOTE", L"行情报价+K线_1"},
        {L"#define C+D _T(\"" + Char(0x0661) + Char(0x0662) + L"\")", true, L"C+D", Char(0x0661) + Char(0x0662)},
        {L"#define CMD _T(\"" + Char(0x20000) + L"ー\")", true, L"CMD", Char(0x20000) + L"ー"},
        {L"#define CMD _T(\"a b\")", false, L"", L""},
        {L"#define CMD _T(\"行情，报价\")", false, L"", L""},
        {L"#define CMD _T(\"a-b\")", false, L"", L""},
        {L"#define CMD _T(\"\")", false, L"", L""},
        {L"#define CMD _T(x)", false, L"", L""},
        {L"#define CMD-X _T(\"x\")", false, L"", L""},
        // The whole line: nothing before "#define", nothing after the closing parenthesis.
        {L"#define CMD _T(\"x\") // open", false, L"", L""},
        {L"#define CMD _T(\"x\") ", false, L"", L""},
        {L" #define CMD _T(\"x\")", false, L"", L""},
        {L"#DEFINE CMD _T(\"x\")", false, L"", L""},
        {L"", false, L"", L""},
        {L"#define", false, L"", L""},
        {L"\")", false, L"", L""},
    };
    for (const CommandCase& c : cases) {
        const auto match = MatchCommandDefine(CString(c.line));
        ASSERT_EQ(match.has_value(), c.taken) << c.line;
        if (!match) continue;
        EXPECT_EQ(match->name.str(), c.name) << c.line;
        EXPECT_EQ(match->command.str(), c.command) << c.line;
    }
}

struct RequestCase {
    std::wstring line;
    bool taken;
    std::wstring name;
    std::wstring number;
    std::wstring description;
};

TEST(HeaderPatterns, RequestDefinitions) {
    const RequestCase cases[] = {
        {L"#define REQID_LOGIN 2001 // 用户登录", true, L"REQID_LOGIN", L"2001", L" 用户登录"},
        {L"#define REQID_A 0042//x", true, L"REQID_A", L"0042", L"x"},
        {L"#define  REQID_B\t3\t//\tdesc", true, L"REQID_B", L"3", L"\tdesc"},
        {L"#defineREQID_C 4 //", true, L"REQID_C", L"4", L""},
        {L"#define REQIDX 7 //a // b", true, L"REQIDX", L"7", L"a // b"},
        // A number right after the name: the name keeps all digits but the last.
        {L"#define REQID_A12//x", true, L"REQID_A1", L"2", L"x"},
        {L"#define REQID_A1 //x", true, L"REQID_A", L"1", L"x"},
        {L"#define REQID12 //x", true, L"REQID1", L"2", L"x"},
        {L"#define REQID1 //x", false, L"", L"", L""},  // the name needs a character after REQID
        {L"#define REQID_A1 2 //x", true, L"REQID_A1", L"2", L"x"},
        // Digits are ASCII digits; what stands before "//" is name, number and blanks only.
        {L"#define REQID_A " + Char(0x0661) + L" //x", false, L"", L"", L""},
        {L"#define REQID_A 12 x//y", false, L"", L"", L""},
        {L"#define REQID_A1x //y", false, L"", L"", L""},
        {L"#define REQID_A 12 / / x", false, L"", L"", L""},
        {L"#define REQID_A //x", false, L"", L"", L""},
        // A request definition without its "//" description is left out.
        {L"#define REQID_A 12", false, L"", L"", L""},
        {L"#define REQID_A 12 /* x */", false, L"", L"", L""},
        {L"#define reqid_A 1 //x", false, L"", L"", L""},
        {L"#define REQ_A 1 //x", false, L"", L"", L""},
        {L" #define REQID_A 1 //x", false, L"", L"", L""},
        {L"", false, L"", L"", L""},
    };
    for (const RequestCase& c : cases) {
        const auto match = MatchRequestDefine(CString(c.line));
        ASSERT_EQ(match.has_value(), c.taken) << c.line;
        if (!match) continue;
        EXPECT_EQ(match->name.str(), c.name) << c.line;
        EXPECT_EQ(match->number.str(), c.number) << c.line;
        EXPECT_EQ(match->description.str(), c.description) << c.line;
    }
}

// Lines of a million characters are matched in one pass: a backtracking matcher would try every
// split of the run of name characters and digits before "//".
TEST(HeaderPatterns, LongLinesInOnePass) {
    const std::wstring ones(1000000, L'1');
    auto request = MatchRequestDefine(CString(L"#define REQID" + ones + L"//x"));
    ASSERT_TRUE(request);
    EXPECT_EQ(request->name.GetLength(), 5 + 999999);
    EXPECT_EQ(request->number.str(), L"1");
    EXPECT_FALSE(MatchRequestDefine(CString(L"#define REQID_" + ones + L"x//x")));
    EXPECT_FALSE(MatchRequestDefine(CString(L"#define REQID_" + ones + L" " + ones + L" x//x")));

    const auto command = MatchCommandDefine(CString(L"#define " + ones + L"_T(\"" + ones + L"\")"));
    ASSERT_TRUE(command);
    EXPECT_EQ(command->name.str(), ones);
    EXPECT_EQ(command->command.str(), ones);
    EXPECT_FALSE(MatchCommandDefine(CString(L"#define " + ones + L"_T(\"" + ones + L"\")x")));
}

TEST(HeaderPatterns, WordCharactersAreLettersAndDigitsOfEveryScript) {
    const struct {
        char32_t ch;
        bool word;
    } cases[] = {
        {U'a', true},     {U'Z', true},      {U'0', true},    {U'_', true},    {U'+', false},   {U'-', false},
        {U' ', false},    {0x4E2D, true},    {0x30FC, true},  {0x0915, true},  {0x093E, true},  // 中 ー क ा
        {0x0663, true},   {0xFF10, true},    {0x20000, true}, {0x00E9, true},                   // ٣ ０ 𠀀 é
        {0xFF0C, false},  {0x3002, false},   {0x3000, false}, {0x00A0, false}, {0x0301, false},  // ， 。 blanks, accent
        {0x1F600, false}, {0x10FFFF, false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsWordCharacter(c.ch), c.word) << std::hex << static_cast<unsigned>(c.ch);
}

}  // namespace
