// Capture of the host's traffic records.
#include "shell/MonitorControl.h"

void CMonitorControl::GetLogonServerInfo(boost::any) {}
void CMonitorControl::GetTransInfoSend(boost::any) {}
void CMonitorControl::GetTransInfoRecv(boost::any) {}
