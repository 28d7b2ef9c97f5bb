// Profile (INI) text and files with the Windows profile semantics.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/File.h"
#include "platform/Profile.h"
#include "platform/ProfileText.h"
#include "platform/TextConv.h"
#include "tests/support/FileBytes.h"
#include "tests/support/MonitorTestAccess.h"

namespace fs = std::filesystem;

namespace {

// The bytes of a literal, embedded zero bytes included.
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

const std::wstring kSample =
    L"; written by hand\r\n"
    L"orphan=before any section\r\n"
    L"[NSCore_Configuration]\r\n"
    L"  Version = 12 \r\n"
    L"version=99\r\n"
    L"\r\n"
    L"[Ping_ServerList]\r\n"
    L"ServerNumber=2\r\n"
    L"Server1=\"quoted.example\"\r\n"
    L"Server2='single'\r\n"
    L"Half=\"open\r\n"
    L"Empty=\r\n"
    L"NoEquals\r\n"
    L"\r\n"
    L"[ping_serverlist]\r\n"
    L"Extra=1\r\n"
    L"[ 中文节 ]\r\n"
    L"键=值\n";

std::wstring Edited(std::wstring text, const std::wstring& section, const std::wstring& key,
                    const std::wstring& value) {
    ProfileDocument document = ParseProfile(text);
    EXPECT_TRUE(SetProfileValue(document, section, key, value));
    return RenderProfile(document);
}

}  // namespace

TEST(ProfileText, RenderGivesBackTheParsedText) {
    for (const std::wstring& text :
         {kSample, std::wstring(L"[A]\nk=v"), std::wstring(L"\r\r\n[x\n=\n"), std::wstring()})
        EXPECT_EQ(RenderProfile(ParseProfile(text)), text);
}

TEST(ProfileText, LookupIsCaseInsensitiveAndTheFirstMatchWins) {
    struct Case {
        const wchar_t* section;
        const wchar_t* key;
        bool found;
        const wchar_t* value;
    };
    const Case cases[] = {
        {L"nscore_configuration", L"VERSION", true, L"12"},
        {L" Ping_ServerList ", L" serverNUMBER ", true, L"2"},
        {L"Ping_ServerList", L"Server1", true, L"quoted.example"},
        {L"Ping_ServerList", L"Server2", true, L"single"},
        {L"Ping_ServerList", L"Half", true, L"\"open"},
        {L"Ping_ServerList", L"Empty", true, L""},
        {L"Ping_ServerList", L"NoEquals", false, L""},  // a line without '=' holds no value
        {L"Ping_ServerList", L"Extra", false, L""},     // only the first section of a name is searched
        {L"Ping_ServerList", L"; written by hand", false, L""},
        {L"", L"orphan", false, L""},
        {L"Missing", L"Version", false, L""},
        {L"中文节", L"键", true, L"值"},
    };
    const ProfileDocument document = ParseProfile(kSample);
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToNarrow(std::wstring(c.section) + L"/" + c.key));
        std::wstring value = L"untouched";
        EXPECT_EQ(FindProfileValue(document, c.section, c.key, value), c.found);
        if (c.found) {
            EXPECT_EQ(value, c.value);
        }
    }
}

TEST(ProfileText, EditsTouchOnlyTheLinesConcerned) {
    // In place, keeping the key's spelling and every other byte.
    std::wstring expected = kSample;
    expected.replace(expected.find(L"  Version = 12 "), 15, L"Version=13");
    EXPECT_EQ(Edited(kSample, L"NSCORE_CONFIGURATION", L"version", L"13"), expected);

    // A missing key goes after the section's last line, before the blank line that ends it.
    expected = kSample;
    expected.insert(expected.find(L"NoEquals\r\n") + 10, L"Server3=c\r\n");
    EXPECT_EQ(Edited(kSample, L"ping_serverlist", L"Server3", L"c"), expected);

    // A missing section goes to the end, with the text's own line end.
    EXPECT_EQ(Edited(kSample, L"Download_URL", L"URL", L"http://h/x"),
              kSample + L"[Download_URL]\r\nURL=http://h/x\r\n");

    // Texts without a final line end, and empty ones.
    EXPECT_EQ(Edited(L"[A]\nk=v", L"a", L"n", L"1"), L"[A]\nk=v\nn=1\n");
    EXPECT_EQ(Edited(L"[A]\nk=v", L"A", L"K", L"w"), L"[A]\nk=w\n");
    EXPECT_EQ(Edited(L"", L"ROOT", L"WindowsVersion", L""), L"[ROOT]\r\nWindowsVersion=\r\n");
    EXPECT_EQ(Edited(L"[A]", L"A", L"k", L"v"), L"[A]\r\nk=v\r\n");

    // A value cannot add lines.
    EXPECT_EQ(Edited(L"[A]\n", L"A", L"k", L"one\r\n[B]"), L"[A]\nk=one  [B]\n");
}

