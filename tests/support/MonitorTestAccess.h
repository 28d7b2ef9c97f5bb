// Test access to the monitor's private members and operations, and a scratch host installation.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "shell/MonitorControl.h"

// Friend of CMonitorControl: tests reach private members through it, e.g.
// MonitorTestAccess::Get(m).m_bStopping or MonitorTestAccess::Call(m, &CMonitorControl::...).
struct MonitorTestAccess {
    static CMonitorControl& Get(CMonitorControl& m) { return m; }
#define MONITOR_MEMBER(name)                \
    static auto& name(CMonitorControl& m) { \
        return m.name;                      \
    }
    MONITOR_MEMBER(m_bStopping)
    MONITOR_MEMBER(m_bRunning)
    MONITOR_MEMBER(m_bOffline)
    MONITOR_MEMBER(m_pWorkerThread)
    MONITOR_MEMBER(m_nThreadExitCode)
    MONITOR_MEMBER(m_hTimer)
    MONITOR_MEMBER(m_bSendBatchReady)
    MONITOR_MEMBER(m_bRecvBatchReady)
    MONITOR_MEMBER(m_bDownloadReported)
    MONITOR_MEMBER(m_bStatFileScrambled)
    MONITOR_MEMBER(m_tLastWorkspaceChange)
    MONITOR_MEMBER(m_strMacID)
    MONITOR_MEMBER(m_nDownloadTime)
    MONITOR_MEMBER(m_pstrStatFile)
    MONITOR_MEMBER(m_pstrOpLogFile)
    MONITOR_MEMBER(m_pstrSysInfoFile)
    MONITOR_MEMBER(m_pstrSpeedFile)
    MONITOR_MEMBER(m_mapOperationByName)
    MONITOR_MEMBER(m_mapOperationByType)
    MONITOR_MEMBER(m_mapRequestMapping)
    MONITOR_MEMBER(m_vecSendInfo)
    MONITOR_MEMBER(m_vecRecvInfo)
    MONITOR_MEMBER(m_vecSendBatch)
    MONITOR_MEMBER(m_vecRecvBatch)
    MONITOR_MEMBER(m_vecLogonServer)
    MONITOR_MEMBER(m_mapNormalStat)
    MONITOR_MEMBER(m_bOpLogOpen)
    MONITOR_MEMBER(m_fileOpLog)
    MONITOR_MEMBER(m_mtxOpLog)
    MONITOR_MEMBER(m_pMarkup)
    MONITOR_MEMBER(m_strWindowsVersion)
    MONITOR_MEMBER(m_mapPushStat)
    MONITOR_MEMBER(m_nSampleCount)
    MONITOR_MEMBER(m_dMemoryPeak)
    MONITOR_MEMBER(m_dMemoryAverage)
    MONITOR_MEMBER(m_nCPUPeak)
    MONITOR_MEMBER(m_nCPUAverage)
    MONITOR_MEMBER(m_nShutDownCount)
    MONITOR_MEMBER(m_nCPUPercent)
    MONITOR_MEMBER(m_dwLastCPUTick)
    MONITOR_MEMBER(m_llLastCPUTime)
    MONITOR_MEMBER(m_bTestSpeed)
    MONITOR_MEMBER(m_bPingReported)
    MONITOR_MEMBER(m_vecPingServer)
    MONITOR_MEMBER(m_strDownloadURL)
    MONITOR_MEMBER(m_csLock)
    MONITOR_MEMBER(m_vecCPUInfo)
    MONITOR_MEMBER(m_pMemInfo)
    MONITOR_MEMBER(m_pMonitorInfo)
    MONITOR_MEMBER(m_pDriveInfo)
    MONITOR_MEMBER(m_pMacInfo)
    MONITOR_MEMBER(m_nMacCount)
    MONITOR_MEMBER(m_vecWebTest)
    MONITOR_MEMBER(m_bWebReported)
    MONITOR_MEMBER(m_pGate)
#undef MONITOR_MEMBER
    // Private operations, called as MonitorTestAccess::WriteOperation(m, kind, value1, value2).
#define MONITOR_METHOD(name)                                      \
    template <typename... A>                                      \
    static decltype(auto) name(CMonitorControl& m, A&&... args) { \
        return m.name(std::forward<A>(args)...);                  \
    }
    MONITOR_METHOD(GetLogonServerInfo)
    MONITOR_METHOD(GetTransInfoSend)
    MONITOR_METHOD(GetTransInfoRecv)
    MONITOR_METHOD(AnalyseTransInfo)
    MONITOR_METHOD(OutputSys_TransInfo)
    MONITOR_METHOD(GetCPUPercent)
    MONITOR_METHOD(GetCPUTime)
    MONITOR_METHOD(FileTimeToInt64)
    MONITOR_METHOD(PlatformCheck)
    MONITOR_METHOD(GetCPUNumber)
    MONITOR_METHOD(GetCPUInfo)
    MONITOR_METHOD(GetMemoryInfo)
    MONITOR_METHOD(GetMONITORINFOS)
    MONITOR_METHOD(GetMacInfo)
    MONITOR_METHOD(GetCurrWorkingDirDisk)
    MONITOR_METHOD(GetDriveInfo)
    MONITOR_METHOD(OutputSysInfo)
    MONITOR_METHOD(ModifySysInfo)
    MONITOR_METHOD(GetCurrentServerProfileVersion)
    MONITOR_METHOD(IsNeedToTestSpeed)
    MONITOR_METHOD(Ping)
    MONITOR_METHOD(SetSpeedTestDownloadTick)
    MONITOR_METHOD(SetSpeedTestHTMLSpeedTestTime)
    MONITOR_METHOD(SetSpeedTestHTMLSpeedTestURL)
    MONITOR_METHOD(CleanUpFile)
    MONITOR_METHOD(CreateLogFile)
    MONITOR_METHOD(WriteOperation)
    MONITOR_METHOD(WriteItem)
    MONITOR_METHOD(ReadItem)
    MONITOR_METHOD(GetCurrentOpTime)
    MONITOR_METHOD(OutputOp_PopupMenuClose)
#undef MONITOR_METHOD
    // Calls a private member function: MonitorTestAccess::Call(m, &CMonitorControl::AnalyseTransInfo).
    template <typename R, typename... P, typename... A>
    static R Call(CMonitorControl& m, R (CMonitorControl::*f)(P...), A&&... args) {
        return (m.*f)(std::forward<A>(args)...);
    }
    // The monitor's wide-path container entry points.
    static bool EasyEncrypt(CMonitorControl& m, const CString& path) {
        return m.EasyEncrypt(path);
    }
    static bool EasyDecrypt(CMonitorControl& m, const CString& path) {
        return m.EasyDecrypt(path);
    }
    // Names a private member function so tests can pass it to Call.
    template <typename T>
    static T Member(T pointer) {
        return pointer;
    }
};

// A scratch folder laid out as a host installation, made the executable directory for the life
// of the object (and removed afterwards).
class ScratchHost {
public:
    ScratchHost();
    ~ScratchHost();
    const std::filesystem::path& Dir() const { return m_dir; }
    std::filesystem::path DataDir() const { return m_dir / "Data" / "MONDAT"; }

private:
    std::filesystem::path m_dir;
};
