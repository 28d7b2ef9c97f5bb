// Generation of the monitor configuration file from the host's UI description files and headers.
#include "shell/MonitorControl.h"

void CMonitorControl::CreateOperationMapping() {}
void CMonitorControl::ParseHeaderFile(CString, int&, int&, int&, CString) {}
void CMonitorControl::ParseClientRequest(CString, CString) {}
