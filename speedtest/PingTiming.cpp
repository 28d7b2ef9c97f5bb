// Ping of one server through the system's ping command, and the download and web-page timings
// the host reports.
#include <boost/any.hpp>
#include <mutex>

#include "platform/Process.h"
#include "platform/TextConv.h"
#include "shell/MonitorControl.h"
#include "speedtest/PingOutput.h"
#include "speedtest/SpeedTestSettings.h"

namespace {
// Far more than one ping writes; the rest of a runaway output is dropped.
constexpr size_t kMaxPingOutput = 64 * 1024;
}  // namespace

int CMonitorControl::Ping(CString strCommandLine) {
    const ProcessOutcome outcome = RunProcess(strCommandLine, GetSpeedTestSettings().pingTimeoutMs, kMaxPingOutput);
    switch (outcome.status) {
        case ProcessStatus::PipeFailed:
            return -5;
        case ProcessStatus::StartFailed:
            return -4;
        case ProcessStatus::ReadFailed:
            return -3;
        case ProcessStatus::TimedOut:
            return -1;  // no answer within the limit: the request timed out
        case ProcessStatus::Exited:
            break;
    }
    return ParsePingOutput(AnsiToWide(outcome.output));
}

void CMonitorControl::SetSpeedTestDownloadTick(boost::any payload) {
    if (m_bStopping) return;
    const int time = boost::any_cast<int>(payload);
    std::lock_guard<std::mutex> lock(m_mtxSpeed);
    m_nDownloadTime = time;
    m_bDownloadReported = false;
}

void CMonitorControl::SetSpeedTestHTMLSpeedTestURL(boost::any payload) {
    if (m_bStopping) return;
    WebTestEntry entry;
    entry.strURL = boost::any_cast<CString>(payload);
    entry.nOpenTime = -1;
    std::lock_guard<std::mutex> lock(m_mtxSpeed);
    m_vecWebTest.push_back(entry);
}

void CMonitorControl::SetSpeedTestHTMLSpeedTestTime(boost::any payload) {
    if (m_bStopping) return;
    CString target;
    int time = 0;
    {
        std::lock_guard<std::mutex> lock(m_mtxSpeed);
        if (m_vecWebTest.empty()) return;  // no page to attach the time to
        time = boost::any_cast<int>(payload);
        m_vecWebTest.back().nOpenTime = time;
        // Only the first timing that arrives while speed tests are on is reported.
        if (!m_bTestSpeed || m_bWebReported) return;
        m_bWebReported = true;
        target = L"URL:" + m_vecWebTest.back().strURL;
    }
    SendSpeedReport(L"WebOpenTest", target, time);
}
