// The host's data manager, as far as the monitor uses it: speed reports handed over with
// RequestCmd, and the shutdown count. It keeps every speed report it receives so the host (and
// tests) can read them back, and hands each one to the host's listener, if any, on the thread
// that made the request, before RequestCmd returns. Thread-safe.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/CString.h"

class QZ_HOST_API CDataMgr {
public:
    // The command number of a speed report, and its count of CString values.
    static constexpr int kSpeedReportCommand = 1281;

    // `data` points at `count` consecutive CString values when `command` is 1281; other commands
    // are accepted and ignored.
    void RequestCmd(HWND window, int command, int count, void* data, bool wait);
    int GetShutDownCount();

    // Host side.
    void SetShutDownCount(int count) { m_shutDownCount = count; }
    std::vector<std::vector<CString>> SpeedReports() const;
    using ReportListener = std::function<void(const std::vector<CString>&)>;
    void SetReportListener(ReportListener listener);
    void ClearSpeedReports();

private:
    mutable std::mutex m_mutex;
    std::vector<std::vector<CString>> m_reports;
    ReportListener m_listener;
    std::atomic<int> m_shutDownCount{0};
};