TEST(ProfileText, UnchangedValuesAndBadNamesLeaveTheTextAlone) {
    ProfileDocument document = ParseProfile(kSample);
    bool changed = true;
    EXPECT_TRUE(SetProfileValue(document, L"Ping_ServerList", L"ServerNumber", L"2", &changed));
    EXPECT_FALSE(changed);
    for (const auto& [section, key] : std::initializer_list<std::pair<const wchar_t*, const wchar_t*>>{
             {L"", L"k"}, {L"A", L""}, {L"a]b", L"k"}, {L"A", L"k=v"}, {L"A", L"k\nx"}, {L"A\nB", L"k"}}) {
        EXPECT_FALSE(SetProfileValue(document, section, key, L"v", &changed));
        EXPECT_FALSE(changed);
    }
    EXPECT_EQ(RenderProfile(document), kSample);
}

TEST(ProfileText, IntegersParseLikeTheWindowsCall) {
    const std::pair<const wchar_t*, int> cases[] = {
        {L"12", 12},
        {L"  -7", -7},
        {L"+5", 5},
        {L"42abc", 42},
        {L"abc", 0},
        {L"-", 0},
        {L" \t9", 9},
        {L"0x10", 16},
        {L"0X1f", 31},
        {L"-0x10", -16},
        {L"0xZ", 0},
        {L"010", 10},  // a leading 0 alone stays decimal
        {L"0o17", 15},
        {L"0b101", 5},
        {L"99999999999999999999", 1661992959},
        {L"1 2", 1},
        {L"4294967295", -1},
        {L"2147483648", INT_MIN},
        {L"2147483647", INT_MAX},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(ParseProfileInt(text), value) << WideToNarrow(std::wstring(text));
}

TEST(ProfileText, BytesKeepTheirEncoding) {
    const std::string utf16le = Bytes("\xFF\xFE[\0S\0]\0\n\0k\0=\0-N\n\0");
    ProfileDocument document = ParseProfileBytes(utf16le);
    EXPECT_EQ(document.encoding, ProfileDocument::Utf16LE);
    std::wstring value;
    ASSERT_TRUE(FindProfileValue(document, L"s", L"K", value));
    EXPECT_EQ(value, L"中");
    EXPECT_EQ(RenderProfileBytes(document), utf16le);

    const std::string bom = "\xEF\xBB\xBF[S]\nk=v\n";
    EXPECT_EQ(RenderProfileBytes(ParseProfileBytes(bom)), bom);
    EXPECT_EQ(ParseProfileBytes("\xFE\xFF").encoding, ProfileDocument::Utf16BE);
}

class ProfileFileTest : public ::testing::Test {
protected:
    CString Path(const std::wstring& name) const {
        return CString(NarrowToWide(scratch.Dir().string())) + L"\\" + name;
    }
    ScratchHost scratch;
};

TEST_F(ProfileFileTest, FirstWriteCreatesTheFileAndLaterWritesEditIt) {
    const CString path = Path(L"DATC");
    EXPECT_TRUE(WritePrivateProfileString(L"ROOT", L"WindowsVersion", L"Debian 12", path));
    EXPECT_TRUE(WritePrivateProfileString(L"ROOT", L"CPUName", L"中文 CPU", path));
    EXPECT_TRUE(WritePrivateProfileString(L"root", L"windowsversion", L"Debian 13", path));
    EXPECT_EQ(ReadAll(scratch.Dir() / "DATC"),
              "[ROOT]\r\nWindowsVersion=Debian 13\r\nCPUName=\xE4\xB8\xAD\xE6\x96\x87 CPU\r\n");
    EXPECT_EQ(GetPrivateProfileString(L"Root", L"cpuname", L"", path), L"中文 CPU");
    // Only the file itself is in the folder: no temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.Dir()), fs::directory_iterator()), 1);

    EXPECT_FALSE(WritePrivateProfileString(L"ROOT", L"k", L"v", Path(L"no-such-dir\\x.ini")));
}

TEST_F(ProfileFileTest, ReadsFallBackToTheirDefaults) {
    const CString path = Path(L"ServerSpeedTest.ini");
    EXPECT_EQ(GetPrivateProfileInt(L"NSCore_Configuration", L"Version", -1, path), -1);  // no file
    EXPECT_EQ(GetPrivateProfileString(L"Download_URL", L"URL", L"none  ", path), L"none");
    std::ofstream(scratch.Dir() / "ServerSpeedTest.ini", std::ios::binary)
        << "[NSCore_Configuration]\nVersion=7\nEmpty=\nWord=abc\n[Download_URL]\nURL=" << std::string(150, 'u') << "\n";
    EXPECT_EQ(GetPrivateProfileInt(L"nscore_configuration", L"version", -1, path), 7);
    EXPECT_EQ(GetPrivateProfileInt(L"NSCore_Configuration", L"Missing", -7, path), -7);
    EXPECT_EQ(GetPrivateProfileInt(L"NSCore_Configuration", L"Empty", -7, path), -7);
    EXPECT_EQ(GetPrivateProfileInt(L"NSCore_Configuration", L"Word", -7, path), 0);
    EXPECT_EQ(GetPrivateProfileString(L"Download_URL", L"URL", L"", path, 100).GetLength(), 99);
    EXPECT_EQ(GetPrivateProfileString(L"Download_URL", L"URL", L"", path).GetLength(), 150);
}

TEST_F(ProfileFileTest, AUtf16FileStaysUtf16WhenEdited) {
    const std::string utf16le = Bytes("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0-N\r\0\n\0");
    std::ofstream(scratch.Dir() / "u.ini", std::ios::binary) << utf16le;
    const CString path = Path(L"u.ini");
    EXPECT_EQ(GetPrivateProfileString(L"S", L"k", L"", path), L"中");
    EXPECT_TRUE(WritePrivateProfileString(L"S", L"k2", L"文", path));
    EXPECT_EQ(ReadAll(scratch.Dir() / "u.ini"), utf16le + Bytes("k\0002\0=\0\x87\x65\r\0\n\0"));
    EXPECT_EQ(GetPrivateProfileString(L"S", L"k2", L"", path), L"文");
}

TEST_F(ProfileFileTest, NullValuesDeleteAndValuesEndAtANul) {
    const CString path = Path(L"d.ini");
    const std::string text = "[A]\r\nk1=v1\r\nk2=v2\r\n\r\n[B]\r\nb=x\r\n[a]\r\nk1=second\r\n";
    std::ofstream(scratch.Dir() / "d.ini", std::ios::binary) << text;
    EXPECT_TRUE(WritePrivateProfileString(L"a", L"K1", nullptr, path));
    EXPECT_EQ(ReadAll(scratch.Dir() / "d.ini"), "[A]\r\nk2=v2\r\n\r\n[B]\r\nb=x\r\n[a]\r\nk1=second\r\n");
    EXPECT_TRUE(WritePrivateProfileString(L"A", L"missing", nullptr, path));
    EXPECT_TRUE(WritePrivateProfileString(L"Missing", nullptr, nullptr, path));
    // Only the first section of the name goes, with every line up to the next header.
    EXPECT_TRUE(WritePrivateProfileString(L"A", nullptr, nullptr, path));
    EXPECT_EQ(ReadAll(scratch.Dir() / "d.ini"), "[B]\r\nb=x\r\n[a]\r\nk1=second\r\n");
    EXPECT_TRUE(WritePrivateProfileString(L"A", nullptr, nullptr, Path(L"none.ini")));
    EXPECT_FALSE(PathFileExists(Path(L"none.ini")));

    // Leading blanks of a written value are dropped; a read value ends at a NUL character.
    EXPECT_TRUE(WritePrivateProfileString(L"B", L"b", L"  padded ", path));
    EXPECT_EQ(ReadAll(scratch.Dir() / "d.ini"), "[B]\r\nb=padded \r\n[a]\r\nk1=second\r\n");
    std::ofstream(scratch.Dir() / "zero.ini", std::ios::binary) << Bytes("[S]\nk=ab\0cd\n");
    EXPECT_EQ(GetPrivateProfileString(L"S", L"k", L"", Path(L"zero.ini")), L"ab");
}
