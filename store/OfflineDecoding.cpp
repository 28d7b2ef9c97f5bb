// Offline decoding of the data files.
#include "shell/MonitorControl.h"

bool CMonitorControl::DecryptMonitor(int, CString) {
    return false;
}
