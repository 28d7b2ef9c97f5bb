// The 10-second process sampler.
#include "shell/MonitorControl.h"

bool CMonitorControl::CollectProcessInfo() {
    return true;
}
LONGLONG CMonitorControl::FileTimeToInt64(const FILETIME& time) {
    return static_cast<LONGLONG>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}
int CMonitorControl::GetCPUTime(LONGLONG&) {
    return -1;
}
int CMonitorControl::GetCPUPercent() {
    return m_nCPUPercent;
}
void CMonitorControl::SendSpeedReport(const CString&, const CString&, int) {}
