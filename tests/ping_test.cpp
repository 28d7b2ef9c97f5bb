// Ping: reading the ping command's output, splitting command lines the Windows way, running the
// command without a shell and with a time limit, and which server texts may be pinged.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/Process.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "speedtest/PingOutput.h"
#include "speedtest/ServerText.h"
#include "speedtest/SpeedTestSettings.h"
#include "tests/support/MonitorTestAccess.h"

namespace {

using A = MonitorTestAccess;

TEST(PingOutput, ResultsAndCodes) {
    struct Case {
        const wchar_t* name;
        std::wstring output;
        int expected;
    };
    const std::wstring windowsReply =
        L"\r\nPinging 192.0.2.7 with 32 bytes of data:\r\nReply from 192.0.2.7: bytes=32 time=12ms TTL=57\r\n\r\n"
        L"Ping statistics for 192.0.2.7:\r\n    Packets: Sent = 1, Received = 1, Lost = 0 (0% loss),\r\n"
        L"Approximate round trip times in milli-seconds:\r\n    Minimum = 12ms, Maximum = 12ms, Average = 12ms\r\n";
    const std::wstring linuxReply =
        L"PING 192.0.2.7 (192.0.2.7) 56(84) bytes of data.\n64 bytes from 192.0.2.7: icmp_seq=1 ttl=57 time=12.5 ms\n\n"
        L"--- 192.0.2.7 ping statistics ---\n1 packets transmitted, 1 received, 0% packet loss, time 0ms\n"
        L"rtt min/avg/max/mdev = 12.512/12.512/12.512/0.000 ms\n";
    const Case cases[] = {
        {L"windows summary", windowsReply, 12},
        {L"timed out with an Average line", L"Request timed out.\r\n" + windowsReply, -1},
        {L"source quench", L"Reply from 192.0.2.1: Source quench received.\r\n", -2},
        {L"posix source quench", L"From 192.0.2.1 icmp_seq=1 Source Quench\n", -2},
        {L"no Average (localized output)", L"正在 Ping 192.0.2.7 具有 32 字节的数据:\r\n平均 = 12ms\r\n", -3},
        {L"Average that does not read", L"    Minimum = 1ms, Maximum = 1ms, Average = ?ms\r\n", -1},
        {L"negative Average", L"Average = -5ms", -1},
        {L"negative zero Average", L"Average = -0ms", 0},
        {L"huge Average", L"Average = 99999999999ms", -1},
        {L"Average without blanks or unit", L"Average=7", 7},
        {L"linux summary", linuxReply, 13},
        {L"linux below half a millisecond", L"rtt min/avg/max/mdev = 0.045/0.049/0.052/0.003 ms\n", 0},
        {L"busybox summary", L"round-trip min/avg/max = 1.2/3.4/5.6 ms\n", 3},
        {L"linux summary cut short", L"rtt min/avg/max/mdev = 0.045", -1},
        {L"linux summary with garbage", L"rtt min/avg/max/mdev = a/b/c/d ms\n", -1},
        {L"linux, every packet lost",
         L"--- 192.0.2.9 ping statistics ---\n1 packets transmitted, 0 received, 100% packet loss, time 0ms\n", -1},
        {L"unknown host", L"ping: nosuchhost: Name or service not known\n", -3},
        {L"empty", L"", -3},
    };
    for (const auto& c : cases) EXPECT_EQ(ParsePingOutput(c.output), c.expected) << c.name;
}

TEST(CommandLine, SplitsLikeTheWindowsProcessStart) {
    struct Case {
        const wchar_t* line;
        std::vector<std::wstring> args;
    };
    const Case cases[] = {
        {L"ping -c 1 192.0.2.7", {L"ping", L"-c", L"1", L"192.0.2.7"}},
        {L"  \tping   -n\t1  ", {L"ping", L"-n", L"1"}},
        {L"\"C:\\Program Files\\p.exe\" a", {L"C:\\Program Files\\p.exe", L"a"}},
        {L"C:\\tools\\p.exe a\\b", {L"C:\\tools\\p.exe", L"a\\b"}},
        {L"p \"b c\" d", {L"p", L"b c", L"d"}},
        {L"p a\\\"b", {L"p", L"a\"b"}},                                  // 1 backslash + quote: a literal quote
        {L"p a\\\\\"b c\"", {L"p", L"a\\b c"}},                          // 2 backslashes + quote: one backslash, group
        {L"p a\\\\\\\"b", {L"p", L"a\\\"b"}},                            // 3 backslashes + quote
        {L"p \"a\"\"b\"", {L"p", L"a\"b"}},                              // "" inside a group
        {L"p \"\"", {L"p", L""}},                                        // an empty argument
        {L"p a;b $(x) `y` |z", {L"p", L"a;b", L"$(x)", L"`y`", L"|z"}},  // no shell meaning
        {L"", {}},
        {L"   ", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
}

// The command that runs the test child program (tests/programs/test_child.cpp, built beside this
// program) with `arguments`.
CString Child(const std::wstring& arguments) {
    static const std::wstring program = NarrowToWide(NativePath(GetExecutableDir() + L"\\" MONITOR_TEST_CHILD));
    return CString(L"\"" + program + L"\" " + arguments);
}

class PingRunTest : public ::testing::Test {
protected:
    ~PingRunTest() override { SetSpeedTestSettingsForTesting(SpeedTestSettings()); }
    // Made before the scratch host, which points the executable directory at a folder of its own.
    CString childReady = Child(L"");
    ScratchHost host;
    CMonitorControl monitor{true};
};

TEST_F(PingRunTest, RunsTheCommandAndReadsItsSummary) {
    EXPECT_EQ(A::Ping(monitor, Child(L"print \"    Minimum = 12ms, Maximum = 12ms, Average = 12ms\\r\\n\"")), 12);
    EXPECT_EQ(A::Ping(monitor, Child(L"print \"rtt min/avg/max/mdev = 0.1/7.6/9.0/1.0 ms\\n\"")), 8);
    // Standard error is read too.
    EXPECT_EQ(A::Ping(monitor, Child(L"eprint Request timed out.")), -1);
    // Shell syntax stays text: a shell would run the second command, or send the output to a file.
    EXPECT_EQ(A::Ping(monitor, Child(L"print \"Average = 3ms; echo Average = 9ms\"")), 3);
    EXPECT_EQ(A::Ping(monitor, Child(L"print Average = 3ms >ping-output-of-a-shell.txt")), 3);
}

TEST_F(PingRunTest, FailuresKeepTheirCodes) {
    EXPECT_EQ(A::Ping(monitor, CString(L"no-such-program-of-this-test -c 1 192.0.2.7")), -4);
    EXPECT_EQ(A::Ping(monitor, CString(L"")), -4);
    EXPECT_EQ(A::Ping(monitor, Child(L"exit 0")), -3);  // no output, no summary

    SpeedTestSettings settings;
    settings.pingTimeoutMs = 200;
    SetSpeedTestSettingsForTesting(settings);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(A::Ping(monitor, Child(L"sleep 5000")), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(ProcessRun, CapsTheOutputAndKillsOnTimeOut) {
    ProcessOutcome big = RunProcess(Child(L"fill 100000"), 5000, 1000);
    EXPECT_EQ(big.status, ProcessStatus::Exited);
    EXPECT_EQ(big.exitCode, 0);
    EXPECT_EQ(big.output.size(), 1000u);

    ProcessOutcome failing = RunProcess(Child(L"exit 3"), 5000, 1000);
    EXPECT_EQ(failing.status, ProcessStatus::Exited);
    EXPECT_EQ(failing.exitCode, 3);

    // A child that keeps the pipe open through a grandchild is ended with its whole group.
    const auto start = std::chrono::steady_clock::now();
    ProcessOutcome hung = RunProcess(Child(L"hold 5000"), 200, 1000);
    EXPECT_EQ(hung.status, ProcessStatus::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(ProcessRun, FindsTheProgramOnThePath) {
    // A program that every Linux and Windows system has on its search path, by its bare name.
    ProcessOutcome named = RunProcess(CString(L"hostname"), 5000, 1000);
    EXPECT_EQ(named.status, ProcessStatus::Exited);
    EXPECT_EQ(named.exitCode, 0);
    EXPECT_FALSE(named.output.empty());
}

TEST(ServerText, OnlyHostNamesAndAddressesArePinged) {
    for (const wchar_t* good : {L"192.0.2.7", L"quote.example.com", L"quote.example.com.", L"srv-01", L"a_b.example",
                                L"2001:db8::1", L"::1", L"localhost"}) {
        EXPECT_TRUE(IsServerAddressText(CString(good), false)) << good;
        EXPECT_TRUE(IsServerAddressText(CString(good), true)) << good;
    }
    for (const wchar_t* bad :
         {L"", L"-f", L"-c 100 192.0.2.7", L"a;b", L"$(x)", L"`x`", L"a b", L"a|b", L"a&b", L"host\n", L"-host.example",
          L"host-.example", L"a..b", L".", L"服务器.example", L"[::1]", L"http://192.0.2.7/"}) {
        EXPECT_FALSE(IsServerAddressText(CString(bad), false)) << bad;
        EXPECT_FALSE(IsServerAddressText(CString(bad), true)) << bad;
    }
    // The host's ping service also takes a port.
    for (const wchar_t* withPort : {L"192.0.2.7:8080", L"quote.example.com:443"}) {
        EXPECT_TRUE(IsServerAddressText(CString(withPort), true)) << withPort;
        EXPECT_FALSE(IsServerAddressText(CString(withPort), false)) << withPort;
    }
    for (const wchar_t* badPort :
         {L"192.0.2.7:0", L"192.0.2.7:65536", L"192.0.2.7:", L"192.0.2.7:8a", L":80", L"a:b:80"})
        EXPECT_FALSE(IsServerAddressText(CString(badPort), true)) << badPort;
    EXPECT_FALSE(IsServerAddressText(CString(std::wstring(254, L'a')), false));
}

}  // namespace
