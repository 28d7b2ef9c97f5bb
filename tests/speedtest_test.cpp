// Speed tests: the refresh of the speed-test configuration from a configuration server on the
// loopback address, the server pings it leads to, and the download and web-page timings.
#include <gtest/gtest.h>

#include <boost/any.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <vector>

#include "host/HostEnvironment.h"
#include "platform/File.h"
#include "platform/Profile.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "speedtest/SpeedTestSettings.h"
#include "tests/support/FileBytes.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/MonitorTestAccess.h"

namespace {

using A = MonitorTestAccess;
namespace fs = std::filesystem;

// The ping command of these tests: the test child program (tests/programs/test_child.cpp, built
// beside this program) printing a summary of 9 ms, followed by the server text. No test runs the
// system's ping.
std::wstring FakePingCommand() {
    const std::wstring program = NarrowToWide(NativePath(GetExecutableDir() + L"\\" MONITOR_TEST_CHILD));
    return L"\"" + program + L"\" print Average = 9ms for ";
}

class SpeedTest : public ::testing::Test {
protected:
    SpeedTest() {
        SpeedTestSettings settings;
        settings.fetchTimeoutMs = 1000;
        settings.fetchConnectTimeoutMs = 500;
        settings.fetchMaxBytes = 4096;
        settings.pingTimeoutMs = 5000;
        settings.pingCommand = fakePing;
        SetSpeedTestSettingsForTesting(settings);
        env.Publisher()._subscribe(L"StatusWndNeedToDownload", [this](boost::any payload) {
            downloadMessages.push_back(boost::any_cast<int>(payload));
        });
        monitor.InitializeControl();
        A::m_strMacID(monitor) = L"00-1A-2B-3C-4D-5E ";
    }
    ~SpeedTest() override { SetSpeedTestSettingsForTesting(SpeedTestSettings()); }

    fs::path ConfigFile() const { return host.Dir() / "config" / "ServerSpeedTest.ini"; }
    fs::path ServerSetting() const { return host.Dir() / "config" / "SpeedTestServer.ini"; }
    std::string Server() const { return "127.0.0.1:" + std::to_string(server.Port()); }
    std::string ServerUrl() const { return WideToNarrow(server.BaseUrl()); }
    // The installation's setting that names the configuration server.
    void SetConfigServer(const std::string& address) {
        WriteAll(ServerSetting(),
                 "; where the speed-test configuration comes from\n[ConfigServer]\nAddress=" + address + "\n");
    }
    void HostVersion(int version) { env.Publisher().publish(L"MoniterServerProfileVersion", boost::any(version)); }
    CString Read(const wchar_t* section, const wchar_t* key) {
        return GetPrivateProfileString(section, key, L"", CString(NarrowToWide(ConfigFile().string())));
    }
    std::vector<std::vector<std::wstring>> Reports() {
        std::vector<std::vector<std::wstring>> reports;
        for (const auto& report : env.DataManager().SpeedReports()) {
            std::vector<std::wstring> texts;
            for (const auto& text : report) texts.push_back(text.str());
            reports.push_back(texts);
        }
        return reports;
    }

