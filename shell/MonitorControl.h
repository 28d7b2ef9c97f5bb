// CMonitorControl: the whole monitor. One object exists between QZLibInitialize and QZLibDestroy;
// an offline object (bOffline true) serves the decoding tools.
//
// Its methods are grouped by subsystem into the folders of the source tree:
//   shell/        construction, destruction, subscriptions, sampling thread
//   mapping/      monitor configuration loader and generator
//   store/        day files, scrambled container, offline decoding
//   sysinfo/      machine probes and the system information file
//   operations/   operation log and user-interface event handlers
//   transmission/ traffic capture, analysis and report
//   process/      process sampler and statistics report
//   speedtest/    speed-test configuration, ping and web timing
//
// Threads: host threads call the handlers, the sampling thread calls CollectProcessInfo, any
// caller may call the public operations, and the host's thread destroys the object. Shared state
// is guarded by four locks, always taken in this order when nested:
//   m_csLock    the statistics side: sampler accumulators, the analysis and its maps, the
//               working document m_pMarkup and the statistics file, the machine description;
//   m_mtxSpeed  speed-test state (server list, web and download timings, report flags);
//   m_mtxCapture the capture buffers and batches (held for one append per message);
//   m_mtxOpLog  the operation log file and the workspace time.
// None of them is held while the monitor calls out to the host (publish, post-executor, data
// manager, ping service): a host that calls back on the same thread, or waits for another thread
// that enters the monitor, must not deadlock it.
// The batch flags are atomic: a flag is set only after its batch is complete and cleared only
// after the analysis has emptied it. Handlers enter through a gate (m_pGate) so that the destructor
// can disconnect them and wait for handlers already running before it tears anything down.
#pragma once

#include <atomic>
#include <boost/any.hpp>
#include <boost/signals2/connection.hpp>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/CString.h"
#include "platform/File.h"
#include "platform/Timer.h"
#include "shell/MonitorTypes.h"

class CMarkup;
class HostFiles;
struct MonitorTestAccess;

extern "C" {
QZ_MONITOR_API void QZLibInitialize();
QZ_MONITOR_API void QZLibDestroy();
}

class QZ_MONITOR_API CMonitorControl {
public:
    // A live monitor (bOffline false) raises std::invalid_argument when the local time of
    // 2010-01-01 00:00:00, the origin of the day files' numbers, cannot be converted.
    explicit CMonitorControl(bool bOffline);
    ~CMonitorControl();
    CMonitorControl(const CMonitorControl&) = delete;
    CMonitorControl& operator=(const CMonitorControl&) = delete;

    void InitializeControl();

    // Mapping generator.
    void CreateOperationMapping();
    void ParseHeaderFile(CString strHeaderPath, int& nType, int& nValue1, int& nValue2, CString strConfigPath);
    void ParseClientRequest(CString strHeaderPath, CString strConfigPath);

    // Offline decoding.
    bool DecryptMonitor(int nKind, CString strPath);
    // The names of the monitor configuration by type code (kind name, value names), as loaded by
    // the constructor: what DecryptMonitor restores, for readers that decode records themselves.
    const std::map<std::int32_t, OperationName>& OperationNames() const { return m_mapOperationByType; }

    // Process sampler and report.
    bool CollectProcessInfo();
    bool GetFendrakeProcessInfo();
    bool WriteProcessInfo();

    // Speed tests.
    void ParseServerConfig();
    bool WriteServerSpeedInfo();

private:
    friend struct MonitorTestAccess;

    // Sampling thread body; returns the thread's exit code (0 to 3).
    unsigned SamplingThreadProc();
    void StopSamplingThread();
    // Disconnects every subscription and waits for the handlers still running (the destructor's
    // first step after m_bStopping).
    void ShutHandlerGate();
    void RemoveInterruptedContainerFiles();

    // Monitor configuration.
    void GetOperationMapping();
    // What CreateOperationMapping does between loading and saving the file: rebuilds both
    // sections of `xml` (its navigator among the root's children) from the host's files.
    void BuildOperationMapping(CMarkup& xml, HostFiles& files);

    // Day files.
    void CleanUpFile();
    bool CreateLogFile();
    bool OpenOperationLog();

    // Container.
    bool EasyEncrypt(CString strPath);
    bool EasyDecrypt(CString strPath);

    // Probes.
    bool PlatformCheck();
    int GetCPUNumber();
    bool GetCPUInfo(int nProcessor, _CPUINFORMATION* pInfo);
    bool GetMemoryInfo(_MEMINFORMATION* pInfo);
    bool GetMONITORINFOS(int nAdapter, _MONITORINFOS* pInfo);
    bool GetMacInfo(_MACINFOS* pUnused);
    CString GetCurrWorkingDirDisk();
    bool GetDriveInfo(CString strDrive, _DRIVEINFORMATION* pInfo);

    // System information file.
    void OutputSysInfo(CString strPath);
    void ModifySysInfo(CString strPath);
    void LoadSysInfo();

    // Operation log.
    void WriteOperation(const CString& strKind, const CString& strValue1, const CString& strValue2);
    void WriteItem(CString strFile, CString strName, CString strValue);
    void ReadItem(CString strFile, CString strName, CString& strValue);
    CString GetCurrentOpTime();

