// Our emulation of Win32 behaviours (profile files, wildcard listing, CString::Format) against the
// native calls, on the same inputs: one table of cases per area, comparing the answers and, for
// profile writes, the file text. Windows only; the native side lives in
// tests/support/win/NativeApi.cpp, away from our platform headers.
//
// Differences we keep on purpose are checked as such, each with its reason:
// - our profile writer writes new files as UTF-8 and keeps an existing file's encoding; the native
//   writer writes the ANSI code page. Fixtures with non-ASCII names are UTF-16LE with a byte-order
//   mark, which both sides read, so both read the same bytes.
// - our writer refuses a key holding '=' (it could not be read back as the same key).
// - our listing never matches 8.3 short names (see platform/win/FileFind.cpp).
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/CString.h"
#include "platform/File.h"
#include "platform/Profile.h"
#include "platform/TextConv.h"
#include "tests/support/MonitorTestAccess.h"
#include "tests/support/win/NativeApi.h"

namespace fs = std::filesystem;

namespace {

template <size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

// UTF-16LE with a byte-order mark (wchar_t holds UTF-16 units on Windows).
std::string Utf16File(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (const wchar_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>((unit >> 8) & 0xFF);
    }
    return bytes;
}

std::string Narrow(const std::wstring& text) {
    return WideToNarrow(text);
}

class NativeDifferential : public ::testing::Test {
protected:
    std::wstring Path(const std::wstring& name) const { return scratch.Dir().wstring() + L"\\" + name; }
    void Write(const std::wstring& name, const std::string& bytes) const {
        std::ofstream(scratch.Dir() / name, std::ios::binary | std::ios::trunc) << bytes;
    }
    std::string Read(const std::wstring& name) const {
        std::ifstream in(scratch.Dir() / name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    ScratchHost scratch;
};

// One profile text read by both sides.
const std::wstring kProfile =
    L"; comment line\r\n"
    L"[Alpha]\r\n"
    L"plain=value\r\n"
    L"  padded   =   both sides   \r\n"
    L"dq=\"double quoted\"\r\n"
    L"sq='single quoted'\r\n"
    L"half=\"open\r\n"
    L"inner=a \"b\" c\r\n"
    L"dqpad=  \" kept blanks \"  \r\n"
    L"noequals\r\n"
    L"empty=\r\n"
    L"dup=first\r\n"
    L"DUP=second\r\n"
    L";hidden=commented\r\n"
    L"semi=a;b\r\n"
    L"eq=a=b\r\n"
    L"\r\n"
    L"[alpha]\r\n"
    L"later=in the second section of the name\r\n"
    L"[  Spaced  ]\r\n"
    L"k=spaced section\r\n"
    L"[Ärger]\r\n"
    L"Öl=umlaut\r\n"
    L"[Привет]\r\n"
    L"Ключ=cyrillic\r\n"
    L"[ΣΊΣΥΦΟΣ]\r\n"
    L"ΛΈΞΗ=greek\r\n"
    L"[Ints]\r\n"
    L"dec=42\r\n"
    L"neg=-17\r\n"
    L"pos=+8\r\n"
    L"blank=   9\r\n"
    L"tab=\t11\r\n"
    L"hex=0x1F\r\n"
    L"HEX=0X1f\r\n"
    L"oct=010\r\n"
    L"octprefix=0o17\r\n"
    L"bin=0b101\r\n"
    L"neghex=-0x10\r\n"
    L"junk=12abc\r\n"
    L"onlyjunk=abc\r\n"
    L"sign=-\r\n"
    L"hexjunk=0xZ\r\n"
    L"max=2147483647\r\n"
    L"over=2147483648\r\n"
    L"umax=4294967295\r\n"
    L"wrap=4294967296\r\n"
    L"long=99999999999999999999\r\n"
    L"quoted=\"5\"\r\n"
    L"spacedigits=1 2\r\n";

TEST_F(NativeDifferential, ProfileReadsAnswerLikeTheNativeCalls) {
    Write(L"read.ini", Utf16File(kProfile));
    Write(L"read8.ini", Narrow(kProfile));  // our own files are UTF-8: same answers
    const std::wstring path = Path(L"read.ini");
    struct Case {
        const wchar_t* section;
        const wchar_t* key;
    };
    const Case cases[] = {
        {L"Alpha", L"plain"},   {L"ALPHA", L"PLAIN"},    {L" Alpha ", L" plain "}, {L"Alpha", L"padded"},
        {L"Alpha", L"dq"},      {L"Alpha", L"sq"},       {L"Alpha", L"half"},      {L"Alpha", L"inner"},
        {L"Alpha", L"dqpad"},   {L"Alpha", L"noequals"}, {L"Alpha", L"empty"},     {L"Alpha", L"dup"},
        {L"Alpha", L"later"},   {L"Alpha", L"hidden"},   {L"Alpha", L"semi"},      {L"Alpha", L"eq"},
        {L"Alpha", L"missing"}, {L"Spaced", L"k"},       {L"  Spaced  ", L"k"},    {L"ÄRGER", L"ÖL"},
        {L"σίσυφος", L"λέξη"},  {L"Σίσυφος", L"Λέξη"},   {L"Missing", L"plain"},   {L"Ints", L"hex"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(std::wstring(c.section) + L"/" + c.key));
        const std::wstring native = native_api::ProfileString(path, c.section, c.key, L"<default>");
        EXPECT_EQ(GetPrivateProfileString(c.section, c.key, L"<default>", path).str(), native);
        EXPECT_EQ(GetPrivateProfileString(c.section, c.key, L"<default>", Path(L"read8.ini")).str(), native);
    }

    // Kept differences, each checked on our side with the native answer under Wine 8 beside it.
    struct Kept {
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* ours;
        const wchar_t* wine;
    };
    const Kept kept[] = {
        // Names fold case with Unicode simple case folding on our side; Wine 8 folds only ASCII
        // letters in profile names (it found "ÄRGER"/"ÖL" above, where only ASCII letters differ).
        {L"ärger", L"öl", L"umlaut", L"<default>"},
        {L"привет", L"ключ", L"cyrillic", L"<default>"},
        {L"ПРИВЕТ", L"КЛЮЧ", L"cyrillic", L"<default>"},
        // Wine 8 finds a commented line as a key whose name starts with ';'. Ours treats it as a
        // comment: our writer could never find such a key again, and would add a line per write.
        {L"Alpha", L";hidden", L"<default>", L"commented"},
    };
    for (const Kept& c : kept) {
        SCOPED_TRACE(Narrow(std::wstring(c.section) + L"/" + c.key));
        EXPECT_EQ(GetPrivateProfileString(c.section, c.key, L"<default>", path).str(), c.ours);
        EXPECT_EQ(native_api::ProfileString(path, c.section, c.key, L"<default>"), c.wine);
    }
}

TEST_F(NativeDifferential, ProfileIntegersReadLikeTheNativeCall) {
    Write(L"int.ini", Narrow(kProfile));
    const std::wstring path = Path(L"int.ini");
    for (const wchar_t* key :
         {L"dec",       L"neg",  L"pos",    L"blank", L"tab",      L"hex",         L"HEX",     L"oct",
          L"octprefix", L"bin",  L"neghex", L"junk",  L"onlyjunk", L"sign",        L"hexjunk", L"max",
          L"over",      L"umax", L"wrap",   L"long",  L"quoted",   L"spacedigits", L"missing"}) {
        SCOPED_TRACE(Narrow(key));
        EXPECT_EQ(GetPrivateProfileInt(L"Ints", key, -3, path), native_api::ProfileInt(path, L"Ints", key, -3));
    }
}

TEST_F(NativeDifferential, ProfileValueWithANulByte) {
    // A NUL byte inside a value, in a narrow file and in a UTF-16 file (not named "nul.ini": NUL is
    // a device name on Windows, and both sides would read nothing).
    const std::string narrow = Bytes("[S]\r\nk=ab\0cd\r\nnext=after\r\n");
    Write(L"zero.ini", narrow);
    Write(L"zero16.ini", Utf16File(NarrowToWide(narrow)));
    for (const wchar_t* name : {L"zero.ini", L"zero16.ini"}) {
        SCOPED_TRACE(Narrow(name));
        const std::wstring path = Path(name);
        for (const wchar_t* key : {L"k", L"next"})
            EXPECT_EQ(GetPrivateProfileString(L"S", key, L"<default>", path).str(),
                      native_api::ProfileString(path, L"S", key, L"<default>"));
        EXPECT_EQ(native_api::ProfileString(path, L"S", L"next", L"<default>"), L"after");
    }
}

TEST_F(NativeDifferential, ProfileWritesLeaveTheNativeFileText) {
    const std::string base = "[A]\r\nk1=v1\r\nk2=v2\r\n[B]\r\nb1=x\r\n";
    struct Case {
        const char* what;
        const wchar_t* section;
        std::optional<std::wstring> key;
        std::optional<std::wstring> value;
    };
    const Case cases[] = {
        {"new key", L"A", L"k3", L"v3"},
        {"existing key", L"a", L"K1", L"changed"},
        {"same value", L"A", L"k1", L"v1"},
        {"new section", L"C", L"c1", L"y"},
        {"empty value", L"B", L"b1", L""},
        {"blanks around the value", L"B", L"b1", L"  padded  "},
        {"blanks around the key", L"B", L"  b1  ", L"z"},
        {"delete a key", L"A", L"k1", std::nullopt},
        {"delete a missing key", L"A", L"nope", std::nullopt},
        {"delete a section", L"a", std::nullopt, std::nullopt},
        {"delete a missing section", L"Z", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Write(L"ours.ini", base);
        Write(L"native.ini", base);
        const CString ours = Path(L"ours.ini");
        bool ok = false;
        if (!c.key) {
            ok = WritePrivateProfileString(c.section, nullptr, nullptr, ours);
        } else if (!c.value) {
            ok = WritePrivateProfileString(c.section, *c.key, nullptr, ours);
        } else {
            ok = WritePrivateProfileString(c.section, *c.key, *c.value, ours);
        }
        const bool nativeOk = native_api::WriteProfileEntry(Path(L"native.ini"), c.section, c.key, c.value);
        EXPECT_EQ(ok, nativeOk);
        EXPECT_EQ(Read(L"ours.ini"), Read(L"native.ini"));
    }
}

// The names of the listing folder: short names, names without a dot, several dots, mixed case.
const wchar_t* const kNames[] = {L"a",    L"ab",    L"aXb",       L"a.b",       L"ab.b",     L"DAT",
                                 L"DATA", L"dat1",  L"DATAB",     L"dat.txt",   L"DATA.TXT", L"x.y.z",
                                 L"x.y.", L"noext", L"Mixed.TxT", L"README.md", L".hidden"};

TEST_F(NativeDifferential, ListingFindsWhatTheNativeListingFinds) {
    for (const wchar_t* name : kNames) Write(name, "");
    fs::create_directory(scratch.Dir() / "Sub.dir");
    for (const wchar_t* pattern : {L"*", L"*.*", L"*.", L"*.*.*", L"DAT?", L"DAT??", L"?", L"??", L"a*b", L"A*B",
                                   L"*.txt", L"*.TXT", L"dat*", L"*b", L"a?b", L"x.y.*", L"*.z", L".*", L"?.b"}) {
        SCOPED_TRACE(Narrow(pattern));
        std::vector<std::wstring> ours;
        CFileFind finder;
        bool more = finder.FindFile(CString(Path(pattern)));
        while (more) {
            more = finder.FindNextFile();
            if (!finder.IsDots()) ours.push_back(finder.GetFileName().str());
        }
        std::vector<std::wstring> native = native_api::Listing(Path(pattern));
        if (std::wstring(pattern) == L"*.") {
            // Wine 8 drops the final dot of a pattern and lists every name; Windows gives "*." its
            // DOS meaning, the names without a dot, and so do we.
            std::erase_if(native, [](const std::wstring& name) { return name.find(L'.') != std::wstring::npos; });
        }
        EXPECT_EQ(ours, native);
    }
}

// Each line formats the same arguments with ours and with the system's msvcrt.
#define EXPECT_SAME_FORMAT(...)                                                 \
    do {                                                                        \
        CString ours;                                                           \
        ours.Format(__VA_ARGS__);                                               \
        EXPECT_EQ(ours.str(), native_api::Format(__VA_ARGS__)) << #__VA_ARGS__; \
    } while (0)

TEST(NativeDifferentialFormat, FormatAnswersLikeMsvcrt) {
    EXPECT_SAME_FORMAT(L"%d|%5d|%-5d|%05d|%+d|% d", 42, 42, 42, 42, 42, 42);
    EXPECT_SAME_FORMAT(L"%d|%d|%u|%u", -1, INT_MIN, 4294967295u, 0u);
    EXPECT_SAME_FORMAT(L"%x|%X|%#x|%08X|%o|%#o", 255u, 255u, 255u, 0xBEEFu, 8u, 8u);
    EXPECT_SAME_FORMAT(L"%I64d|%I64u|%I64x|%lld|%llu", -5000000000LL, 18446744073709551615ULL, 0x1234567890ULL,
                       -5000000000LL, 18446744073709551615ULL);
    EXPECT_SAME_FORMAT(L"%ld|%lu|%hd|%hu", 70000L, 70000UL, 70000, 70000);
    EXPECT_SAME_FORMAT(L"[%s][%ls][%ws][%hs][%S]", L"wide", L"wide", L"wide", "narrow", "narrow");
    EXPECT_SAME_FORMAT(L"[%10s][%-10s][%.3s][%10.3s][%.0s]", L"abc", L"abc", L"abcdef", L"abcdef", L"x");
    EXPECT_SAME_FORMAT(L"[%10hs][%-10hs][%.2hs]", "abc", "abc", "abcdef");
    EXPECT_SAME_FORMAT(L"[%c][%lc][%hc][%C][%3c]", L'w', L'w', 'n', 'n', L'x');
    EXPECT_SAME_FORMAT(L"%%|100%%|");
    // Floating point: msvcrt writes three exponent digits ("1.234568e+004") and rounds 0.5 away
    // from zero for "%.0f"; ours keeps the C standard's two digits and exact rounding, so report
    // files read the same on every platform. Those two are left out here.
    EXPECT_SAME_FORMAT(L"%f|%.2f|%8.3f|%-8.1f|%g|%.1f", 3.14159, 2.5, 1.0, 1.0, 0.0001, 0.3);
    EXPECT_SAME_FORMAT(L"%*d|%-*d|%.*f", 6, 7, 6, 7, 2, 1.23456);
    // Narrow text beyond ASCII: bytes of the ANSI code page, converted the same way.
    EXPECT_SAME_FORMAT(L"[%hs][%S]", "caf\xE9", "\xC4rger");
    EXPECT_SAME_FORMAT(L"[%s]", L"中文 Ärger Привет");
}

}  // namespace