    // Made before the scratch host, which points the executable directory at a folder of its own.
    const std::wstring fakePing = FakePingCommand();
    ScratchHost host;
    HostEnvironment env;
    LoopbackHttpServer server;
    CMonitorControl monitor{true};
    std::vector<int> downloadMessages;
};

TEST_F(SpeedTest, FirstFetchIntoAHostWithoutASpeedTestFilePingsItsServers) {
    SetConfigServer(ServerUrl());
    const std::string setting = ReadAll(ServerSetting());
    ASSERT_FALSE(fs::exists(ConfigFile()));
    server.SetBody("[NSCore_Configuration]\r\nVersion=5\r\n[Ping_ServerList]\r\nServerNumber=6\r\nServer1=" + Server() +
                   "\r\nServer2=-f\r\nServer3=a;b\r\nServer4=$(x)\r\nServer5=\r\nServer6=localhost:" +
                   std::to_string(server.Port()) + "\r\n[Download_URL]\r\nURL=http://127.0.0.1/big.bin\r\n");
    HostVersion(5);

    EXPECT_EQ(server.Requests(), 1);
    EXPECT_EQ(server.LastPath(), "/Clients_Performance_Statistics/Configuration.ini");
    EXPECT_EQ(downloadMessages, std::vector<int>{0});
    EXPECT_EQ(Read(L"NSCore_Configuration", L"Version").str(), L"5");
    EXPECT_EQ(ReadAll(ServerSetting()), setting);  // the download leaves the setting alone

    EXPECT_TRUE(A::IsNeedToTestSpeed(monitor));
    EXPECT_EQ(A::m_strDownloadURL(monitor).str(), L"http://127.0.0.1/big.bin");
    const auto& servers = A::m_vecPingServer(monitor);
    ASSERT_EQ(servers.size(), 6u);
    const std::wstring texts[] = {
        NarrowToWide(Server()), L"-f", L"a;b", L"$(x)", L"", L"localhost:" + std::to_wstring(server.Port())};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(servers[i].strServer.str(), texts[i]);
    EXPECT_GE(servers[0].nPingTime, 0);
    EXPECT_GE(servers[5].nPingTime, 0);
    for (size_t i = 1; i < 5; ++i) EXPECT_EQ(servers[i].nPingTime, -7) << servers[i].strServer.str();

    // The next sample hands the results over, once.
    monitor.CollectProcessInfo();
    const auto reports = Reports();
    ASSERT_EQ(reports.size(), 6u);
    EXPECT_EQ(reports[0][0], L"00-1A-2B-3C-4D-5E ");
    EXPECT_EQ(reports[0][1], L"ServerPingTest");
    EXPECT_EQ(reports[0][2], L"Server IP:" + texts[0]);
    EXPECT_EQ(reports[1][2], L"Server IP:-f");
    EXPECT_EQ(reports[1][3], L"Time:-7ms");
    monitor.CollectProcessInfo();
    EXPECT_EQ(Reports().size(), 6u);

    // A later message with the same version does not fetch again; the servers are measured again.
    HostVersion(5);
    EXPECT_EQ(server.Requests(), 1);
    EXPECT_EQ(downloadMessages.size(), 1u);
    EXPECT_EQ(A::m_vecPingServer(monitor).size(), 6u);
}

// A host that answers "StatusWndNeedToDownload" on the publishing thread: it times a web page,
// reports a download time and its server profile again, and a sample runs meanwhile. None of that
// deadlocks the monitor; the web timing is reported (speed tests are on when the host is told),
// and the sample waits until the servers are measured.
TEST_F(SpeedTest, AHostThatAnswersTheDownloadMessageOnTheSameThread) {
    SetConfigServer(ServerUrl());
    server.SetBody("[NSCore_Configuration]\nVersion=5\n[Ping_ServerList]\nServerNumber=1\nServer1=" + Server() +
                   "\n[Download_URL]\nURL=http://127.0.0.1/big.bin\n");
    size_t reportsDuringTheRefresh = 0;
    env.Publisher()._subscribe(L"StatusWndNeedToDownload", [&](boost::any) {
        env.Publisher().publish(L"MoniterHTMLSpeedTestURL", boost::any(CString(L"http://quote.example/")));
        env.Publisher().publish(L"MoniterHTMLSpeedTestTime", boost::any(180));
        env.Publisher().publish(L"MoniterDownloadSpeedTest", boost::any(640));
        HostVersion(5);
        monitor.CollectProcessInfo();
        reportsDuringTheRefresh = Reports().size();
    });
    auto refresh = std::async(std::launch::async, [this] { HostVersion(5); });
    if (refresh.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        std::fprintf(stderr, "the speed-test refresh deadlocked on a host that answers on its thread\n");
        std::_Exit(1);  // the refresh thread cannot be joined
    }
    refresh.get();

    EXPECT_EQ(server.Requests(), 1);  // the second report found the file current
    EXPECT_EQ(downloadMessages, std::vector<int>{0});
    EXPECT_EQ(reportsDuringTheRefresh, 1u);  // the web timing only
    ASSERT_EQ(A::m_vecPingServer(monitor).size(), 1u);
    EXPECT_GE(A::m_vecPingServer(monitor)[0].nPingTime, 0);

    monitor.CollectProcessInfo();
    const auto reports = Reports();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0], (std::vector<std::wstring>{L"00-1A-2B-3C-4D-5E ", L"WebOpenTest",
                                                     L"URL:http://quote.example/", L"Time:180ms"}));
    EXPECT_EQ(reports[1][1], L"ServerPingTest");
    EXPECT_EQ(reports[1][2], L"Server IP:" + NarrowToWide(Server()));
    EXPECT_EQ(reports[2], (std::vector<std::wstring>{L"00-1A-2B-3C-4D-5E ", L"DownloadTest",
                                                     L"http://127.0.0.1/big.bin", L"Time:640ms"}));
}

