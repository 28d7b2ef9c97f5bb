// The data directory and the day files of a run.
#include "shell/MonitorControl.h"

void CMonitorControl::CleanUpFile() {}
bool CMonitorControl::CreateLogFile() {
    return true;
}
bool CMonitorControl::OpenOperationLog() {
    return false;
}
