// Probes of the platform and hardware.
#include "shell/MonitorControl.h"

bool CMonitorControl::PlatformCheck() {
    return true;
}
int CMonitorControl::GetCPUNumber() {
    return 0;
}
bool CMonitorControl::GetCPUInfo(int, _CPUINFORMATION*) {
    return true;
}
bool CMonitorControl::GetMemoryInfo(_MEMINFORMATION*) {
    return true;
}
bool CMonitorControl::GetMONITORINFOS(int, _MONITORINFOS*) {
    return true;
}
bool CMonitorControl::GetMacInfo(_MACINFOS*) {
    return false;
}
CString CMonitorControl::GetCurrWorkingDirDisk() {
    return CString();
}
bool CMonitorControl::GetDriveInfo(CString, _DRIVEINFORMATION*) {
    return false;
}