TEST_F(SpeedTest, CurrentLocalVersionChangesNothing) {
    SetConfigServer(ServerUrl());
    const std::string local =
        "[NSCore_Configuration]\nVersion=5\n[Ping_ServerList]\nServerNumber=1\nServer1=127.0.0.1\n";
    WriteAll(ConfigFile(), local);
    for (int version : {5, 4, -3}) {
        HostVersion(version);
        EXPECT_EQ(server.Requests(), 0);
        EXPECT_TRUE(downloadMessages.empty());
        EXPECT_FALSE(A::IsNeedToTestSpeed(monitor));
        EXPECT_TRUE(A::m_vecPingServer(monitor).empty());
        EXPECT_EQ(ReadAll(ConfigFile()), local);
    }
}

TEST_F(SpeedTest, FailedFetchLeavesTheLocalFileAndSwitchesSpeedTestsOff) {
    SetConfigServer(ServerUrl());
    const std::string local =
        "[NSCore_Configuration]\nVersion=1\n[Ping_ServerList]\nServerNumber=1\nServer1=127.0.0.1\n";
    server.SetBody(std::string(5000, 'x'));  // over the 4096-byte cap even when served whole
    const LoopbackHttpServer::Mode modes[] = {LoopbackHttpServer::Mode::NotFound, LoopbackHttpServer::Mode::Endless,
                                              LoopbackHttpServer::Mode::Serve, LoopbackHttpServer::Mode::Silent};
    for (auto mode : modes) {
        WriteAll(ConfigFile(), local);
        A::m_bTestSpeed(monitor) = true;
        server.SetMode(mode);
        const auto start = std::chrono::steady_clock::now();
        HostVersion(5);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(ReadAll(ConfigFile()), local) << int(mode);
        EXPECT_FALSE(A::IsNeedToTestSpeed(monitor)) << int(mode);
        EXPECT_TRUE(downloadMessages.empty());
        EXPECT_TRUE(A::m_vecPingServer(monitor).empty());
        // Nothing is left beside the file and the setting.
        EXPECT_EQ(std::distance(fs::directory_iterator(ConfigFile().parent_path()), fs::directory_iterator()), 2)
            << int(mode);
    }
    EXPECT_EQ(server.Requests(), 4);
}

TEST_F(SpeedTest, ConfigurationServerComesFromTheSettingAndOnlyOverHttp) {
    // No setting: no fetch, also when the speed-test file names a server of its own.
    HostVersion(1);
    WriteAll(ConfigFile(), "[NSCore_Configuration]\nVersion=0\nConfigServer=" + ServerUrl() + "\n");
    HostVersion(1);
    EXPECT_FALSE(A::IsNeedToTestSpeed(monitor));
    EXPECT_EQ(server.Requests(), 0);

    for (const std::string& address : {"ftp://127.0.0.1:" + std::to_string(server.Port()), std::string("file:///etc"),
                                       "127.0.0.1:" + std::to_string(server.Port()), std::string("  ")}) {
        SetConfigServer(address);
        HostVersion(1);
        EXPECT_FALSE(A::IsNeedToTestSpeed(monitor)) << address;
    }
    EXPECT_EQ(server.Requests(), 0);

    // The server the setting names (blanks and a trailing slash do not count). The configuration
    // it serves names another server, in every form a file could: the next fetch still goes to
    // the server of the setting, which the download leaves as it was.
    LoopbackHttpServer other;
    SetConfigServer(" " + ServerUrl() + "/ ");
    const std::string setting = ReadAll(ServerSetting());
    const std::string elsewhere = WideToNarrow(other.BaseUrl());
    server.SetBody("[NSCore_Configuration]\nVersion=2\nConfigServer=" + elsewhere +
                   "\n[ConfigServer]\nAddress=" + elsewhere + "\n");
    HostVersion(2);
    EXPECT_TRUE(A::IsNeedToTestSpeed(monitor));
    EXPECT_EQ(server.Requests(), 1);
    EXPECT_EQ(server.LastPath(), "/Clients_Performance_Statistics/Configuration.ini");
    EXPECT_TRUE(A::m_vecPingServer(monitor).empty());  // the new file lists no server
    EXPECT_EQ(ReadAll(ServerSetting()), setting);
    HostVersion(3);
    EXPECT_EQ(server.Requests(), 2);
    EXPECT_EQ(other.Requests(), 0);
}

