// Loading of the monitor configuration file into the operation and request tables.
#include "shell/MonitorControl.h"

void CMonitorControl::GetOperationMapping() {}
