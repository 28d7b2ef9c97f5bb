// The process statistics report.
#include "shell/MonitorControl.h"

bool CMonitorControl::WriteProcessInfo() {
    return m_pstrStatFile != nullptr;
}
bool CMonitorControl::GetFendrakeProcessInfo() {
    return m_pstrStatFile != nullptr;
}