    // User-interface event handlers.
    void OutputOp_WorkspaceChanged(boost::any payload);
    void OutputOp_MenuCommand(boost::any payload);
    void OutputOp_ToolbarCommand(boost::any payload);
    void OutputOp_PopupMenuOpen(boost::any payload);
    void OutputOp_PopupMenuClose(boost::any payload);
    void OutputOp_DialogShow(boost::any payload);
    void OutputOp_DialogInit(boost::any payload);
    void OutputOp_DialogHide(boost::any payload);
    void OutputOp_DialogDestroy(boost::any payload);
    void OutputOp_TabWndActive(boost::any payload);
    void OutputOp_PostExecute(std::wstring strFirst, std::wstring strSecond);
    void OutputSys_Logon(boost::any payload);

    // Transmission capture, analysis and report.
    void GetLogonServerInfo(boost::any payload);
    void GetTransInfoSend(boost::any payload);
    void GetTransInfoRecv(boost::any payload);
    bool AnalyseTransInfo();
    void OutputSys_TransInfo();

    // Process sampler.
    LONGLONG FileTimeToInt64(const FILETIME& time);
    int GetCPUTime(LONGLONG& llTime);
    int GetCPUPercent();
    void SendSpeedReport(const CString& strKind, const CString& strTarget, int nTime);

    // Speed tests.
    void GetCurrentServerProfileVersion(boost::any payload);
    bool IsNeedToTestSpeed();
    int Ping(CString strCommandLine);
    void SetSpeedTestDownloadTick(boost::any payload);
    void SetSpeedTestHTMLSpeedTestTime(boost::any payload);
    void SetSpeedTestHTMLSpeedTestURL(boost::any payload);

    // Members, in declaration order.
    std::unique_ptr<std::thread> m_pWorkerThread;
    std::atomic<CWaitableTimer*> m_hTimer{nullptr};
    std::atomic<bool> m_bRunning{false};
    bool m_bOffline;
    std::atomic<bool> m_bStopping{false};
    bool m_bOpLogOpen = false;
    std::atomic<bool> m_bTestSpeed{false};
    std::atomic<BOOL> m_bSendBatchReady{0};
    std::atomic<BOOL> m_bRecvBatchReady{0};
    bool m_bWebReported = false;
    bool m_bPingReported = false;
    bool m_bDownloadReported = true;
    std::recursive_mutex m_csLock;
    CString m_strWindowsVersion;
    std::vector<_CPUINFORMATION*> m_vecCPUInfo;
    _MEMINFORMATION* m_pMemInfo = nullptr;
    _MONITORINFOS* m_pMonitorInfo = nullptr;
    _DRIVEINFORMATION* m_pDriveInfo = nullptr;
    _MACINFOS* m_pMacInfo = nullptr;
    std::int32_t m_nMacCount = 0;
    std::int32_t m_nSampleCount = 0;
    double m_dMemoryPeak = 0.0;
    double m_dMemoryAverage = 0.0;
    std::int32_t m_nCPUPeak = 0;
    std::int32_t m_nCPUAverage = 0;
    std::int32_t m_nShutDownCount = 0;
    std::vector<ServerPingEntry> m_vecPingServer;
    std::vector<WebTestEntry> m_vecWebTest;
    CString* m_pstrSysInfoFile = nullptr;
    CString* m_pstrStatFile = nullptr;
    CString* m_pstrOpLogFile = nullptr;
    CString* m_pstrSpeedFile = nullptr;
    CString m_strMacID;
    CString m_strDownloadURL;
    DWORD m_dwLastCPUTick = 0;
    std::int32_t m_nCPUPercent = 0;
    LONGLONG m_llLastCPUTime = 0;
    bool m_bStatFileScrambled = true;
    std::int64_t m_tLastWorkspaceChange = 0;
    std::map<CString, OperationCode> m_mapOperationByName;
    std::map<std::int32_t, OperationName> m_mapOperationByType;
    std::map<CString, CString> m_mapRequestMapping;
    CFile m_fileOpLog;
    CMarkup* m_pMarkup = nullptr;
    std::vector<MONITOR_SERVER_INFO> m_vecLogonServer;
    std::vector<TRANS_INFO> m_vecSendInfo;
    std::vector<TRANS_INFO> m_vecRecvInfo;
    std::vector<TRANS_INFO> m_vecSendBatch;
    std::vector<TRANS_INFO> m_vecRecvBatch;
    std::int32_t m_nDownloadTime = -1;
    std::map<std::int32_t, TRANS_STAT> m_mapNormalStat;
    std::map<std::int32_t, TRANS_STAT> m_mapPushStat;

    // Serialisation added on top of the member table (see the header comment).
    std::mutex m_mtxSpeed;
    // Speed-test refreshes whose server list is not stored yet (guarded by m_mtxSpeed): while one
    // runs, the sampler holds back the ping and download reports.
    struct PingRound;
    std::int32_t m_nPingRoundsRunning = 0;
    std::mutex m_mtxCapture;
    std::mutex m_mtxOpLog;
    // Offset just past the last whole record of the open operation log (guarded by m_mtxOpLog):
    // a write that fails part-way goes back to it.
    std::uint64_t m_nOpLogEnd = 0;
    // Every subscription calls through this gate, so that the destructor can shut the gate and
    // wait for handlers already running before the object is freed.
    struct HandlerGate;
    std::shared_ptr<HandlerGate> m_pGate;
    std::vector<boost::signals2::connection> m_vecConnections;
    CWaitableTimer m_timer;                  // the object m_hTimer points at once the thread has created it
    std::atomic<int> m_nThreadExitCode{-1};  // the sampling thread's exit code; -1 while it runs
};
