// Helpers for tests of the day files and the operation log: a settable clock behind the
// platform's time seam, and a reader of operation log records.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "platform/System.h"
#include "shell/MonitorTypes.h"

#include "tests/support/FileBytes.h"
#include "tests/support/MonitorTestAccess.h"

// Replaces the platform's clock for the life of the object; restores it afterwards.
class TestClock {
public:
    TestClock() {
        SetCurrentTimeForTesting([this] { return m_now.load(); });
    }
    ~TestClock() {
        SetCurrentTimeForTesting(nullptr);
        SetLocalTimeFailureForTesting(false);
    }
    void Set(std::int64_t t) { m_now = t; }
    void Advance(std::int64_t seconds) { m_now += seconds; }
    std::int64_t Now() const { return m_now; }
    // Sets the clock to a local calendar time.
    void SetLocal(int year, int month, int day, int hour, int minute, int second) {
        std::int64_t t = 0;
        ASSERT_TRUE(FromLocalTime(LocalTimeParts{year, month, day, hour, minute, second}, t));
        m_now = t;
    }
    // Sets the clock to noon of day `dayNumber` counted from local midnight of 2010-01-01.
    void SetDay(std::int64_t dayNumber) {
        std::int64_t origin = 0;
        ASSERT_TRUE(FromLocalTime(LocalTimeParts{2010, 1, 1, 0, 0, 0}, origin));
        m_now = origin + dayNumber * 86400 + 12 * 3600;
    }

private:
    std::atomic<std::int64_t> m_now{0};
};

inline std::int32_t LittleEndianInt32(const std::string& bytes, size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return static_cast<std::int32_t>(value);
}

// The records of an operation log; a test fails when the file is not a whole number of records.
inline std::vector<OperationRecord> ReadRecords(const std::filesystem::path& path) {
    // A log that exists but cannot be opened would otherwise read as "no records".
    if (std::filesystem::exists(path)) {
        EXPECT_TRUE(std::ifstream(path, std::ios::binary).is_open()) << path << " exists but cannot be read";
    }
    const std::string bytes = ReadAll(path);
    EXPECT_EQ(bytes.size() % sizeof(OperationRecord), 0u) << path;
    std::vector<OperationRecord> records;
    for (size_t at = 0; at + 16 <= bytes.size(); at += 16)
        records.push_back({LittleEndianInt32(bytes, at), LittleEndianInt32(bytes, at + 4),
                           LittleEndianInt32(bytes, at + 8), LittleEndianInt32(bytes, at + 12)});
    return records;
}

// Closes the operation log that `monitor` holds, as the monitor's shutdown closes it; the
// monitor's next record reopens it and appends. The monitor holds its log open without sharing,
// which on Windows keeps every reader out, so a test reads the log only after this.
inline void CloseOperationLog(CMonitorControl& monitor) {
    std::lock_guard<std::mutex> lock(MonitorTestAccess::m_mtxOpLog(monitor));
    if (MonitorTestAccess::m_bOpLogOpen(monitor)) {
        MonitorTestAccess::m_fileOpLog(monitor).Abort();
        MonitorTestAccess::m_bOpLogOpen(monitor) = false;
    }
}

// The records of the operation log at `path` that `monitor` writes to.
inline std::vector<OperationRecord> ReadMonitorLog(CMonitorControl& monitor, const std::filesystem::path& path) {
    CloseOperationLog(monitor);
    return ReadRecords(path);
}

inline bool operator==(const OperationRecord& a, const OperationRecord& b) {
    return a.nTimeOfDay == b.nTimeOfDay && a.nType == b.nType && a.nValue1 == b.nValue1 && a.nValue2 == b.nValue2;
}

inline void PrintTo(const OperationRecord& r, std::ostream* os) {
    *os << "{" << r.nTimeOfDay << ", " << r.nType << ", " << r.nValue1 << ", " << r.nValue2 << "}";
}
