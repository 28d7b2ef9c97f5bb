// monitor-decode export and summary, run as a user runs them, over a small collected fleet: a host
// folder with scrambled and plain files and its own configuration, a bare MONDAT folder whose
// statistics are still in their XML form, and a host folder with a damaged and a foreign file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>
#ifdef MONITOR_HAVE_SQLITE
#include <sqlite3.h>
#endif

#include "store/Container.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/DirSnapshot.h"
#include "tests/support/MonitorConfigWriter.h"
#include "tests/support/MonitorTestAccess.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

struct Record {
    std::int32_t time, type, value1, value2;
};

std::string Records(const std::vector<Record>& records) {
    std::string bytes;
    for (const Record& record : records)
        for (std::int32_t field : {record.time, record.type, record.value1, record.value2})
            for (int shift = 0; shift < 32; shift += 8)
                bytes.push_back(static_cast<char>((static_cast<std::uint32_t>(field) >> shift) & 0xff));
    return bytes;
}

void Write(const fs::path& path, const std::string& bytes, bool scrambled = false) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    if (scrambled) {
        ASSERT_TRUE(ScrambleFile(path.string().c_str()));
    }
}

const std::string kStatistics =
    "[ROOT]\r\nStatisticsTime=360\r\nProcessMemoryPeakSize=35.128906\r\nProcessMemoryAverageSize=30.500000\r\n"
    "ProcessCPUAverageSize=4\r\nProcessCPUPeakSize=37\r\nShutDownCount=2\r\n"
    "[LogOn1]\r\nServerName=quotes-a.example\r\nTime=2022-11-20 09:30:01\r\nRetryTime=0\r\nIsProxy=false\r\n"
    "[LogOn2]\r\nServerName=quotes-b.example\r\nTime=2022-11-20 11:02:45\r\nRetryTime=3\r\nIsProxy=true\r\n";

const std::string kXmlStatistics =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<ROOT>\r\n<StatisticsTime>12</StatisticsTime>\r\n"
    "<ProcessMemoryPeakSize>50.000000</ProcessMemoryPeakSize>\r\n"
    "<ProcessMemoryAverageSize>41.250000</ProcessMemoryAverageSize>\r\n"
    "<LogOn><ServerName>quotes-a.example</ServerName><Time>08:00:00</Time><RetryTime>1</RetryTime>"
    "<IsProxy>false</IsProxy><TransInfo><Normal><Req1001><Description>Quote</Description><Sum>4</Sum>"
    "<Time>250</Time><SendSize>40</SendSize><RecvSize>900</RecvSize><SumNone>0</SumNone><TimeNone>0</TimeNone>"
    "<SendSizeNone>0</SendSizeNone><RecvSizeNone>0</RecvSizeNone></Req1001></Normal><Push/></TransInfo>"
    "</LogOn>\r\n</ROOT>\r\n";

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = scratch.Dir() / "fleet";
        // term1: a host folder with its own configuration.
        ASSERT_TRUE(
            WriteMonitorConfig(root / "term1", {{L"MenuCommand", 1, {{L"||系统|退出", 5}, {L"||File|Open", 7}}, {}},
                                                {L"Dialog", 4, {{L"Settings", 2}}, {}}}));
        const fs::path data1 = root / "term1" / "Data" / "MONDAT";
        Write(data1 / "DATC",
              "[ROOT]\r\nWindowsVersion=Debian 12\r\nRAMSize=4095 MB\r\nMacName1=eth0\r\n"
              "MacID1=00-11-22-33-44-55\r\n",
              true);
        Write(data1 / "DATB4706", kStatistics, true);
        // Three whole records and a part of one that a write cut short.
        log1 = Records({{93000, 1, 5, 0}, {-10101, 1, 7, 0}, {235959, 4, 2, 0}});
        Write(data1 / "DATA4706", log1 + std::string(5, '\x01'));
        // Not data files: a decoded copy, an interrupted container, a profile writer's leftover.
        Write(data1 / "DATA4706.xml", "<ROOT/>");
        Write(data1 / "DATB4706$", "KVRA");
        Write(data1 / "DATC.tmp12~", "[ROOT]\r\n");
        // term2: a bare MONDAT folder, no system information, no configuration.
        Write(root / "term2" / "MONDAT" / "DATB4707", kXmlStatistics);
        Write(root / "term2" / "MONDAT" / "DATA4707", Records({{120000, 1, 7, 0}, {120001, 9, 1, 2}}), true);
        // term3: a damaged container and a foreign file; its log is still read.
        const fs::path data3 = root / "term3" / "Data" / "MONDAT";
        Write(data3 / "DATB4705", std::string("KVRA\xff\x00\x00\x00", 8) + std::string(8, 'x'));
        Write(data3 / "DATB4706", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
        Write(data3 / "DATA4706", Records({{80000, 4, 2, 0}}));
        AgeFiles(root);
    }

    ChildResult Decode(std::vector<std::string> args) {
        args.insert(args.begin(), Utf8(Tool("monitor-decode")));
        return RunChild(args, scratch.Dir());
    }
    std::string Folder(const char* name) const { return Utf8(root / name); }

    static std::vector<json> Lines(const std::string& out) {
        std::vector<json> lines;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(json::parse(line));
        }
        return lines;
    }
    static std::vector<json> OfKind(const std::vector<json>& lines, const std::string& kind) {
        std::vector<json> result;
        for (const json& line : lines)
            if (line.at("kind") == kind) result.push_back(line);
        return result;
    }

    ScratchHost scratch;
    fs::path root;
    std::string log1;
};

