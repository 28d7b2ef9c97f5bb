// Win32 backend of the declared character sets: the Windows code page of the set, converted with
// MultiByteToWideChar (native/CodePage.h).
#include <cstdint>
#include <string>

#include "platform/CharsetDecode.h"
#include "platform/win/native/CodePage.h"

namespace {

// Names of the sets (as XML declarations and iconv spell them, in upper case) and their code
// pages. GB2312 arrives here as GBK already (DecodeText reads GB2312 files as GBK).
struct NamedCodePage {
    const char* name;
    std::uint32_t codePage;
};
constexpr NamedCodePage kCodePages[] = {
    {"GBK", 936},      {"CP936", 936},    {"MS936", 936},  {"WINDOWS-936", 936},    {"GB18030", 54936},
    {"BIG5", 950},     {"BIG-5", 950},    {"CP950", 950},  {"SHIFT_JIS", 932},      {"SHIFT-JIS", 932},
    {"SJIS", 932},     {"MS_KANJI", 932}, {"CP932", 932},  {"WINDOWS-31J", 932},    {"EUC-JP", 20932},
    {"EUC-KR", 949},   {"CP949", 949},    {"UHC", 949},    {"KS_C_5601-1987", 949}, {"KOI8-R", 20866},
    {"KOI8-U", 21866}, {"LATIN1", 28591}, {"L1", 28591},   {"IBM437", 437},         {"CP437", 437},
    {"IBM850", 850},   {"CP850", 850},    {"IBM866", 866}, {"CP866", 866},          {"TIS-620", 874},
};

// The number that follows `prefix` at the start of `name`, or -1 when `name` is not the prefix
// followed by one to five digits.
long NumberAfter(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 5 || name.compare(0, prefix.size(), prefix) != 0)
        return -1;
    long value = 0;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        value = value * 10 + (name[i] - '0');
    }
    return value;
}

// The code page of a set, or 0 when the set has none.
std::uint32_t CodePageOf(const std::string& charset) {
    for (const auto& entry : kCodePages)
        if (charset == entry.name) return entry.codePage;
    // windows-874 and windows-1250 ... windows-1258 (also spelled CP1252).
    for (const char* prefix : {"WINDOWS-", "CP"}) {
        const long page = NumberAfter(charset, prefix);
        if (page == 874 || (page >= 1250 && page <= 1258)) return static_cast<std::uint32_t>(page);
    }
    // ISO-8859-n: code pages 28591 ... 28599, 28603 (part 13) and 28605 (part 15).
    for (const char* prefix : {"ISO-8859-", "ISO8859-", "ISO_8859-"}) {
        const long part = NumberAfter(charset, prefix);
        if ((part >= 1 && part <= 9) || part == 13 || part == 15) return static_cast<std::uint32_t>(28590 + part);
    }
    return 0;
}

}  // namespace

bool DecodeCharset(const std::string& bytes, const std::string& charset, std::wstring& result) {
    const std::uint32_t codePage = CodePageOf(charset);
    if (codePage == 0 || !native::IsValidCodePage(codePage)) return false;
    std::uint32_t error = 0;
    std::wstring text = native::CodePageToWide(codePage, bytes, error);
    if (error != 0) return false;
    result = std::move(text);
    return true;
}
