// The process statistics report: the profile form written at shutdown (WriteProcessInfo) and the
// document form merged one sample at a time (GetFendrakeProcessInfo).
//
// Both take m_csLock: they share the statistics file, the working document and the sampler's
// accumulators with the sampling thread. Then both take the data files' lock, since another
// process started from the same installation may be changing the same statistics file; when that
// process keeps it too long, the report is not written and the result is false. The log-on
// records are taken out of the capture list under m_mtxCapture.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cwchar>
#include <mutex>

#include "host/DataMgr.h"
#include "host/Markup.h"
#include "host/ObjectManager.h"
#include "platform/File.h"
#include "platform/ProcessInfo.h"
#include "platform/Profile.h"
#include "shell/MonitorControl.h"
#include "shell/NumberedName.h"
#include "store/DataFilesLock.h"

namespace {

constexpr double kBytesToKilobytes = 0.0009765625;  // 1/1024

CString FormatInt(std::int32_t value) {
    CString text;
    text.Format(L"%d", value);
    return text;
}

CString FormatDouble(double value) {
    CString text;
    text.Format(L"%lf", value);
    return text;
}

// "%d" of a stored text; 0 when it does not start with a number.
std::int32_t ParseInt(const CString& text) {
    wchar_t* end = nullptr;
    const long long value = std::wcstoll(text.GetString(), &end, 10);
    if (end == text.GetString()) return 0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<unsigned long long>(value)));
}

// "%lf" of a stored text; 0.0 when it does not start with a number. A stored "inf" or "nan" (or a
// number too large for a double) is input that no arithmetic may carry on, so it reads as 0.0 too.
double ParseDouble(const CString& text) {
    wchar_t* end = nullptr;
    const double value = std::wcstod(text.GetString(), &end);
    return end == text.GetString() || !std::isfinite(value) ? 0.0 : value;
}

// The stored sample count: a count below 0 (a damaged or hand-edited file) counts as 0, so the
// merges below never divide by count + 1 = 0.
std::int32_t StoredCount(const CString& text) {
    return std::max<std::int32_t>(ParseInt(text), 0);
}

// The mean of `count` samples averaging `average`, with one more sample. Written as a step from
// the old mean so that it stays finite for any finite stored values (count * average could
// overflow a double); for ordinary values it equals (count * average + sample) / (count + 1).
double MergeMean(double average, std::int32_t count, double sample) {
    return average + (sample - average) / (static_cast<double>(count) + 1.0);
}

}  // namespace

bool CMonitorControl::WriteProcessInfo() {
    std::lock_guard<std::recursive_mutex> lock(m_csLock);
    if (!m_pstrStatFile) return false;
    const CString path = *m_pstrStatFile;
    const DataFilesLock files;
    if (!files.Held()) return false;

    // The file is rebuilt from nothing.
    m_bStatFileScrambled = false;
    if (PathFileExists(path)) DeleteFile(path);

    WritePrivateProfileString(L"ROOT", L"StatisticsTime", FormatInt(m_nSampleCount), path);
    WritePrivateProfileString(L"ROOT", L"ProcessMemoryPeakSize", FormatDouble(m_dMemoryPeak), path);
    WritePrivateProfileString(L"ROOT", L"ProcessMemoryAverageSize", FormatDouble(m_dMemoryAverage), path);
    WritePrivateProfileString(L"ROOT", L"ProcessCPUAverageSize", FormatInt(m_nCPUAverage), path);
    WritePrivateProfileString(L"ROOT", L"ProcessCPUPeakSize", FormatInt(m_nCPUPeak), path);
    WritePrivateProfileString(L"ROOT", L"ShutDownCount", FormatInt(m_nShutDownCount), path);

    std::vector<MONITOR_SERVER_INFO> logons;
    {
        std::lock_guard<std::mutex> capture(m_mtxCapture);
        logons.swap(m_vecLogonServer);
    }
    for (size_t i = 0; i < logons.size(); ++i) {
        const MONITOR_SERVER_INFO& info = logons[i];
        const CString section = NumberedName(L"LogOn", i);
        WritePrivateProfileString(section, L"ServerName", info.strServerName, path);
        WritePrivateProfileString(section, L"Time", info.strTime, path);
        WritePrivateProfileString(section, L"RetryTime", FormatInt(info.nRetryTime), path);
        WritePrivateProfileString(section, L"IsProxy", info.bIsProxy ? L"true" : L"false", path);
    }

    EasyEncrypt(path);
    m_bStatFileScrambled = true;
    return true;
}