TEST_F(ExportTest, EveryKindOfFileBecomesLinesWithTheFolderNames) {
    const ChildResult result = Decode({"export", Folder("term1"), Folder("term2") + "/MONDAT"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::vector<json> lines = Lines(result.out);

    const std::vector<json> operations = OfKind(lines, "operation");
    ASSERT_EQ(operations.size(), 5u);
    json first = json::parse(R"({"kind":"operation","machine":"00-11-22-33-44-55","file":"DATA4706","day":4706,)"
                             R"("date":"2022-11-20","time":"09:30:00","type":1,"value1":5,"value2":0,)"
                             R"("operation":"MenuCommand","value1_name":"||系统|退出"})");
    first["source"] = Folder("term1");
    EXPECT_EQ(operations[0], first);
    EXPECT_TRUE(operations[1].at("time").is_null());
    EXPECT_EQ(operations[1].at("value1_name"), "||File|Open");
    EXPECT_EQ(operations[2].at("operation"), "Dialog");
    EXPECT_FALSE(operations[2].contains("value2_name"));
    // The bare folder: named after the folder it was collected in, and no names without a configuration.
    EXPECT_EQ(operations[3].at("machine"), "term2");
    EXPECT_EQ(operations[3].at("date"), "2022-11-21");
    EXPECT_FALSE(operations[3].contains("operation"));

    const std::vector<json> statistics = OfKind(lines, "statistics");
    ASSERT_EQ(statistics.size(), 2u);
    EXPECT_EQ(statistics[0].at("form"), "profile");
    EXPECT_EQ(statistics[0].at("samples"), 360);
    EXPECT_DOUBLE_EQ(statistics[0].at("memory_peak_mb").get<double>(), 35.128906);
    EXPECT_EQ(statistics[0].at("cpu_peak_percent"), 37);
    EXPECT_EQ(statistics[0].at("shutdown_count"), 2);
    EXPECT_EQ(
        statistics[0].at("logons"),
        json::parse(R"([{"server":"quotes-a.example","time":"2022-11-20 09:30:01","retry_time":0,"is_proxy":false},
                              {"server":"quotes-b.example","time":"2022-11-20 11:02:45","retry_time":3,"is_proxy":true}])"));
    // The XML form: figures it does not hold yet stay null, not 0.
    EXPECT_EQ(statistics[1].at("form"), "xml");
    EXPECT_EQ(statistics[1].at("samples"), 12);
    EXPECT_TRUE(statistics[1].at("cpu_peak_percent").is_null());
    EXPECT_EQ(statistics[1].at("logons").size(), 1u);

    const std::vector<json> transmission = OfKind(lines, "transmission");
    ASSERT_EQ(transmission.size(), 1u);
    EXPECT_EQ(transmission[0].at("traffic"), "normal");
    EXPECT_EQ(transmission[0].at("request_type"), 1001);
    EXPECT_EQ(transmission[0].at("description"), "Quote");
    EXPECT_EQ(transmission[0].at("time_ms"), 250);
    EXPECT_EQ(transmission[0].at("recv_bytes"), 900);

    const std::vector<json> machines = OfKind(lines, "machine");
    ASSERT_EQ(machines.size(), 1u);
    EXPECT_EQ(machines[0].at("keys"), json::parse(R"({"WindowsVersion":"Debian 12","RAMSize":"4095 MB",)"
                                                  R"("MacName1":"eth0","MacID1":"00-11-22-33-44-55"})"));
}

TEST_F(ExportTest, GivenConfigurationNamesEveryFolder) {
    const ChildResult result =
        Decode({"export", "--config", Utf8(root / "term1" / "Config" / "MonitorConfig.xml"), Folder("term2")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::vector<json> operations = OfKind(Lines(result.out), "operation");
    ASSERT_EQ(operations.size(), 2u);
    EXPECT_EQ(operations[0].at("value1_name"), "||File|Open");
    EXPECT_FALSE(operations[1].contains("operation"));  // type 9 is not configured

    const ChildResult missing = Decode({"export", "--config", Utf8(root / "none.xml"), Folder("term2")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("none.xml: no such file"), std::string::npos) << missing.err;
}

TEST_F(ExportTest, UnreadableFilesAreReportedAndTheRestIsExported) {
    fs::create_directories(root / "empty");
    const ChildResult result =
        Decode({"export", Folder("term3"), Utf8(root / "nothere"), Folder("empty"), Folder("term1")});
    EXPECT_EQ(result.exitCode, 1);
    std::string err = result.err;
#ifdef _WIN32
    std::replace(err.begin(), err.end(), '\\', '/');
#endif
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 4) << err;
    EXPECT_NE(err.find("DATB4705: damaged container"), std::string::npos) << err;
    EXPECT_NE(err.find("DATB4706: not a statistics file"), std::string::npos) << err;
    EXPECT_NE(err.find("nothere: no such directory"), std::string::npos) << err;
    EXPECT_NE(err.find("empty: no data files"), std::string::npos) << err;
    const std::vector<json> lines = Lines(result.out);
    EXPECT_EQ(OfKind(lines, "operation").size(), 4u);
    EXPECT_EQ(OfKind(lines, "statistics").size(), 1u);
}

TEST_F(ExportTest, OutputFileIsWrittenWholeAndInputsStayAsTheyWere) {
    const DirSnapshot before = TakeSnapshot(root);
    const ChildResult toStdout = Decode({"export", Folder("term1"), Folder("term2")});
    ASSERT_EQ(toStdout.exitCode, 0) << toStdout.err;
    const fs::path output = scratch.Dir() / "out" / "fleet.jsonl";
    fs::create_directories(output.parent_path());
    Write(output, "old content\n");
    const ChildResult toFile = Decode({"export", "--output", Utf8(output), Folder("term1"), Folder("term2")});
    ASSERT_EQ(toFile.exitCode, 0) << toFile.err;
    EXPECT_EQ(toFile.out, "");
    std::ifstream in(output, std::ios::binary);
    std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(Lines(written), Lines(toStdout.out));
    EXPECT_EQ(std::distance(fs::directory_iterator(output.parent_path()), fs::directory_iterator()), 1);
    EXPECT_EQ(Decode({"summary", Folder("term1"), Folder("term2"), Folder("term3")}).exitCode, 1);
    EXPECT_EQ(TakeSnapshot(root), before);
}

TEST_F(ExportTest, SummaryCountsKindsValuesFiguresAndServers) {
    const ChildResult result = Decode({"summary", Folder("term1"), Folder("term2"), Folder("term3")});
    EXPECT_EQ(result.exitCode, 1);
    const std::string& out = result.out;
    for (const char* part : {"folders: 3, machines: 3\n", "days: 2, 2022-11-20 to 2022-11-21\n", "operations: 6\n",
                             "  MenuCommand (type 1): 3\n", "    2  ||File|Open (7)\n", "    1  ||系统|退出 (5)\n",
                             "  Dialog (type 4): 2\n", "  type 9 (type 9): 1\n",
                             "  memory peak: min 35.1 MB, median 42.6 MB, max 50.0 MB (2 files)\n",
                             "  CPU peak: min 37.0%, median 37.0%, max 37.0% (1 files)\n", "    2  quotes-a.example\n",
                             "    1  quotes-b.example\n", "not read: 2\n"})
        EXPECT_NE(out.find(part), std::string::npos) << part << "\n" << out;
}

TEST_F(ExportTest, BadUsageIsRefusedInOneLine) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
        {{"export"}, "export takes at least one FOLDER"},
        {{"export", "--bogus", "x"}, "unknown option --bogus"},
        {{"export", "--output"}, "--output takes a FILE"},
        {{"export", "--output", "a", "--sqlite", "b", "x"}, "--output and --sqlite exclude each other"},
        {{"summary", "--output", "a", "x"}, "unknown option --output"},
        {{"summary", "--config", "a", "--config", "b", "x"}, "--config given twice"},
    };
    for (const auto& [args, message] : rows) {
        SCOPED_TRACE(message);
        const ChildResult result = Decode(args);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err.rfind("monitor-decode: " + message, 0), 0u) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
    }
}

#ifdef MONITOR_HAVE_SQLITE
// One number from the database.
std::int64_t Query(const fs::path& db, const std::string& sql) {
    sqlite3* handle = nullptr;
    EXPECT_EQ(sqlite3_open_v2(Utf8(db).c_str(), &handle, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sqlite3_errmsg(handle);
    std::int64_t value = -1;
    if (sqlite3_step(statement) == SQLITE_ROW) value = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    sqlite3_close(handle);
    return value;
}
#endif

TEST_F(ExportTest, SqliteImportsEachFileOnceAndOnlyTheNewRecordsOfAGrownLog) {
#ifndef MONITOR_HAVE_SQLITE
    const ChildResult result = Decode({"export", "--sqlite", Utf8(scratch.Dir() / "fleet.db"), Folder("term1")});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "monitor-decode: this build has no SQLite support\n");
    GTEST_SKIP() << "SQLite export is built on Linux only";
#else
    const fs::path db = scratch.Dir() / "fleet.db";
    const std::vector<std::string> args = {"export", "--sqlite", Utf8(db), Folder("term1"), Folder("term2")};
    for (int run = 0; run < 2; ++run) {
        const ChildResult result = Decode(args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(Query(db, "SELECT count(*) FROM operations"), 5);
    EXPECT_EQ(Query(db, "SELECT count(*) FROM statistics"), 2);
    EXPECT_EQ(Query(db, "SELECT count(*) FROM logons"), 3);
    EXPECT_EQ(Query(db, "SELECT count(*) FROM transmission WHERE time_ms = 250"), 1);
    EXPECT_EQ(Query(db, "SELECT count(*) FROM machines"), 2);
    EXPECT_EQ(Query(db, "SELECT count(*) FROM machine_keys WHERE machine = '00-11-22-33-44-55'"), 4);
    EXPECT_EQ(Query(db, "SELECT count(*) FROM operations WHERE operation = 'MenuCommand' AND time IS NULL"), 1);

    // The log grows by two records and the statistics file is rewritten by a later run.
    const fs::path data1 = root / "term1" / "Data" / "MONDAT";
    Write(data1 / "DATA4706", log1 + Records({{100000, 1, 5, 0}, {100001, 1, 5, 0}}));
    Write(data1 / "DATB4706", "[ROOT]\r\nStatisticsTime=400\r\n", true);
    const ChildResult grown = Decode(args);
    ASSERT_EQ(grown.exitCode, 0) << grown.err;
    EXPECT_EQ(Query(db, "SELECT count(*) FROM operations"), 7);
    EXPECT_EQ(Query(db, "SELECT count(*) FROM operations WHERE value1_name = '||系统|退出'"), 3);
    EXPECT_EQ(Query(db, "SELECT records FROM files WHERE name = 'DATA4706'"), 5);
    EXPECT_EQ(Query(db, "SELECT count(*) FROM statistics"), 3);

    // Another log under the same name is refused, and nothing of it is imported.
    Write(data1 / "DATA4706",
          Records({{110000, 2, 2, 2}, {110000, 2, 2, 2}, {110000, 2, 2, 2}, {1, 2, 2, 2}, {1, 2, 3, 4}}));
    const ChildResult other = Decode(args);
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_NE(other.err.find("not the operation log imported before"), std::string::npos) << other.err;
    EXPECT_EQ(Query(db, "SELECT count(*) FROM operations"), 7);

    // A file that is not a database is left alone.
    Write(scratch.Dir() / "notes.db", "not a database, some notes\n");
    const ChildResult foreign = Decode({"export", "--sqlite", Utf8(scratch.Dir() / "notes.db"), Folder("term1")});
    EXPECT_EQ(foreign.exitCode, 1);
    EXPECT_NE(foreign.err.find("notes.db"), std::string::npos) << foreign.err;
#endif
}

}  // namespace
