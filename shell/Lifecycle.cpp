// Construction, subscription to the host and destruction of the monitor.
#include <utility>

#include "host/CommandManager.h"
#include "host/Markup.h"
#include "host/MessagePublisher.h"
#include "host/ObjectManager.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "shell/HandlerGate.h"
#include "store/Container.h"
#include "store/DataFilesLock.h"

CMonitorControl::CMonitorControl(bool bOffline) : m_bOffline(bOffline), m_pGate(std::make_shared<HandlerGate>()) {
    // Leftovers of an interrupted scramble go first, before anything is written.
    RemoveInterruptedContainerFiles();

    m_tLastWorkspaceChange = GetCurrentTime64();
    m_strMacID = L"";

    GetOperationMapping();

    if (!m_bOffline) {
        CleanUpFile();
        CreateLogFile();
        m_pWorkerThread = std::make_unique<std::thread>([this] {
            SetCurrentThreadPriority(-1);
            m_nThreadExitCode = static_cast<int>(SamplingThreadProc());
        });
    }
}

void CMonitorControl::RemoveInterruptedContainerFiles() {
    const CString dir = GetExecutableDir() + L"\\Data\\MONDAT\\";
    // The container's temporary files ("DATB4706$") and those of interrupted atomic writes of
    // documents and profile files ("DATC.tmp1234-0~"). A file that a write in progress holds, in
    // this process or another, cannot be removed: the first removal that fails ends the sweep.
    for (const wchar_t* pattern : {L"*$.*", L"*.tmp*~"}) {
        CFileFind finder;
        bool more = finder.FindFile(dir + pattern);
        while (more) {
            more = finder.FindNextFile();
            if (finder.IsDots()) continue;
            try {
                CFile::Remove(dir + finder.GetFileName());
            } catch (const CFileException&) {
                return;
            }
        }
    }
}

void CMonitorControl::InitializeControl() {
    auto* publisher = static_cast<MessagePublisher*>(CQZObjectManager::Get(L"MessagePublisher"));
    auto* commands = static_cast<CommandManager*>(CQZObjectManager::Get(L"CommandManager"));
    std::shared_ptr<HandlerGate> gate = m_pGate;

    using Member = void (CMonitorControl::*)(boost::any);
    auto subscribe = [&](const wchar_t* name, Member handler) {
        if (!publisher) return;
        m_vecConnections.push_back(publisher->_subscribe(name, [this, gate, handler](boost::any payload) {
            gate->Run([&] { (this->*handler)(std::move(payload)); });
        }));
    };

    subscribe(L"WorkspaceChanged", &CMonitorControl::OutputOp_WorkspaceChanged);
    subscribe(L"MenuCommand", &CMonitorControl::OutputOp_MenuCommand);
    subscribe(L"ToolbarCommand", &CMonitorControl::OutputOp_ToolbarCommand);
    subscribe(L"PopupMenuOpen", &CMonitorControl::OutputOp_PopupMenuOpen);
    subscribe(L"DialogShow", &CMonitorControl::OutputOp_DialogShow);
    subscribe(L"TabWndActive", &CMonitorControl::OutputOp_TabWndActive);
    if (commands) {
        commands->_addpostexecutor(L"PostExecutorMonitor",
                                   [this, gate](std::wstring first, const std::wstring& second) {
                                       gate->Run([&] { OutputOp_PostExecute(std::move(first), second); });
                                   });
    }
    subscribe(L"MonitorServerInfo", &CMonitorControl::GetLogonServerInfo);
    subscribe(L"TransInfoRecv", &CMonitorControl::GetTransInfoRecv);
    subscribe(L"TransInfoSend", &CMonitorControl::GetTransInfoSend);
    subscribe(L"MoniterDownloadSpeedTest", &CMonitorControl::SetSpeedTestDownloadTick);
    subscribe(L"MoniterHTMLSpeedTestTime", &CMonitorControl::SetSpeedTestHTMLSpeedTestTime);
    subscribe(L"MoniterHTMLSpeedTestURL", &CMonitorControl::SetSpeedTestHTMLSpeedTestURL);
    subscribe(L"MoniterServerProfileVersion", &CMonitorControl::GetCurrentServerProfileVersion);
}

