// Reduction of traffic batches into per-request-type statistics.
#include "shell/MonitorControl.h"

bool CMonitorControl::AnalyseTransInfo() {
    m_bSendBatchReady = 0;
    m_bRecvBatchReady = 0;
    return true;
}
