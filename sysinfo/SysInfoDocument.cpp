// The system information file.
#include "shell/MonitorControl.h"

void CMonitorControl::OutputSysInfo(CString) {}
void CMonitorControl::ModifySysInfo(CString) {}
void CMonitorControl::LoadSysInfo() {}
