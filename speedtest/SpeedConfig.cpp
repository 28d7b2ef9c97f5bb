// The speed-test configuration and its refresh.
#include "shell/MonitorControl.h"

void CMonitorControl::GetCurrentServerProfileVersion(boost::any) {}
void CMonitorControl::ParseServerConfig() {}
bool CMonitorControl::IsNeedToTestSpeed() {
    return m_bTestSpeed;
}
bool CMonitorControl::WriteServerSpeedInfo() {
    return m_bTestSpeed;
}
