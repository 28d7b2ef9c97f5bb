// The command-line tools touch only the files they are asked to: no fixed temporary path, no link
// followed that they did not expect, no sweep of a host's data folder (a running terminal may own
// the files there), and a damaged container is named as damaged, not shown as content.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/Container.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/DirSnapshot.h"
#include "tests/support/MonitorTestAccess.h"

namespace fs = std::filesystem;

namespace {

std::string Record(std::int32_t time, std::int32_t type, std::int32_t value1, std::int32_t value2) {
    std::string bytes;
    for (std::int32_t v : {time, type, value1, value2})
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    return bytes;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The environment that points a child's temporary directory at `tmp` on both platforms.
ChildEnvironment TempAt(const fs::path& tmp) {
    return {{"TMPDIR", Utf8(tmp)}, {"TMP", Utf8(tmp)}, {"TEMP", Utf8(tmp)}};
}

}  // namespace

TEST(ToolsSafety, ToolsChangeOnlyTheFilesTheyNameAndFollowNoPlantedLink) {
    ScratchHost scratch;
    const fs::path work = scratch.Dir();

    // A host folder in use: its data folder holds, besides the day's files, a container being
    // written ("$") and a document being saved ("*.tmp*~"), both a running terminal's own.
    const fs::path host = work / "host";
    fs::copy(SampleHostDir(), host, fs::copy_options::recursive);
    const fs::path data = host / "Data" / "MONDAT";
    fs::create_directories(data);
    // Menu item 13 and command 1 with argument 1 are named by the sample configuration.
    std::ofstream(data / "DATA6186", std::ios::binary) << Record(93000, 1, 13, 0) + Record(93005, 7, 1, 1);
    std::ofstream(data / "DATC", std::ios::binary) << "[ROOT]\r\nCPUName=Test Processor\r\n";
    ASSERT_TRUE(ScrambleFile((data / "DATC").string().c_str()));
    std::ofstream(data / "DATB6186$", std::ios::binary) << std::string("KVRA\x10\0\0\0half-wri", 16);
    std::ofstream(data / "DATB6186.tmp77-0~") << "<ROOT>";

    // Somebody else's files, and a temporary directory where links to them are planted under
    // the names a careless tool would use.
    const fs::path victim = work / "victim";
    fs::create_directories(victim / "Data" / "MONDAT");
    std::ofstream(victim / "Data" / "MONDAT" / "DATB1$") << "not the tool's";
    std::ofstream(victim / "Data" / "MONDAT" / "DATA1.tmp1~") << "not the tool's";
    std::ofstream(victim / "notes") << "not the tool's";
    const fs::path tmp = work / "tmp";
    fs::create_directories(tmp);
    std::error_code linkError;
    fs::create_directory_symlink(victim, tmp / "monitor-decode-unscramble", linkError);
    if (!linkError) fs::create_symlink(victim / "notes", data / "DATA6185.xml", linkError);
    const bool linked = !linkError;

    AgeFiles(victim);
    const DirSnapshot victimBefore = TakeSnapshot(victim);
    const DirSnapshot tmpBefore = TakeSnapshot(tmp);
    const std::string leftover = ReadFile(data / "DATB6186$");
    const std::string saving = ReadFile(data / "DATB6186.tmp77-0~");
    const ChildEnvironment env = TempAt(tmp);

    ChildResult result = RunChild({Utf8(Tool("monitor-decode")), "unscramble", Utf8(data / "DATC")}, {}, 60000, env);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(data / "DATC"), "[ROOT]\r\nCPUName=Test Processor\r\n");

    result = RunChild({Utf8(Tool("monitor-decode")), "oplog", Utf8(data / "DATA6186"), "--host", Utf8(host)}, {}, 60000,
                      env);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("DATA6186.xml: 2 records decoded"), std::string::npos) << result.out;
    EXPECT_NE(ReadFile(data / "DATA6186.xml").find("QuoteList"), std::string::npos);

    if (linked) {
        std::ofstream(data / "DATA6185", std::ios::binary) << Record(93000, 1, 13, 0);
        result = RunChild({Utf8(Tool("monitor-decode")), "oplog", Utf8(data / "DATA6185"), "--host", Utf8(host)}, {},
                          60000, env);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.err.find("DATA6185.xml: a link; not written through"), std::string::npos) << result.err;
        fs::remove(data / "DATA6185.xml");
        fs::remove(data / "DATA6185");
    }

    result = RunChild({Utf8(Tool("monitor-decode")), "show", Utf8(host)}, {}, 60000, env);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("CPUName=Test Processor"), std::string::npos) << result.out;

    result = RunChild({Utf8(Tool("monitor-mapping")), Utf8(host)}, {}, 60000, env);
    EXPECT_EQ(result.exitCode, 0) << result.err;

    EXPECT_EQ(ReadFile(data / "DATB6186$"), leftover);
    EXPECT_EQ(ReadFile(data / "DATB6186.tmp77-0~"), saving);
    EXPECT_EQ(TakeSnapshot(victim), victimBefore);
    // Every scratch folder is gone again.
    EXPECT_EQ(TakeSnapshot(tmp).listing, tmpBefore.listing);
}

TEST(ToolsSafety, ShowNamesADamagedContainerAndGoesOn) {
    ScratchHost scratch;
    const fs::path data = scratch.DataDir();
    fs::create_directories(data);
    // The magic, then a length field of 4096 bytes over 8 bytes of content; and a length of 3
    // over a size that is no multiple of 8.
    std::ofstream(data / "DATB6186", std::ios::binary) << std::string("KVRA\x00\x10\0\0secret!!", 16);
    std::ofstream(data / "DATB6185", std::ios::binary) << std::string("KVRA\x03\0\0\0abcde", 13);
    std::ofstream(data / "DATC", std::ios::binary) << "[ROOT]\r\nCPUName=Test Processor\r\n";
    const DirSnapshot before = TakeSnapshot(scratch.Dir());

    const ChildResult result = RunChild({Utf8(Tool("monitor-decode")), "show", Utf8(scratch.Dir())});
    EXPECT_EQ(result.exitCode, 1);
    for (const char* shown : {"== DATB6185: statistics, 13 bytes, damaged container",
                              "== DATB6186: statistics, 16 bytes, damaged container", "CPUName=Test Processor"})
        EXPECT_NE(result.out.find(shown), std::string::npos) << shown << "\n" << result.out;
    EXPECT_EQ(result.out.find("secret"), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("2 file(s) could not be read or decoded"), std::string::npos) << result.err;
    EXPECT_EQ(TakeSnapshot(scratch.Dir()), before);
}

TEST(ToolsSafety, HostScriptSavedWithAByteOrderMarkPlays) {
    ScratchHost scratch;
    const fs::path host = scratch.Dir() / "installed";
    CopyHostInstallation(host, SampleHostDir());
    std::ofstream(host / "bom.txt", std::ios::binary) << "\xEF\xBB\xBFpopup\r\ndownload 812\r\n";
    const ChildResult result = RunChild({Utf8(host / "monitor-host"), Utf8(host / "bom.txt")});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("published 2 messages"), std::string::npos) << result.out;
}
