// The line reader, wildcard patterns, directory listing and non-ASCII paths.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/TextConv.h"
#include "tests/support/MonitorTestAccess.h"

namespace fs = std::filesystem;

namespace {

// The bytes of a literal, embedded zero bytes included.
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

void WriteRaw(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class ListingTest : public ::testing::Test {
protected:
    CString Path(const std::wstring& name) const {
        return CString(NarrowToWide(scratch.Dir().string())) + L"\\" + name;
    }

    std::vector<std::wstring> ReadLines(const std::string& bytes) {
        WriteRaw(scratch.Dir() / "lines.txt", bytes);
        CStdioFile file;
        EXPECT_TRUE(file.Open(Path(L"lines.txt"), CFile::modeRead | CFile::shareDenyNone));
        std::vector<std::wstring> lines;
        CString line;
        while (file.ReadString(line)) lines.push_back(line.str());
        return lines;
    }

    // The classic listing loop, collecting every name it visits.
    static std::vector<std::wstring> List(const CString& pattern) {
        std::vector<std::wstring> names;
        CFileFind finder;
        bool more = finder.FindFile(pattern);
        while (more) {
            more = finder.FindNextFile();
            names.push_back(finder.GetFileName().str());
        }
        return names;
    }

    ScratchHost scratch;
};

}  // namespace

TEST_F(ListingTest, ReadStringSplitsLinesInEveryEncoding) {
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::wstring> lines;
    };
    const std::string chinese = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文 in UTF-8
    const Case cases[] = {
        {"LF and CRLF, last line without end", "a\nb\r\nc", {L"a", L"b", L"c"}},
        {"final line end adds no empty line", "a\r\n", {L"a"}},
        {"empty lines are lines", "\n\r\n", {L"", L""}},
        {"empty file", "", {}},
        {"UTF-8 with and without BOM", "\xEF\xBB\xBF" + chinese + "\r\nx", {L"中文", L"x"}},
        {"UTF-8 BOM only", "\xEF\xBB\xBF", {}},
        {"UTF-16LE", Bytes("\xFF\xFE-N\x0D\x00\x0A\x00\x87\x65"), {L"中", L"文"}},
        {"UTF-16BE", Bytes("\xFE\xFFN-\x00\x0A\x65\x87\x00\x0A"), {L"中", L"文"}},
        {"a 0x0A byte inside a UTF-16 unit is no line end", Bytes("\xFF\xFE\x0A\x01\x0A\x00"), {L"\u010A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadLines(c.bytes), c.lines);
    }
}

TEST_F(ListingTest, ReadStringHandlesLinesLongerThanItsBuffer) {
    const std::string longLine(200000, 'q');
    const auto lines = ReadLines(longLine + "\r\nshort\n" + longLine);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), longLine.size());
    EXPECT_EQ(lines[1], L"short");
    EXPECT_EQ(lines[2].size(), longLine.size());
}

TEST_F(ListingTest, WriteStringWritesUtf8WhereTheReaderStands) {
    {
        CStdioFile file;
        ASSERT_TRUE(file.Open(Path(L"out.txt"), CFile::modeCreate | CFile::modeReadWrite));
        file.WriteString(L"第一行\nsecond\n");
        file.SeekToBegin();
        CString line;
        ASSERT_TRUE(file.ReadString(line));
        EXPECT_EQ(line, L"第一行");
        EXPECT_EQ(file.GetPosition(), 10u);  // 9 bytes of text and the line end
        file.WriteString(L"SECOND\n");       // overwrites the second line, not the end of the file
    }
    std::ifstream in(scratch.Dir() / "out.txt", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, "\xE7\xAC\xAC\xE4\xB8\x80\xE8\xA1\x8C\nSECOND\n");
}

