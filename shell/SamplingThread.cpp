// The sampling thread: a 10-second one-shot timer, re-armed after each sample.
#include "shell/MonitorControl.h"

namespace {
// 10 seconds from now, in the timer's relative units of 100 nanoseconds.
constexpr std::int64_t kSampleDueTime = -100000000LL;
}  // namespace

unsigned CMonitorControl::SamplingThreadProc() {
    m_bRunning = true;
    if (!m_timer.Create(L"MonitorWaitableTimer")) return 1;
    m_hTimer = &m_timer;
    if (!m_timer.Set(kSampleDueTime, 0)) {
        m_timer.Close();
        m_hTimer = nullptr;
        return 2;
    }
    while (m_bRunning) {
        const CWaitableTimer::WaitResult result = m_timer.Wait();
        if (result == CWaitableTimer::WaitWoken) break;  // the destructor stops the thread
        if (result != CWaitableTimer::WaitFired) {
            m_timer.Close();
            m_hTimer = nullptr;
            return 3;
        }
        if (!m_bRunning) break;
        CollectProcessInfo();  // takes the locks it needs, none across its calls to the host
        m_timer.Set(kSampleDueTime, 0);
    }
    return 0;
}

void CMonitorControl::StopSamplingThread() {
    m_bRunning = false;
    // Wake() is sticky: a thread that has not reached its first wait yet returns at once too.
    m_timer.Wake();
    if (m_pWorkerThread && m_pWorkerThread->joinable()) m_pWorkerThread->join();
}
