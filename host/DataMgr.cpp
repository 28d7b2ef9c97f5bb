// The host's data manager: keeps the speed reports it receives.
#include "host/DataMgr.h"

void CDataMgr::RequestCmd(HWND, int command, int count, void* data, bool) {
    if (command != kSpeedReportCommand || count <= 0 || !data) return;
    const CString* strings = static_cast<const CString*>(data);
    std::vector<CString> report(strings, strings + count);
    ReportListener listener;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reports.push_back(report);
        listener = m_listener;
    }
    if (listener) listener(report);  // outside the lock: the listener may read the reports back
}

void CDataMgr::SetReportListener(ReportListener listener) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_listener = std::move(listener);
}

int CDataMgr::GetShutDownCount() {
    return m_shutDownCount.load();
}

std::vector<std::vector<CString>> CDataMgr::SpeedReports() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_reports;
}

void CDataMgr::ClearSpeedReports() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reports.clear();
}