CMonitorControl::~CMonitorControl() {
    // 1. Handlers that test the flag ignore every message from now on.
    m_bStopping = true;

    // Shut the gate before anything is torn down: disconnect from the host and wait for the
    // handlers already running on host threads (one that passed its m_bStopping check just before
    // may still write a record). From here on no handler reads the members freed below.
    ShutHandlerGate();

    // 2. The process statistics report (nothing in an offline object).
    {
        std::lock_guard<std::recursive_mutex> lock(m_csLock);
        WriteProcessInfo();
    }

    // 3. m_csLock stays usable until the members are destroyed.

    if (!m_bOffline) {
        // 4.1 Stop the sampling thread: wake it and join it. A sample already running finishes
        // first; none starts after this point.
        StopSamplingThread();

        std::lock_guard<std::recursive_mutex> lock(m_csLock);
        // Steps 4.2, 4.3 and 4.7 change the statistics file, which other processes share.
        const DataFilesLock files;

        // 4.2 Flush the send buffer into the send batch and analyse it.
        bool analyse = false;
        {
            std::lock_guard<std::mutex> capture(m_mtxCapture);
            if (!m_vecSendInfo.empty()) {
                m_vecSendBatch.insert(m_vecSendBatch.end(), m_vecSendInfo.begin(), m_vecSendInfo.end());
                m_bSendBatchReady = 1;
                analyse = true;
            }
        }
        if (analyse && m_pstrStatFile && files.Held()) {
            EasyDecrypt(*m_pstrStatFile);
            AnalyseTransInfo();
            EasyEncrypt(*m_pstrStatFile);
        }

        // 4.3 The same for the receive buffer, through the narrow container functions.
        analyse = false;
        {
            std::lock_guard<std::mutex> capture(m_mtxCapture);
            if (!m_vecRecvInfo.empty()) {
                m_vecRecvBatch.insert(m_vecRecvBatch.end(), m_vecRecvInfo.begin(), m_vecRecvInfo.end());
                m_bRecvBatchReady = 1;
                analyse = true;
            }
        }
        if (analyse && m_pstrStatFile && files.Held()) {
            const std::string path = WideToAnsi(*m_pstrStatFile);
            UnscrambleFile(path.c_str());
            AnalyseTransInfo();
            ScrambleFile(path.c_str());
        }

        // 4.4 Free the machine description.
        for (auto*& info : m_vecCPUInfo) {
            delete info;
            info = nullptr;
        }
        delete m_pMemInfo;
        m_pMemInfo = nullptr;
        delete m_pMonitorInfo;
        m_pMonitorInfo = nullptr;
        delete m_pDriveInfo;
        m_pDriveInfo = nullptr;
        delete[] m_pMacInfo;
        m_pMacInfo = nullptr;

        // 4.5 Close the timer.
        if (CWaitableTimer* timer = m_hTimer.exchange(nullptr)) timer->Close();

        // 4.6 The working document.
        delete m_pMarkup;
        m_pMarkup = nullptr;

        // 4.7 The statistics file rests scrambled.
        if (!m_bStatFileScrambled && m_pstrStatFile && files.Held()) EasyEncrypt(*m_pstrStatFile);

        // 4.8 / 4.9 The operation log is still open without sharing, so the container cannot
        // open it and leaves it plain; the next run of the same day appends to it. A log that
        // this monitor does not hold (another process held it, or a write failure closed it) is
        // not offered to the container at all, so it is never left scrambled.
        {
            std::lock_guard<std::mutex> oplog(m_mtxOpLog);
            if (m_pstrOpLogFile && m_bOpLogOpen) EasyEncrypt(*m_pstrOpLogFile);
            if (m_bOpLogOpen) {
                m_fileOpLog.Abort();
                m_bOpLogOpen = false;
            }
        }

        // 4.10 The path strings.
        delete m_pstrStatFile;
        m_pstrStatFile = nullptr;
        delete m_pstrOpLogFile;
        m_pstrOpLogFile = nullptr;
        delete m_pstrSysInfoFile;
        m_pstrSysInfoFile = nullptr;
        delete m_pstrSpeedFile;
        m_pstrSpeedFile = nullptr;
    }
}

void CMonitorControl::ShutHandlerGate() {
    for (auto& connection : m_vecConnections) connection.disconnect();
    m_pGate->ShutAndDrain();
    if (!m_bOffline) {
        if (auto* commands = static_cast<CommandManager*>(CQZObjectManager::Get(L"CommandManager")))
            commands->delpostexecutor(L"PostExecutorMonitor");
    }
}
