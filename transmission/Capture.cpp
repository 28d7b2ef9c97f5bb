// Capture of the host's traffic records.
//
// Every accepted message costs one append to a buffer under m_mtxCapture. The send buffer is cut
// into a batch at 800 records; the receive buffer is cut by the first receive after a send cut.
// A batch belongs to the analysis from the moment its flag is set (release) until the analysis
// clears the flag again; the handlers touch a batch only while its flag is clear.
#include <exception>
#include <mutex>

#include "shell/MonitorControl.h"

namespace {

// Send records buffered before the send batch is cut.
constexpr size_t kSendBatchSize = 800;

// Moves every buffered record behind whatever the batch still holds (records that an interrupted
// analysis could not group stay in front). A record that cannot be appended is skipped alone.
void CutBatch(std::vector<TRANS_INFO>& buffer, std::vector<TRANS_INFO>& batch) {
    if (batch.empty()) {
        batch.swap(buffer);  // the usual case: the buffers trade storage, nothing is copied
    } else {
        for (const TRANS_INFO& record : buffer) {
            try {
                batch.push_back(record);
            } catch (const std::exception&) {
            }
        }
    }
    buffer.clear();
}

// The "TransInfoSend" payload: a pointer to the host's record (const or not).
const TRANS_INFO* SendRecord(const boost::any& payload) {
    if (auto* record = boost::any_cast<TRANS_INFO*>(&payload)) return *record;
    return boost::any_cast<const TRANS_INFO*>(payload);  // any other type raises bad_any_cast
}

}  // namespace

void CMonitorControl::GetLogonServerInfo(boost::any payload) {
    MONITOR_SERVER_INFO info = boost::any_cast<MONITOR_SERVER_INFO>(payload);
    std::lock_guard<std::mutex> lock(m_mtxCapture);
    m_vecLogonServer.push_back(std::move(info));
}

void CMonitorControl::GetTransInfoSend(boost::any payload) {
    if (m_bStopping) return;
    const TRANS_INFO* record = SendRecord(payload);
    // The host hands a pointer; a null one carries no record.
    if (!record || record->nReqType < 0) return;

    std::lock_guard<std::mutex> lock(m_mtxCapture);
    m_vecSendInfo.push_back(*record);
    if (m_bSendBatchReady.load(std::memory_order_acquire) == 0 && m_vecSendInfo.size() >= kSendBatchSize) {
        CutBatch(m_vecSendInfo, m_vecSendBatch);
        m_bSendBatchReady.store(1, std::memory_order_release);
    }
}

void CMonitorControl::GetTransInfoRecv(boost::any payload) {
    if (m_bStopping) return;
    const TRANS_INFO& record = boost::any_cast<const TRANS_INFO&>(payload);
    if (record.nReqType < 0) return;

    std::lock_guard<std::mutex> lock(m_mtxCapture);
    m_vecRecvInfo.push_back(record);
    if (m_bRecvBatchReady.load(std::memory_order_acquire) == 0 &&
        m_bSendBatchReady.load(std::memory_order_acquire) == 1) {
        CutBatch(m_vecRecvInfo, m_vecRecvBatch);
        m_bRecvBatchReady.store(1, std::memory_order_release);
    }
}
