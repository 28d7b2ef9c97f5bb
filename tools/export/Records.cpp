#include "tools/export/Records.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cwctype>

#include "host/Markup.h"
#include "platform/ProfileText.h"
#include "platform/TextConv.h"

const char* const kTransmissionCounterNames[8] = {"Sum",     "Time",     "SendSize",     "RecvSize",
                                                  "SumNone", "TimeNone", "SendSizeNone", "RecvSizeNone"};

const char* const kTransmissionFieldNames[8] = {
    "count",           "time_ms",           "send_bytes",           "recv_bytes",
    "count_no_serial", "time_ms_no_serial", "send_bytes_no_serial", "recv_bytes_no_serial"};

namespace {

std::string Narrow(const std::wstring& text) {
    return WideToNarrow(text);
}
std::string Narrow(const CString& text) {
    return WideToNarrow(text.str());
}

// Names compare as the profile reader compares them, without regard to case.
wchar_t Lower(wchar_t c) {
    if (c < 0x80) return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string Trimmed(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return "";
    return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

// A number of type T (a whole number or a decimal one) that is all of the (trimmed) text, or
// nothing.
template <typename T>
std::optional<T> NumberOf(const std::string& raw) {
    const std::string text = Trimmed(raw);
    T value = 0;
    const char* begin = text.data();
    if (!text.empty() && text[0] == '+') ++begin;
    const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || begin == end) return std::nullopt;
    return value;
}

std::optional<std::int64_t> WholeNumber(const std::string& raw) {
    return NumberOf<std::int64_t>(raw);
}

std::optional<double> DecimalNumber(const std::string& raw) {
    return NumberOf<double>(raw);
}

std::optional<bool> Flag(const std::string& raw) {
    std::string text = Trimmed(raw);
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (text == "true") return true;
    if (text == "false") return false;
    return std::nullopt;
}

// Sets the figure named `key` (one of the six of the statistics file's root); false for another key.
bool SetFigure(StatisticsContent& statistics, const std::wstring& key, const std::string& value) {
    if (SameName(key, L"StatisticsTime"))
        statistics.samples = WholeNumber(value);
    else if (SameName(key, L"ProcessMemoryPeakSize"))
        statistics.memoryPeakMb = DecimalNumber(value);
    else if (SameName(key, L"ProcessMemoryAverageSize"))
        statistics.memoryAverageMb = DecimalNumber(value);
    else if (SameName(key, L"ProcessCPUAverageSize"))
        statistics.cpuAveragePercent = WholeNumber(value);
    else if (SameName(key, L"ProcessCPUPeakSize"))
        statistics.cpuPeakPercent = WholeNumber(value);
    else if (SameName(key, L"ShutDownCount"))
        statistics.shutdownCount = WholeNumber(value);
    else
        return false;
    return true;
}

void SetLogonField(LogonEntry& logon, const std::wstring& key, const std::string& value) {
    if (SameName(key, L"ServerName"))
        logon.server = value;
    else if (SameName(key, L"Time"))
        logon.time = value;
    else if (SameName(key, L"RetryTime"))
        logon.retryTime = WholeNumber(value);
    else if (SameName(key, L"IsProxy"))
        logon.isProxy = Flag(value);
}

// A log-on section: "LogOn" and one character (LogOn1, LogOn2, ... LogOn:, ...).
bool IsLogonSection(const std::wstring& name) {
    return name.size() == 6 && SameName(name.substr(0, 5), L"LogOn");
}

// A profile value as the Windows reader gives it: without one pair of enclosing matching quotes.
std::string ProfileValue(const ProfileLine& line) {
    std::wstring value = line.value;
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return Narrow(value);
}

// An XML document begins with '<' after blanks (and a byte-order mark); a profile never does.
// UTF-16 text is decoded to tell; UTF-8 and other bytes are looked at as they are.
bool LooksLikeXml(const std::string& plain) {
    if (plain.size() >= 2 &&
        ((plain[0] == '\xff' && plain[1] == '\xfe') || (plain[0] == '\xfe' && plain[1] == '\xff'))) {
        const std::wstring text = DecodeText(plain);
        const size_t first = text.find_first_not_of(L" \t\r\n\xFEFF");
        return first != std::wstring::npos && text[first] == L'<';
    }
    size_t first = plain.compare(0, 3, "\xef\xbb\xbf") == 0 ? 3 : 0;
    first = plain.find_first_not_of(" \t\r\n", first);
    return first != std::string::npos && plain[first] == '<';
}

// Profile form: the six figures in [ROOT], then one section per log-on.
bool ParseStatisticsProfile(const std::string& plain, StatisticsContent& statistics, std::string& problem) {
    const ProfileDocument document = ParseProfileBytes(plain);
    enum { none, root, logon, other } section = none;
    bool seenRoot = false, known = false;
    for (const ProfileLine& line : document.lines) {
        if (line.kind == ProfileLine::Section) {
            if (SameName(line.name, L"ROOT")) {
                // Only the first [ROOT] counts, as for the profile reader.
                section = seenRoot ? other : root;
                seenRoot = true;
                known = true;
            } else if (IsLogonSection(line.name)) {
                section = logon;
                statistics.logons.emplace_back();
                known = true;
            } else {
                section = other;
            }
            continue;
        }
        if (line.kind != ProfileLine::Entry || !line.hasEquals) continue;
        if (section == root)
            SetFigure(statistics, line.name, ProfileValue(line));
        else if (section == logon)
            SetLogonField(statistics.logons.back(), line.name, ProfileValue(line));
    }
    if (!known) {
        problem = "not a statistics file (no [ROOT] or LogOn section)";
        return false;
    }
    statistics.form = "profile";
    return true;
}

// The value of the child `name` of the main position's element, or "" when it has none.
std::string ChildText(CMarkup& xml, const wchar_t* name) {
    xml.ResetChildPos();
    return xml.FindChildElem(name) ? Narrow(xml.GetChildData()) : std::string();
}

// TransInfo at the main position: Normal and Push, each with one Req<type> element per request type.
void ReadTransmission(CMarkup& xml, std::vector<TransmissionEntry>& entries) {
    if (!xml.IntoElem()) return;
    while (xml.FindElem()) {
        const std::wstring traffic = xml.GetTagName().str();
        const bool normal = SameName(traffic, L"Normal");
        if (!normal && !SameName(traffic, L"Push")) continue;
        if (!xml.IntoElem()) continue;
        while (xml.FindElem()) {
            const std::string name = Narrow(xml.GetTagName());
            if (name.size() <= 3 || name.compare(0, 3, "Req") != 0) continue;
            const std::optional<std::int64_t> type = WholeNumber(name.substr(3));
            if (!type) continue;
            TransmissionEntry entry;
            entry.traffic = normal ? "normal" : "push";
            entry.requestType = *type;
            entry.description = ChildText(xml, L"Description");
            for (int i = 0; i < 8; ++i) {
                xml.ResetChildPos();
                if (xml.FindChildElem(NarrowToWide(kTransmissionCounterNames[i]).c_str()))
                    entry.counters[i] = WholeNumber(Narrow(xml.GetChildData()));
            }
            entries.push_back(std::move(entry));
        }
        xml.OutOfElem();
    }
    xml.OutOfElem();
}

// The statistics file's first form: ROOT with the six figures as elements, then LogOn elements.
bool ParseStatisticsXml(const std::wstring& text, StatisticsContent& statistics, std::string& problem) {
    CMarkup xml;
    xml.SetDoc(text.c_str());  // a truncated document still gives what it holds
    if (!xml.FindElem(L"ROOT") || !xml.IntoElem()) {
        // An empty ROOT (the file as first created) has nothing to enter but is a statistics file.
        xml.ResetPos();
        if (xml.FindElem(L"ROOT")) {
            statistics.form = "xml";
            return true;
        }
        problem = "not a statistics file (no ROOT element)";
        return false;
    }
    while (xml.FindElem()) {
        const std::wstring tag = xml.GetTagName().str();
        if (SetFigure(statistics, tag, Narrow(xml.GetData()))) continue;
        if (SameName(tag, L"LogOn")) {
            LogonEntry logon;
            for (const wchar_t* key : {L"ServerName", L"Time", L"RetryTime", L"IsProxy"})
                SetLogonField(logon, key, ChildText(xml, key));
            statistics.logons.push_back(std::move(logon));
            xml.ResetChildPos();
            if (xml.FindChildElem(L"TransInfo")) {
                xml.IntoElem();
                ReadTransmission(xml, statistics.transmission);
                xml.OutOfElem();
            }
        } else if (SameName(tag, L"TransInfo")) {
            ReadTransmission(xml, statistics.transmission);
        }
    }
    statistics.form = "xml";
    return true;
}

// The system information file's XML form: leaves of ROOT by name; each adapter of "Mac" is an
// element named by its number, whose leaves get that number appended (MacName1, MacID1).
void ReadMachineXml(CMarkup& xml, MachineContent& machine, const std::string& suffix, bool adapters) {
    while (xml.FindElem()) {
        const std::string tag = Narrow(xml.GetTagName());
        const std::string data = Narrow(xml.GetData());
        if (!xml.IntoElem()) continue;
        if (!xml.FindElem()) {
            xml.OutOfElem();
            machine.emplace_back(tag + suffix, data);
            continue;
        }
        xml.ResetMainPos();
        ReadMachineXml(xml, machine, adapters ? tag : suffix, tag == "Mac");
        xml.OutOfElem();
    }
}

}  // namespace

std::optional<std::string> TimeOfDayText(std::int32_t timeOfDay) {
    int hour = 0, minute = 0, second = 0;
    if (!TimeOfDayParts(timeOfDay, hour, minute, second)) return std::nullopt;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
    return std::string(text);
}

std::optional<std::string> DateOfDay(std::int64_t day) {
    using namespace std::chrono;
    // Past about the year 9999 either way the date has no four-digit form.
    if (day < -800000 || day > 3000000) return std::nullopt;
    const year_month_day date{sys_days{year{2010} / January / 1} + days{day}};
    const int y = static_cast<int>(date.year());
    if (y < 0 || y > 9999) return std::nullopt;
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", y, static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()));
    return std::string(text);
}

bool ParseStatistics(const std::string& plain, StatisticsContent& statistics, std::string& problem) {
    statistics = StatisticsContent();
    if (LooksLikeXml(plain)) return ParseStatisticsXml(DecodeText(plain), statistics, problem);
    return ParseStatisticsProfile(plain, statistics, problem);
}

bool ParseMachine(const std::string& plain, MachineContent& machine, std::string& problem) {
    machine.clear();
    if (LooksLikeXml(plain)) {
        CMarkup xml;
        xml.SetDoc(DecodeText(plain).c_str());
        if (!xml.FindElem(L"ROOT")) {
            problem = "not a system information file (no ROOT element)";
            return false;
        }
        if (xml.IntoElem()) ReadMachineXml(xml, machine, "", false);
        return true;
    }
    const ProfileDocument document = ParseProfileBytes(plain);
    bool inRoot = false, seenRoot = false;
    std::vector<std::wstring> keys;
    for (const ProfileLine& line : document.lines) {
        if (line.kind == ProfileLine::Section) {
            inRoot = !seenRoot && SameName(line.name, L"ROOT");
            seenRoot = seenRoot || inRoot;
            continue;
        }
        if (!inRoot || line.kind != ProfileLine::Entry || !line.hasEquals) continue;
        // The first of a repeated key is the one the profile reader finds.
        bool repeated = false;
        for (const std::wstring& key : keys) repeated = repeated || SameName(key, line.name);
        if (repeated) continue;
        keys.push_back(line.name);
        machine.emplace_back(Narrow(line.name), ProfileValue(line));
    }
    if (!seenRoot) {
        problem = "not a system information file (no [ROOT] section)";
        return false;
    }
    return true;
}

std::string MachineIdentity(const MachineContent& machine) {
    for (const auto& [key, value] : machine)
        if (SameName(NarrowToWide(key), L"MacID1") && !Trimmed(value).empty()) return Trimmed(value);
    return "";
}
