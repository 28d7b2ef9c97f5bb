// The data directory and the day files of a run.
//
// Every file of the monitor lives in the executable directory + "\Data\MONDAT\". The operation log
// "DATA<n>" and the statistics file "DATB<n>" are named after the day number n, the count of whole
// days since local midnight of 1 January 2010; a run keeps the day on which it started. Day files
// live for their own day and seven more and are removed at the start of a later run.
#include <cstdint>
#include <cwchar>
#include <limits>
#include <mutex>
#include <stdexcept>

#include "host/Markup.h"
#include "platform/File.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "shell/MonitorControl.h"
#include "store/Container.h"
#include "store/DataFilesLock.h"

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// A day file stays on its own day and on this many following days.
constexpr std::int64_t kDaysKept = 7;

// Whole days since local midnight of 1 January 2010 at the current time. Raises
// std::invalid_argument when the local-time conversion of that midnight fails; the error leaves
// the monitor's constructor and reaches the host.
std::int64_t CurrentDayNumber() {
    const LocalTimeParts epoch{2010, 1, 1, 0, 0, 0};
    std::int64_t start = 0;
    if (!FromLocalTime(epoch, start))
        throw std::invalid_argument("the local time of 2010-01-01 00:00:00 cannot be converted");
    return (GetCurrentTime64() - start) / kSecondsPerDay;
}

CString DayText(std::int64_t day) {
    CString text;
    text.Format(L"%lld", static_cast<long long>(day));
    return text;
}

// The day number of a day file's name ("DATA4706", "DATB4700.xml", "DATA-3"): the decimal number
// read after the first four characters, white space and sign allowed as "%d" reads it. False for
// names that are not "DATA" or "DATB" names and for those whose rest does not start with a number;
// such files are not day files and are kept.
bool ParseDayFileName(const CString& name, std::int64_t& day) {
    if (name.GetLength() < 4) return false;
    const std::wstring& text = name.str();
    if (text.compare(0, 4, L"DATA") != 0 && text.compare(0, 4, L"DATB") != 0) return false;
    const wchar_t* rest = text.c_str() + 4;
    wchar_t* end = nullptr;
    const long long value = std::wcstoll(rest, &end, 10);
    if (end == rest) return false;
    // "%d" reads an int; a number beyond its range counts as the nearest int.
    if (value > std::numeric_limits<int>::max()) {
        day = std::numeric_limits<int>::max();
    } else if (value < std::numeric_limits<int>::min()) {
        day = std::numeric_limits<int>::min();
    } else {
        day = value;
    }
    return true;
}

}  // namespace

void CMonitorControl::CleanUpFile() {
    const std::int64_t today = CurrentDayNumber();
    const CString dir = GetExecutableDir() + L"\\Data\\MONDAT\\";
    CFileFind finder;
    bool more = finder.FindFile(dir + L"*.*");
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots() || finder.IsDirectory()) continue;
        const CString name = finder.GetFileName();
        std::int64_t day = 0;
        if (!ParseDayFileName(name, day)) continue;
        if (today <= day + kDaysKept) continue;
        try {
            CFile::Remove(dir + name);
        } catch (const CFileException&) {
            // A file that cannot be removed stays; the next run tries again.
        }
    }
    finder.Close();
}

bool CMonitorControl::CreateLogFile() {
    // Computed first so that a failed conversion leaves nothing allocated behind it.
    const std::int64_t day = CurrentDayNumber();

    delete m_pMarkup;
    m_pMarkup = new CMarkup();

    RemoveInterruptedContainerFiles();

    m_pstrStatFile = new CString();
    m_pstrOpLogFile = new CString();
    m_pstrSysInfoFile = new CString();
    m_pstrSpeedFile = new CString();

    const CString exeDir = GetExecutableDir();
    const CString dataDir = exeDir + L"\\Data\\MONDAT\\";
    // Created from the wide path: an installation folder whose name the ANSI code page cannot
    // hold still gets its data directory (its narrow form would carry '?' for those characters).
    MakeSureDirectoryPathExists(dataDir);

    const CString dayText = DayText(day);
    *m_pstrStatFile = dataDir + L"DATB" + dayText;
    *m_pstrOpLogFile = dataDir + L"DATA" + dayText;
    *m_pstrSysInfoFile = exeDir + L"\\Data\\MONDAT\\DATC";
    *m_pstrSpeedFile = exeDir + L"\\Data\\MONDAT\\SPEED";

    if (!PlatformCheck()) m_strWindowsVersion = L"ERROR";

    const int processors = GetCPUNumber();
    for (int i = 0; i < processors; ++i) {
        auto* info = new _CPUINFORMATION();
        GetCPUInfo(i, info);
        m_vecCPUInfo.push_back(info);
    }

    m_pMemInfo = new _MEMINFORMATION();
    GetMemoryInfo(m_pMemInfo);

    m_pMonitorInfo = new _MONITORINFOS();
    GetMONITORINFOS(1, m_pMonitorInfo);

    GetMacInfo(nullptr);

    const CString drive = GetCurrWorkingDirDisk();
    m_pDriveInfo = new _DRIVEINFORMATION();
    GetDriveInfo(drive, m_pDriveInfo);

    OutputSysInfo(*m_pstrSysInfoFile);

    // The day's statistics file is created once, as an empty "ROOT" document, and rests scrambled.
    // The check and the creation are one change: two processes starting together create it once.
    if (const DataFilesLock files; files.Held() && !PathFileExists(*m_pstrStatFile)) {
        CMarkup document;
        document.AddElem(L"ROOT");
        document.Save(*m_pstrStatFile);
        const std::string narrow = WideToAnsi(*m_pstrStatFile);
        ScrambleFile(narrow.c_str());
    }

    std::lock_guard<std::mutex> lock(m_mtxOpLog);
    OpenOperationLog();
    return true;
}

// Opens the day's operation log for appending, without sharing: while the monitor holds it, no
// other open succeeds (so the shutdown scramble leaves it plain). A fragment of a record at the
// end (a write cut short by a full disk or a crash) is cut off, so that appended records start
// on a record boundary and every later record decodes. The caller holds m_mtxOpLog.
bool CMonitorControl::OpenOperationLog() {
    if (!m_pstrOpLogFile) return false;
    if (!m_fileOpLog.Open(*m_pstrOpLogFile,
                          CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite | CFile::shareExclusive)) {
        m_bOpLogOpen = false;
        return false;
    }
    try {
        const std::uint64_t end = m_fileOpLog.SeekToEnd();
        m_nOpLogEnd = end - end % sizeof(OperationRecord);
        if (m_nOpLogEnd != end) {
            m_fileOpLog.SetLength(m_nOpLogEnd);
            m_fileOpLog.Seek(static_cast<std::int64_t>(m_nOpLogEnd), CFile::begin);
        }
    } catch (const CFileException&) {
        m_fileOpLog.Abort();
        m_bOpLogOpen = false;
        return false;
    }
    m_bOpLogOpen = true;
    return true;
}
