// The data directory, the day files of a run and their clean-up.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>

#include "platform/File.h"
#include "platform/TextConv.h"
#include "tests/support/MonitorTestAccess.h"
#include "tests/support/OpLogTestUtil.h"

namespace fs = std::filesystem;

namespace {

void Touch(const fs::path& path, const std::string& content = "x") {
    std::ofstream(path, std::ios::binary) << content;
}

std::set<std::string> FileNames(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
    return names;
}

// The path in wide text, from its UTF-8 form (std::filesystem's narrow form follows the locale on
// Windows, and NarrowToWide reads UTF-8).
CString WidePath(const fs::path& path) {
    const std::u8string utf8 = path.u8string();
    return NarrowToWide(std::string(utf8.begin(), utf8.end()));
}

bool IsContainer(const fs::path& path) {
    return ReadAll(path).compare(0, 4, "KVRA") == 0;
}

void RecordMenuCommand(CMonitorControl& monitor) {
    OperationCode code;
    code.nType = 1;
    MonitorTestAccess::m_mapOperationByName(monitor)[L"MenuCommand"] = code;
    MonitorTestAccess::WriteOperation(monitor, L"MenuCommand", L"0", L"0");
}

class DayFiles : public ::testing::Test {
protected:
    ScratchHost scratch;
    TestClock clock;
};

TEST_F(DayFiles, CleanUpKeepsSevenDaysAndOnlyRemovesDayFiles) {
    fs::create_directories(scratch.DataDir());
    // Names in an order that puts a numberless day-file name right after numbered ones: no
    // number read for an earlier name may be reused for it. The lower-case "data4001" differs
    // from every removed name by more than case: on Windows names that differ only in case are
    // one file.
    const char* removedOn4706[] = {"DATA4698", "DATB4698", "DATA4000", "DATA-3", "DATB 4690"};
    const char* keptOn4706[] = {"DATA4699", "DATB4699", "DATA4706", "DATB4700.xml", "DATAxyz",        "DATB",
                                "DATC",     "SPEED",    "data4001", "notes.txt",    "DATA99999999999"};
    for (const char* name : removedOn4706) Touch(scratch.DataDir() / name);
    for (const char* name : keptOn4706) Touch(scratch.DataDir() / name);

    clock.SetDay(4706);
    auto monitor = std::make_unique<CMonitorControl>(true);
    MonitorTestAccess::CleanUpFile(*monitor);
    std::set<std::string> expected(std::begin(keptOn4706), std::end(keptOn4706));
    EXPECT_EQ(FileNames(scratch.DataDir()), expected);

    // Day 4708: DATB4700.xml and DATA4699/DATB4699 are now more than seven days old.
    clock.SetDay(4708);
    MonitorTestAccess::CleanUpFile(*monitor);
    for (const char* gone : {"DATB4700.xml", "DATA4699", "DATB4699"}) expected.erase(gone);
    EXPECT_EQ(FileNames(scratch.DataDir()), expected);
}

TEST_F(DayFiles, RunCreatesTheDaysFilesAndTheNextRunOfTheDayAppends) {
    clock.SetDay(4706);
    const fs::path opLog = scratch.DataDir() / "DATA4706";
    const fs::path stat = scratch.DataDir() / "DATB4706";

    auto first = std::make_unique<CMonitorControl>(false);
    EXPECT_TRUE(MonitorTestAccess::m_bOpLogOpen(*first));
    EXPECT_EQ(*MonitorTestAccess::m_pstrOpLogFile(*first),
              NarrowToWide(scratch.Dir().string()) + L"\\Data\\MONDAT\\DATA4706");
    EXPECT_EQ(*MonitorTestAccess::m_pstrSysInfoFile(*first),
              NarrowToWide(scratch.Dir().string()) + L"\\Data\\MONDAT\\DATC");
    EXPECT_EQ(*MonitorTestAccess::m_pstrSpeedFile(*first),
              NarrowToWide(scratch.Dir().string()) + L"\\Data\\MONDAT\\SPEED");
    ASSERT_TRUE(fs::exists(stat));
    EXPECT_TRUE(IsContainer(stat));

    // While the run holds the log, nobody else can open it.
    CFile other;
    CFileException error;
    EXPECT_FALSE(other.Open(NarrowToWide(opLog.string()), CFile::modeRead | CFile::shareDenyNone, &error));
    EXPECT_EQ(error.m_cause, CFileException::sharingViolation);

    RecordMenuCommand(*first);
    // The shutdown scramble cannot open the log it still holds, so the log stays plain.
    ::testing::internal::CaptureStdout();
    first.reset();
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("DATA4706 could not be opened 11\n"), std::string::npos) << printed;
    const std::string afterFirst = ReadAll(opLog);
    ASSERT_EQ(afterFirst.size(), 16u);
    EXPECT_FALSE(IsContainer(opLog));

    // A later run of the same day: the statistics file is found, the log is appended to.
    clock.Advance(3600);
    auto second = std::make_unique<CMonitorControl>(false);
    EXPECT_TRUE(MonitorTestAccess::m_bOpLogOpen(*second));
    EXPECT_TRUE(IsContainer(stat));
    RecordMenuCommand(*second);
    ::testing::internal::CaptureStdout();
    second.reset();
    ::testing::internal::GetCapturedStdout();
    const std::string afterSecond = ReadAll(opLog);
    ASSERT_EQ(afterSecond.size(), 32u);
    EXPECT_EQ(afterSecond.substr(0, 16), afterFirst);
    EXPECT_EQ(ReadRecords(opLog).at(1).nTimeOfDay, ReadRecords(opLog).at(0).nTimeOfDay + 10000);
}

TEST_F(DayFiles, DataDirectoryOfALongPathIsCreated) {
    // Deep, non-ASCII and far longer than the classic 100-byte and 260-character limits. The
    // folder names are given as UTF-8 (char8_t) text, the one narrow form that std::filesystem
    // reads the same way on every platform, and the monitor gets the same path in wide text.
    fs::path deep = scratch.Dir();
    for (int i = 0; i < 12; ++i) {
        const std::string number = std::to_string(i);
        deep /= u8"终端安装目录-" + std::u8string(number.begin(), number.end()) + u8"-abcdefghijklmnop";
    }
    fs::create_directories(deep);
    const CString deepText = WidePath(deep);
    SetExecutableDirOverride(deepText);
    clock.SetDay(5000);
    ::testing::internal::CaptureStdout();
    {
        CMonitorControl monitor(false);
        EXPECT_TRUE(MonitorTestAccess::m_bOpLogOpen(monitor));
    }
    ::testing::internal::GetCapturedStdout();
    // Asked through the platform layer, which reaches paths beyond the classic limit on Windows
    // too (std::filesystem of the Windows C runtime stops at it).
    EXPECT_TRUE(PathFileExists(deepText + L"\\Data\\MONDAT\\DATA5000"));
    EXPECT_TRUE(PathFileExists(deepText + L"\\Data\\MONDAT\\DATB5000"));
}

TEST_F(DayFiles, FailedLocalTimeConversionLeavesTheConstructor) {
    clock.SetDay(4706);
    SetLocalTimeFailureForTesting(true);
    EXPECT_THROW(CMonitorControl monitor(false), std::invalid_argument);
    EXPECT_FALSE(fs::exists(scratch.DataDir()));
    // An offline object never computes a day number.
    EXPECT_NO_THROW(CMonitorControl offline(true));
}

}  // namespace