TEST(Wildcard, WindowsPatternMeanings) {
    struct Case {
        const wchar_t* pattern;
        const wchar_t* name;
        bool matches;
    };
    const Case cases[] = {
        {L"*.*", L"DATA4706", true},      {L"*.*", L"a.b.c", true},        {L"*.*", L".", true},
        {L"*$.*", L"DATB4706$", true},    {L"*$.*", L"a$.txt", true},      {L"*$.*", L"x.y$", true},
        {L"*$.*", L"DATA1", false},       {L"*$.*", L"a$b", false},        {L"*$.*", L"DATB4706", false},
        {L"*.txt", L"README.TXT", true},  {L"*.txt", L"a.txt.bak", false}, {L"DATA????", L"data4706", true},
        {L"DATA????", L"DATA470", false}, {L"a*b*c", L"aXXbYYc", true},    {L"a*b*c", L"aXXbYY", false},
        {L"abc.*", L"abc", true},         {L"abc.*", L"abcd", false},      {L"*", L"anything", true},
        {L"*.", L"noext", true},          {L"*.", L"a.b", false},          {L"x.y.", L"x.y", true},
        {L"x.y.", L"x.y.z", false},       {L"*.*.*", L"noext", true},      {L"*.*.*", L"a.b", true},
        {L"中*", L"中文.txt", true},      {L"É*.INI", L"été.ini", true},   {L"**a", L"bba", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches)
            << "pattern " << WideToNarrow(std::wstring(c.pattern)) << ", name " << WideToNarrow(std::wstring(c.name));
    }
}

TEST_F(ListingTest, FindLoopVisitsEveryMatchOnce) {
    for (const char* name : {"a.txt", "B.TXT", "DATB4706$", "x$.y", "DATA1"}) WriteRaw(scratch.Dir() / name, "");
    fs::create_directory(scratch.Dir() / "sub");

    auto all = List(Path(L"*.*"));
    EXPECT_EQ(std::multiset<std::wstring>(all.begin(), all.end()),
              (std::multiset<std::wstring>{L".", L"..", L"a.txt", L"B.TXT", L"DATA1", L"DATB4706$", L"sub", L"x$.y"}));
    auto leftovers = List(Path(L"*$.*"));
    EXPECT_EQ(std::set<std::wstring>(leftovers.begin(), leftovers.end()),
              (std::set<std::wstring>{L"DATB4706$", L"x$.y"}));
    EXPECT_EQ(leftovers.size(), 2u);
    EXPECT_EQ(List(Path(L"a.txt")), std::vector<std::wstring>{L"a.txt"});
    EXPECT_TRUE(List(Path(L"*.none")).empty());
    EXPECT_TRUE(List(Path(L"missing-dir\\*.*")).empty());

    CFileFind finder;
    bool more = finder.FindFile(Path(L"*.*"));
    while (more) {
        more = finder.FindNextFile();
        const CString name = finder.GetFileName();
        EXPECT_EQ(finder.GetFilePath(), Path(name.str()));
        EXPECT_EQ(finder.IsDots(), name == L"." || name == L"..");
        EXPECT_EQ(finder.IsDirectory(), finder.IsDots() || name == L"sub");
    }
    EXPECT_FALSE(finder.FindNextFile());  // past the end it stays there
}

TEST_F(ListingTest, ChinesePathsWorkWithoutALocale) {
    const CString dir = Path(L"数据\\");
    // Directory creation takes the system's narrow (ANSI) text: UTF-8 on POSIX, which holds every
    // name; on Windows the ANSI code page, which holds these names only on a Chinese system (936).
    // Where it cannot, the directory is made through the wide name, and the rest still runs.
    const std::string ansiDir = WideToAnsi(dir);
    if (AnsiToWide(ansiDir) == dir.str())
        ASSERT_TRUE(MakeSureDirectoryPathExists(ansiDir));
    else
        ASSERT_TRUE(fs::create_directory(scratch.Dir() / u8"数据"));
    {
        CStdioFile file;
        ASSERT_TRUE(file.Open(dir + L"文件.txt", CFile::modeCreate | CFile::modeWrite));
        file.WriteString(L"第一行\r\n第二行");
    }
    EXPECT_TRUE(fs::exists(scratch.Dir() / u8"数据" / u8"文件.txt"));
    CStdioFile file;
    ASSERT_TRUE(file.Open(dir + L"文件.txt", CFile::modeRead));
    CString line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, L"第一行");
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, L"第二行");
    EXPECT_FALSE(file.ReadString(line));
    file.Close();
    EXPECT_EQ(List(dir + L"文*.*"), std::vector<std::wstring>{L"文件.txt"});
    CFile::Remove(dir + L"文件.txt");
    EXPECT_FALSE(PathFileExists(dir + L"文件.txt"));
}