bool CMonitorControl::GetFendrakeProcessInfo() {
    // The data manager is asked before the lock is taken: no lock is held across a call to it.
    auto* dataMgr = static_cast<CDataMgr*>(CQZObjectManager::Get(L"CDataMgr"));
    const std::int32_t shutDowns = dataMgr ? dataMgr->GetShutDownCount() : 0;

    std::lock_guard<std::recursive_mutex> lock(m_csLock);
    if (!m_pstrStatFile) return false;
    const CString path = *m_pstrStatFile;
    const DataFilesLock files;
    if (!files.Held()) return false;

    EasyDecrypt(path);
    m_bStatFileScrambled = false;

    // The stored values act as the accumulators; this call adds one sample to them.
    CString text;
    ReadItem(path, L"StatisticsTime", text);
    const std::int32_t count = StoredCount(text);

    // Memory: the stored average is taken over the peak working set. Without a reading the
    // memory values are left as stored.
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(&counters, sizeof(counters))) {
        const double peak = static_cast<double>(counters.PeakWorkingSetSize) * kBytesToKilobytes * kBytesToKilobytes;
        ReadItem(path, L"ProcessMemoryPeakSize", text);
        if (ParseDouble(text) < peak) WriteItem(path, L"ProcessMemoryPeakSize", FormatDouble(peak));
        ReadItem(path, L"ProcessMemoryAverageSize", text);
        const double average = ParseDouble(text);
        WriteItem(path, L"ProcessMemoryAverageSize", FormatDouble(MergeMean(average, count, peak)));
    }

    // Processor: a load outside 0 to 100 leaves the stored processor values alone.
    GetCPUPercent();
    const std::int32_t load = m_nCPUPercent;
    if (load >= 0 && load <= 100) {
        ReadItem(path, L"ProcessCPUAverageSize", text);
        const std::int64_t average = ParseInt(text);
        WriteItem(
            path, L"ProcessCPUAverageSize",
            FormatInt(static_cast<std::int32_t>((average * count + load) / (static_cast<std::int64_t>(count) + 1))));
        ReadItem(path, L"ProcessCPUPeakSize", text);
        if (ParseInt(text) < load) WriteItem(path, L"ProcessCPUPeakSize", FormatInt(load));
    }

    // The count stops at the largest 32-bit value rather than wrapping to a negative one.
    WriteItem(path, L"StatisticsTime", FormatInt(count == INT32_MAX ? count : count + 1));
    if (dataMgr) WriteItem(path, L"ShutDownCount", FormatInt(shutDowns));

    // The log-on records gathered since the last call, as "LogOn" elements at the end of "ROOT".
    std::vector<MONITOR_SERVER_INFO> logons;
    {
        std::lock_guard<std::mutex> capture(m_mtxCapture);
        logons.swap(m_vecLogonServer);
    }
    if (!logons.empty()) {
        if (!m_pMarkup) m_pMarkup = new CMarkup;
        m_pMarkup->Load(path);
        m_pMarkup->FindElem(L"ROOT");
        m_pMarkup->IntoElem();
        for (const MONITOR_SERVER_INFO& info : logons) {
            m_pMarkup->AddElem(L"LogOn");
            m_pMarkup->IntoElem();
            m_pMarkup->AddElem(L"ServerName", info.strServerName);
            m_pMarkup->AddElem(L"Time", info.strTime);
            m_pMarkup->AddElem(L"RetryTime", info.nRetryTime);
            m_pMarkup->AddElem(L"IsProxy", info.bIsProxy ? L"true" : L"false");
            m_pMarkup->OutOfElem();
        }
        m_pMarkup->Save(path);
    }

    // The traffic statistics go under the last "LogOn" while the document is plain.
    if (m_bSendBatchReady.load(std::memory_order_acquire) == 1 &&
        m_bRecvBatchReady.load(std::memory_order_acquire) == 1)
        AnalyseTransInfo();
    OutputSys_TransInfo();

    EasyEncrypt(path);
    m_bStatFileScrambled = true;
    return true;
}
