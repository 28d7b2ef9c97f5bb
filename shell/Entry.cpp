// The plug-in's two entry points, called by the host at start-up and at shutdown.
#include "host/ObjectManager.h"
#include "shell/MonitorControl.h"

extern "C" QZ_MONITOR_API void QZLibInitialize() {
    CMonitorControl* monitor = new CMonitorControl(false);
    monitor->InitializeControl();
    CQZObjectManager::Add(L"CMonitorControl", monitor);
}

extern "C" QZ_MONITOR_API void QZLibDestroy() {
    CMonitorControl* monitor = static_cast<CMonitorControl*>(CQZObjectManager::Get(L"CMonitorControl"));
    if (!monitor) return;
    // The entry is cleared so that nobody can fetch the freed object (nor destroy it twice).
    CQZObjectManager::Add(L"CMonitorControl", nullptr);
    delete monitor;
}
