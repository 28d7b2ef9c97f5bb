// monitor-decode show: prints what a host's data directory holds and leaves every file of it as
// it was, scrambled files and `$` leftovers included.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "store/Container.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/DirSnapshot.h"
#include "tests/support/MonitorTestAccess.h"

namespace fs = std::filesystem;

namespace {

std::string Records(std::initializer_list<OperationRecord> records) {
    std::string bytes;
    for (const OperationRecord& r : records)
        for (std::int32_t v : {r.nTimeOfDay, r.nType, r.nValue1, r.nValue2})
            for (int i = 0; i < 4; ++i) bytes += static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    return bytes;
}

void Write(const fs::path& path, const std::string& bytes, bool scrambled = false) {
    std::ofstream(path, std::ios::binary) << bytes;
    if (scrambled) {
        ASSERT_TRUE(ScrambleFile(path.string().c_str())) << path;
    }
}

}  // namespace

TEST(DecodeShow, PrintsTheDataDirectoryAndChangesNoFileThere) {
    ScratchHost scratch;
    const fs::path data = scratch.DataDir();
    fs::create_directories(data);
    fs::create_directories(scratch.Dir() / "Config");
    fs::copy_file(SampleHostDir() / "Config" / "MonitorConfig.xml", scratch.Dir() / "Config" / "MonitorConfig.xml");
    // Codes of the sample configuration: menu item 13 is "||行情|自选股", command 1 "QuoteList" with
    // argument 1 "SHSZA".
    Write(data / "DATA6186", Records({{93000, 1, 13, 0}, {93005, 7, 1, 1}}));
    Write(data / "DATA6185", Records({{150000, 1, 5, 0}}), true);
    Write(data / "DATB6186", "[ROOT]\r\nStatisticsTime=42\r\n", true);
    Write(data / "DATB6185",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ROOT><StatisticsTime>7</StatisticsTime></ROOT>\n");
    Write(data / "DATC", "[ROOT]\r\nCPUName=Test Processor\r\n", true);
    Write(data / "DATB6186$", std::string("KVRA\x10\0\0\0half-wri", 16));
    AgeFiles(scratch.Dir());
    const DirSnapshot before = TakeSnapshot(scratch.Dir());

    const ChildResult result = RunChild({Utf8(Tool("monitor-decode")), "show", Utf8(scratch.Dir())});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    for (const char* shown :
         {"== DATA6185: operation log, 24 bytes, scrambled ==", "||系统|退出",
          "== DATA6186: operation log, 32 bytes ==", "2 records", "||行情|自选股", "<value1>QuoteList</value1>",
          "<value2>SHSZA</value2>", "<StatisticsTime>7</StatisticsTime>", "StatisticsTime=42", "CPUName=Test Processor",
          "== DATB6186$: interrupted container file"})
        EXPECT_NE(result.out.find(shown), std::string::npos) << shown << "\n" << result.out;

    const DirSnapshot after = TakeSnapshot(scratch.Dir());
    EXPECT_EQ(after.listing, before.listing);
    EXPECT_TRUE(after.contents == before.contents);
}
