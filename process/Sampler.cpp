// The 10-second process sampler: memory and processor load of the host process folded into
// running peaks and averages, the once-per-run speed reports, and the start of the traffic
// analysis when both capture batches are ready.
//
// The statistics are folded in under m_csLock; speed-test state is read under m_mtxSpeed. Neither
// lock is held while the data manager is called (the reports and the shutdown count), so a host
// whose data manager waits for another thread that enters the monitor cannot deadlock it.
#include <mutex>

#include "host/DataMgr.h"
#include "host/ObjectManager.h"
#include "platform/ProcessInfo.h"
#include "platform/System.h"

#include "shell/MonitorControl.h"

namespace {

constexpr double kBytesToKilobytes = 0.0009765625;  // 1/1024
// Intervals shorter than this are not measured: the last load stands.
constexpr DWORD kMinCPUInterval = 140;

double Megabytes(DWORD bytes) {
    return static_cast<double>(bytes) * kBytesToKilobytes * kBytesToKilobytes;
}

CDataMgr* DataManager() {
    return static_cast<CDataMgr*>(CQZObjectManager::Get(L"CDataMgr"));
}

struct PingReport {
    CString strServer;
    std::int32_t nTime;
};

}  // namespace

bool CMonitorControl::CollectProcessInfo() {
    CDataMgr* dataMgr = DataManager();

    // Speed reports: the ping list once per run, each download time once. While a refresh is
    // still measuring its servers they wait for a later sample: the list and the download URL
    // they would carry are about to be replaced.
    if (m_bTestSpeed) {
        std::vector<PingReport> pings;
        bool sendDownload = false;
        CString strDownloadURL;
        std::int32_t nDownloadTime = 0;
        {
            std::lock_guard<std::mutex> speed(m_mtxSpeed);
            const bool settled = m_nPingRoundsRunning == 0;
            if (settled && !m_bPingReported) {
                for (const ServerPingEntry& entry : m_vecPingServer)
                    pings.push_back({entry.strServer, entry.nPingTime});
                m_bPingReported = true;
            }
            if (settled && !m_bDownloadReported) {
                sendDownload = true;
                strDownloadURL = m_strDownloadURL;
                nDownloadTime = m_nDownloadTime;
                m_bDownloadReported = true;
            }
        }
        for (const PingReport& ping : pings)
            SendSpeedReport(L"ServerPingTest", L"Server IP:" + ping.strServer, ping.nTime);
        if (sendDownload) SendSpeedReport(L"DownloadTest", strDownloadURL, nDownloadTime);
    }
    const std::int32_t shutDowns = dataMgr ? dataMgr->GetShutDownCount() : 0;

    // Serialised with the statistics writers, the analysis and the destructor.
    std::lock_guard<std::recursive_mutex> lock(m_csLock);

    // Memory: the peak of the peak working set and the mean of the working set, in megabytes. A
    // sample whose counters cannot be read leaves both as they are.
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(&counters, sizeof(counters))) {
        const double peak = Megabytes(counters.PeakWorkingSetSize);
        if (peak > m_dMemoryPeak) m_dMemoryPeak = peak;
        m_dMemoryAverage = (m_nSampleCount * m_dMemoryAverage + Megabytes(counters.WorkingSetSize)) /
                           (static_cast<double>(m_nSampleCount) + 1.0);
    }

    // Processor: loads above 100 (several busy processors) or failed readings are counted as
    // samples but take no part in the peak and the mean.
    GetCPUPercent();
    const std::int32_t load = m_nCPUPercent;
    if (load >= 0 && load <= 100) {
        if (load > m_nCPUPeak) m_nCPUPeak = load;
        // The product is taken in 64 bits so that a run of years cannot overflow it; the
        // truncated quotient is the same as in 32-bit arithmetic for every count before that.
        m_nCPUAverage = static_cast<std::int32_t>((static_cast<std::int64_t>(m_nCPUAverage) * m_nSampleCount + load) /
                                                  (static_cast<std::int64_t>(m_nSampleCount) + 1));
    }

    m_nSampleCount = static_cast<std::int32_t>(static_cast<std::uint32_t>(m_nSampleCount) + 1U);
    m_nShutDownCount =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(m_nShutDownCount) + static_cast<std::uint32_t>(shutDowns));

    if (m_bSendBatchReady.load(std::memory_order_acquire) == 1 &&
        m_bRecvBatchReady.load(std::memory_order_acquire) == 1)
        AnalyseTransInfo();
    return true;
}

LONGLONG CMonitorControl::FileTimeToInt64(const FILETIME& time) {
    return static_cast<LONGLONG>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

int CMonitorControl::GetCPUTime(LONGLONG& llTime) {
    FILETIME kernel{};
    FILETIME user{};
    if (!GetProcessTimes(&kernel, &user)) return -1;
    llTime = (FileTimeToInt64(kernel) + FileTimeToInt64(user)) / 10000;
    return 0;
}

int CMonitorControl::GetCPUPercent() {
    std::lock_guard<std::recursive_mutex> lock(m_csLock);
    const DWORD now = GetTickCount();
    const DWORD elapsed = now - m_dwLastCPUTick;  // unsigned: right across a wrap of the tick
    if (elapsed < kMinCPUInterval) return m_nCPUPercent;

    LONGLONG time = 0;
    // Without a reading the interval cannot be measured: the last load stands and the next call
    // measures from the last good reading.
    if (GetCPUTime(time) != 0) return m_nCPUPercent;
    const LONGLONG load = (time - m_llLastCPUTime) * 100 / static_cast<LONGLONG>(elapsed);
    m_nCPUPercent = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<ULONGLONG>(load)));
    m_dwLastCPUTick = now;
    m_llLastCPUTime = time;
    return static_cast<int>(m_nCPUPercent);
}

void CMonitorControl::SendSpeedReport(const CString& strKind, const CString& strTarget, int nTime) {
    CDataMgr* dataMgr = DataManager();
    if (!dataMgr) return;
    CString report[4];
    report[0] = m_strMacID;
    report[1] = strKind;
    report[2] = strTarget;
    report[3].Format(L"Time:%dms", nTime);
    dataMgr->RequestCmd(nullptr, CDataMgr::kSpeedReportCommand, 4, report, false);
}
