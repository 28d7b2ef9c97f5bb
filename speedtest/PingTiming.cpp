// Ping and web timing.
#include "shell/MonitorControl.h"

int CMonitorControl::Ping(CString) {
    return -4;
}
void CMonitorControl::SetSpeedTestDownloadTick(boost::any) {}
void CMonitorControl::SetSpeedTestHTMLSpeedTestTime(boost::any) {}
void CMonitorControl::SetSpeedTestHTMLSpeedTestURL(boost::any) {}
