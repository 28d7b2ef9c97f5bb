// The speed-test configuration: its refresh when the host reports a newer server profile, the
// server list it names and the pings of those servers.
//
// No lock is held while the refresh calls out to the host (the publish of
// "StatusWndNeedToDownload" and the host's ping service): a host may answer on the same thread,
// for instance by reporting its server profile again, which re-enters the refresh. Only the check
// of the local file and its fetch are serialised, since the fetch replaces the file the check
// reads. Speed tests are switched on as soon as the fetch succeeds, before the host is told, so a
// web timing that the host reports while the servers are pinged is reported. The sampler never
// reports a list that is still being measured: each refresh counts as a ping round from its start
// until its list is stored, and the sampler holds the ping and download reports back while a
// round runs.
#include <boost/any.hpp>
#include <mutex>
#include <vector>

#include "host/MessagePublisher.h"
#include "host/ObjectManager.h"
#include "host/PingTest.h"
#include "platform/File.h"
#include "platform/Process.h"
#include "platform/Profile.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "shell/MonitorControl.h"
#include "shell/NumberedName.h"
#include "speedtest/ConfigFetch.h"
#include "speedtest/ServerText.h"
#include "speedtest/SpeedTestSettings.h"

namespace {

// Serialises the check of the local configuration file and its replacement by a fetch.
std::mutex g_fetchMutex;

// More servers than this are not read: the list comes from a downloaded file.
constexpr int kMaxServers = 256;

CString SpeedTestConfigPath() {
    return GetExecutableDir() + L"\\config\\ServerSpeedTest.ini";
}

// Creates an empty configuration file (and its folder) when none exists.
void CreateEmptyConfig(const CString& path) {
    MakeSureDirectoryPathExists(WideToAnsi(path));
    CreateFileIfMissing(path);
}

// The servers of the file, in file order, each not yet measured (-7).
std::vector<ServerPingEntry> ReadServerList(const CString& path) {
    std::vector<ServerPingEntry> servers;
    const int count = GetPrivateProfileInt(L"Ping_ServerList", L"ServerNumber", -7, path);
    for (int i = 0; i < count && i < kMaxServers; ++i) {
        const CString key = NumberedName(L"Server", i);
        ServerPingEntry entry;
        entry.strServer = GetPrivateProfileString(L"Ping_ServerList", key, L"", path, 100);
        entry.nPingTime = -7;
        servers.push_back(entry);
    }
    return servers;
}

}  // namespace

// A refresh whose server list is not stored yet (see the top of the file).
struct CMonitorControl::PingRound {
    explicit PingRound(CMonitorControl& monitor) : m_monitor(monitor) {
        std::lock_guard<std::mutex> lock(m_monitor.m_mtxSpeed);
        ++m_monitor.m_nPingRoundsRunning;
    }
    ~PingRound() {
        std::lock_guard<std::mutex> lock(m_monitor.m_mtxSpeed);
        --m_monitor.m_nPingRoundsRunning;
    }
    PingRound(const PingRound&) = delete;
    PingRound& operator=(const PingRound&) = delete;

private:
    CMonitorControl& m_monitor;
};

void CMonitorControl::GetCurrentServerProfileVersion(boost::any payload) {
    const int version = boost::any_cast<int>(payload);
    const CString path = SpeedTestConfigPath();
    // Begun before speed tests can be switched on, so the sampler waits for this round's list.
    PingRound round(*this);

    bool fetched = false;
    {
        std::lock_guard<std::mutex> fetch(g_fetchMutex);
        int local = -1;
        if (!PathFileExists(path))
            CreateEmptyConfig(path);
        else
            local = GetPrivateProfileInt(kConfigSection, L"Version", -1, path);
        if (local < version) {
            fetched =
                FetchSpeedTestConfiguration(path, ReadConfigServerSetting(GetExecutableDir()), GetSpeedTestSettings());
            m_bTestSpeed = fetched;
        }
    }
    if (fetched) {
        if (auto* publisher = static_cast<MessagePublisher*>(CQZObjectManager::Get(L"MessagePublisher")))
            publisher->publish(L"StatusWndNeedToDownload", boost::any(0));
    }
    // On now or from an earlier message; a refresh re-entered from the publish may have changed it.
    if (!m_bTestSpeed) return;

    std::vector<ServerPingEntry> servers = ReadServerList(path);
    for (auto& entry : servers) {
        if (m_bStopping) break;  // the monitor is going away: its results would never be sent
        if (!IsServerAddressText(entry.strServer, true)) continue;  // not a server: keeps -7
        const std::string server = WideToAnsi(entry.strServer);
        entry.nPingTime = PingTest(server.c_str());
    }
    const CString url = GetPrivateProfileString(L"Download_URL", L"URL", L"", path, 100);
    std::lock_guard<std::mutex> lock(m_mtxSpeed);
    m_vecPingServer = std::move(servers);
    m_strDownloadURL = url;
}

void CMonitorControl::ParseServerConfig() {
    const CString path = SpeedTestConfigPath();
    PingRound round(*this);
    bool testSpeed = m_bTestSpeed;
    {
        std::lock_guard<std::mutex> fetch(g_fetchMutex);
        bool refetch = false;
        if (!PathFileExists(path)) {
            CreateEmptyConfig(path);
            refetch = true;
        } else {
            refetch = GetPrivateProfileInt(kConfigSection, L"Version", -1, path) != 0;
        }
        if (refetch) {
            testSpeed =
                FetchSpeedTestConfiguration(path, ReadConfigServerSetting(GetExecutableDir()), GetSpeedTestSettings());
            if (!testSpeed) m_bTestSpeed = false;
        }
    }

    // Four pings per server; the time kept is the mean of the runs that measured one, or the
    // code of the last run when none did.
    const std::wstring pingCommand = GetSpeedTestSettings().pingCommand;
    const CString pingPrefix = pingCommand.empty() ? CString(kPingOnceCommand) : CString(pingCommand);
    std::vector<ServerPingEntry> servers = ReadServerList(path);
    for (auto& entry : servers) {
        if (m_bStopping) break;
        if (!IsServerAddressText(entry.strServer, false)) continue;  // never handed to a process
        long long sum = 0;
        int measured = 0, last = -7;
        for (int run = 0; run < 4; ++run) {
            last = Ping(pingPrefix + entry.strServer);
            if (last >= 0) {
                sum += last;
                ++measured;
            }
        }
        entry.nPingTime = measured > 0 ? static_cast<std::int32_t>(sum / measured) : last;
    }
    {
        std::lock_guard<std::mutex> lock(m_mtxSpeed);
        m_vecPingServer = std::move(servers);
    }
    if (testSpeed) m_bTestSpeed = true;
}

bool CMonitorControl::IsNeedToTestSpeed() {
    return m_bTestSpeed;
}

bool CMonitorControl::WriteServerSpeedInfo() {
    return m_bTestSpeed;
}
