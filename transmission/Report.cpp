// The transmission statistics fragment of the statistics document.
#include "shell/MonitorControl.h"

void CMonitorControl::OutputSys_TransInfo() {}
