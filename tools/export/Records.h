// The content of the monitor's data files as plain values: the operation log's records, the
// statistics file (profile form or its first XML form) and the system information file. Pure
// functions over bytes already read (and unscrambled), so they can be tested and fuzzed without
// files. Every text is UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One 16-byte record of an operation log: four little-endian int32.
struct OperationEntry {
    std::int32_t timeOfDay = 0;  // hour * 10000 + minute * 100 + second, as stored
    std::int32_t type = 0;
    std::int32_t value1 = 0;
    std::int32_t value2 = 0;
};
constexpr std::size_t kOperationRecordSize = 16;

// The whole records of a log; a trailing part shorter than a record is not one.
inline std::size_t OperationCount(std::string_view log) {
    return log.size() / kOperationRecordSize;
}
// Record `index` (< OperationCount): inline, since an export reads each of millions of records.
inline OperationEntry OperationAt(std::string_view log, std::size_t index) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(log.data()) + index * kOperationRecordSize;
    const auto field = [bytes](int at) {
        return static_cast<std::int32_t>(
            static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
            (static_cast<std::uint32_t>(bytes[at + 2]) << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24));
    };
    return {field(0), field(4), field(8), field(12)};
}

// The hour, minute and second of a stored time of day; false when it is not one (a record whose
// clock could not be read holds -1 parts).
inline bool TimeOfDayParts(std::int32_t timeOfDay, int& hour, int& minute, int& second) {
    if (timeOfDay < 0) return false;
    hour = timeOfDay / 10000;
    minute = timeOfDay / 100 % 100;
    second = timeOfDay % 100;
    return hour <= 23 && minute <= 59 && second <= 59;
}
// "HH:MM:SS" of a stored time of day, or nothing when it is not one.
std::optional<std::string> TimeOfDayText(std::int32_t timeOfDay);
// "YYYY-MM-DD" of day number `day` (days since 2010-01-01), or nothing past the year 9999.
std::optional<std::string> DateOfDay(std::int64_t day);

struct LogonEntry {
    std::string server;
    std::string time;
    std::optional<std::int64_t> retryTime;
    std::optional<bool> isProxy;
};

// One request type of the transmission statistics kept under the last log-on.
struct TransmissionEntry {
    std::string traffic;  // "normal" (request and reply) or "push"
    std::int64_t requestType = 0;
    std::string description;
    // Sum, Time, SendSize, RecvSize, SumNone, TimeNone, SendSizeNone, RecvSizeNone.
    std::optional<std::int64_t> counters[8];
};
extern const char* const kTransmissionCounterNames[8];
// The counters' names in the export (JSON fields, SQLite columns), in the same order.
extern const char* const kTransmissionFieldNames[8];

// A figure missing from the file, or one that is not a number, stays empty: it is never made 0.
struct StatisticsContent {
    std::string form;  // "profile" or "xml"
    std::optional<std::int64_t> samples;
    std::optional<double> memoryPeakMb;
    std::optional<double> memoryAverageMb;
    std::optional<std::int64_t> cpuAveragePercent;
    std::optional<std::int64_t> cpuPeakPercent;
    std::optional<std::int64_t> shutdownCount;
    std::vector<LogonEntry> logons;
    std::vector<TransmissionEntry> transmission;
};

// False, with the reason in `problem`, when the text is neither form (no [ROOT] or LogOn section,
// no ROOT element): a file of another kind under the statistics file's name.
bool ParseStatistics(const std::string& plain, StatisticsContent& statistics, std::string& problem);

// Every key of the system information file, in file order (the XML form's leaves by name, the
// adapters' as MacName1, MacID1, ...).
using MachineContent = std::vector<std::pair<std::string, std::string>>;
bool ParseMachine(const std::string& plain, MachineContent& machine, std::string& problem);
// The machine's identity: its first adapter's address (MacID1), or "" when it has none.
std::string MachineIdentity(const MachineContent& machine);