TEST_F(SpeedTest, ParseServerConfigNeverHandsABadServerTextToAProcess) {
    WriteAll(ConfigFile(),
             "[NSCore_Configuration]\nVersion=0\n[Ping_ServerList]\nServerNumber=5\nServer1=127.0.0.1\n"
             "Server2=-f\nServer3=a;b\nServer4=$(x)\nServer5=\n");
    monitor.ParseServerConfig();
    const auto& servers = A::m_vecPingServer(monitor);
    ASSERT_EQ(servers.size(), 5u);
    // The good server was run through the ping command.
    EXPECT_EQ(servers[0].nPingTime, 9);
    for (size_t i = 1; i < 5; ++i) EXPECT_EQ(servers[i].nPingTime, -7) << servers[i].strServer.str();
    EXPECT_FALSE(A::IsNeedToTestSpeed(monitor));  // a stored version of 0 fetches nothing
    EXPECT_EQ(server.Requests(), 0);
}

TEST_F(SpeedTest, WebTimings) {
    auto url = [this](const wchar_t* page) {
        env.Publisher().publish(L"MoniterHTMLSpeedTestURL", boost::any(CString(page)));
    };
    auto time = [this](int ms) { env.Publisher().publish(L"MoniterHTMLSpeedTestTime", boost::any(ms)); };

    time(50);  // no page yet: ignored
    EXPECT_TRUE(A::m_vecWebTest(monitor).empty());

    A::m_bTestSpeed(monitor) = true;
    url(L"http://quote.example/a");
    url(L"http://quote.example/b");
    time(230);
    const auto& pages = A::m_vecWebTest(monitor);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].nOpenTime, -1);
    EXPECT_EQ(pages[1].nOpenTime, 230);
    time(240);  // stored, not reported again
    EXPECT_EQ(pages[1].nOpenTime, 240);
    const auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], (std::vector<std::wstring>{L"00-1A-2B-3C-4D-5E ", L"WebOpenTest",
                                                     L"URL:http://quote.example/b", L"Time:230ms"}));
    // A payload of another type reaches the publisher as the cast error.
    EXPECT_THROW(env.Publisher().publish(L"MoniterHTMLSpeedTestTime", boost::any(CString(L"230"))),
                 boost::bad_any_cast);
}

TEST_F(SpeedTest, TimingsWhileSpeedTestsAreOffDownloadTimeAndStopping) {
    env.Publisher().publish(L"MoniterHTMLSpeedTestURL", boost::any(CString(L"http://quote.example/a")));
    env.Publisher().publish(L"MoniterHTMLSpeedTestTime", boost::any(100));
    EXPECT_EQ(A::m_vecWebTest(monitor).back().nOpenTime, 100);
    EXPECT_FALSE(A::m_bWebReported(monitor));
    EXPECT_TRUE(Reports().empty());

    // The first timing that arrives once speed tests are on is the one reported.
    A::m_bTestSpeed(monitor) = true;
    A::m_strDownloadURL(monitor) = L"http://127.0.0.1/big.bin";
    env.Publisher().publish(L"MoniterHTMLSpeedTestTime", boost::any(120));
    ASSERT_EQ(Reports().size(), 1u);
    EXPECT_EQ(Reports()[0][3], L"Time:120ms");

    env.Publisher().publish(L"MoniterDownloadSpeedTest", boost::any(812));
    EXPECT_EQ(A::m_nDownloadTime(monitor), 812);
    EXPECT_FALSE(A::m_bDownloadReported(monitor));
    monitor.CollectProcessInfo();
    const auto reports = Reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), (std::vector<std::wstring>{L"00-1A-2B-3C-4D-5E ", L"DownloadTest",
                                                         L"http://127.0.0.1/big.bin", L"Time:812ms"}));

    // While the monitor is being destroyed, every timing message is ignored.
    A::m_bStopping(monitor) = true;
    env.Publisher().publish(L"MoniterHTMLSpeedTestURL", boost::any(CString(L"http://quote.example/late")));
    env.Publisher().publish(L"MoniterHTMLSpeedTestTime", boost::any(1));
    env.Publisher().publish(L"MoniterDownloadSpeedTest", boost::any(2));
    EXPECT_EQ(A::m_vecWebTest(monitor).size(), 1u);
    EXPECT_EQ(A::m_vecWebTest(monitor).back().nOpenTime, 120);
    EXPECT_EQ(A::m_nDownloadTime(monitor), 812);
    A::m_bStopping(monitor) = false;
}

}  // namespace
