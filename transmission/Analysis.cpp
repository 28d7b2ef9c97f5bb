// Reduction of traffic batches into per-request-type statistics.
//
// A call groups whichever batch is flagged ready, pairs request/reply records of the same
// (request type, serial) in capture order, counts push traffic, and clears both batch flags.
//
// Grouping is done by sorting flat arrays rather than by building nested maps: the normal records
// of each side are sorted by (type, serial, capture position), so every (type, serial) group is a
// contiguous run in capture order and the pairing is one merge walk over the two sides. This gives
// the same counters as grouping into ordered maps (every contribution is a sum, and an entry is
// created exactly when a type first contributes) at a fraction of the allocations.
//
// Counters wrap modulo 2^32: they are summed in unsigned arithmetic and stored as int32.
#include <algorithm>
#include <exception>
#include <mutex>

#include "shell/MonitorControl.h"

namespace {

// One request/reply record as the pairing needs it.
struct KeyedRecord {
    std::uint64_t key;    // request type (biased to sort in signed order) high, serial low
    std::uint32_t order;  // position in the batch: capture order within a group
    std::int32_t stamp;
    std::int32_t size;
};

std::uint64_t GroupKey(const TRANS_INFO& record) {
    const std::uint32_t type = static_cast<std::uint32_t>(record.nReqType) ^ 0x80000000U;
    const std::uint32_t serial = static_cast<std::uint32_t>(record.nSerial) ^ 0x80000000U;
    return (static_cast<std::uint64_t>(type) << 32) | serial;
}

std::int32_t KeyType(std::uint64_t key) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(key >> 32) ^ 0x80000000U);
}

std::int32_t KeySerial(std::uint64_t key) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(key) ^ 0x80000000U);
}

// The records of one batch, split into request/reply records (sorted into groups) and push
// records (kept in capture order).
struct GroupedBatch {
    std::vector<KeyedRecord> normal;
    std::vector<TRANS_INFO> push;
};

// Groups a batch; on an exception nothing of the batch is grouped and the batch is kept whole, so
// its records are grouped once, with the next batch appended behind them.
void GroupBatch(std::vector<TRANS_INFO>& batch, GroupedBatch& grouped) {
    try {
        grouped.normal.reserve(batch.size());
        std::uint32_t order = 0;
        for (const TRANS_INFO& record : batch) {
            if (record.bPush)
                grouped.push.push_back(record);
            else
                grouped.normal.push_back(KeyedRecord{GroupKey(record), order, record.nTimeStamp, record.nSize});
            ++order;
        }
        std::sort(grouped.normal.begin(), grouped.normal.end(), [](const KeyedRecord& a, const KeyedRecord& b) {
            return a.key != b.key ? a.key < b.key : a.order < b.order;
        });
        batch.clear();
    } catch (const std::exception&) {
        grouped = GroupedBatch();
    }
}

void Add(std::int32_t& counter, std::int32_t value) {
    counter = static_cast<std::int32_t>(static_cast<std::uint32_t>(counter) + static_cast<std::uint32_t>(value));
}

// The entry of a request type, looked up once per run of records of that type.
class StatCursor {
public:
    explicit StatCursor(std::map<std::int32_t, TRANS_STAT>& stats) : m_stats(stats) {}
    TRANS_STAT& operator[](std::int32_t type) {
        if (!m_current || type != m_type) {
            m_current = &m_stats[type];
            m_type = type;
        }
        return *m_current;
    }

private:
    std::map<std::int32_t, TRANS_STAT>& m_stats;
    TRANS_STAT* m_current = nullptr;
    std::int32_t m_type = 0;
};

// Response time of a pair on the 60-second clock of the stamps; equal stamps count as a full turn.
std::int32_t ResponseTime(std::int32_t sendStamp, std::int32_t recvStamp) {
    std::uint32_t time = static_cast<std::uint32_t>(recvStamp) - static_cast<std::uint32_t>(sendStamp);
    if (recvStamp <= sendStamp) time += 60000U;
    return static_cast<std::int32_t>(time);
}

// Pairs the J-th send of every (type, serial) group with the J-th receive of the same group.
void PairNormal(const std::vector<KeyedRecord>& sends, const std::vector<KeyedRecord>& recvs,
                std::map<std::int32_t, TRANS_STAT>& stats) {
    StatCursor cursor(stats);
    size_t i = 0;
    size_t j = 0;
    while (i < sends.size() && j < recvs.size()) {
        const std::uint64_t key = sends[i].key;
        if (key < recvs[j].key) {
            ++i;
            continue;
        }
        if (recvs[j].key < key) {
            ++j;
            continue;
        }
        size_t sendEnd = i;
        while (sendEnd < sends.size() && sends[sendEnd].key == key) ++sendEnd;
        size_t recvEnd = j;
        while (recvEnd < recvs.size() && recvs[recvEnd].key == key) ++recvEnd;

        TRANS_STAT& stat = cursor[KeyType(key)];
        const bool hasSerial = KeySerial(key) != 0;
        for (; i < sendEnd && j < recvEnd; ++i, ++j) {
            const std::int32_t time = ResponseTime(sends[i].stamp, recvs[j].stamp);
            if (hasSerial) {
                Add(stat.nSum, 1);
                Add(stat.nTime, time);
                Add(stat.nSendSize, sends[i].size);
                Add(stat.nRecvSize, recvs[j].size);
            } else {
                Add(stat.nSumNone, 1);
                Add(stat.nTimeNone, time);
                Add(stat.nSendSizeNone, sends[i].size);
                Add(stat.nRecvSizeNone, recvs[j].size);
            }
        }
        // Surplus records of the longer side stay unpaired.
        i = sendEnd;
        j = recvEnd;
    }
}

}  // namespace

bool CMonitorControl::AnalyseTransInfo() {
    std::lock_guard<std::recursive_mutex> lock(m_csLock);

    // Phases 1 and 2: group the batches that are ready. A ready batch belongs to this call.
    GroupedBatch sends;
    GroupedBatch recvs;
    if (m_bSendBatchReady.load(std::memory_order_acquire) == 1) GroupBatch(m_vecSendBatch, sends);
    if (m_bRecvBatchReady.load(std::memory_order_acquire) == 1) GroupBatch(m_vecRecvBatch, recvs);

    // Phase 3: request/reply pairs.
    PairNormal(sends.normal, recvs.normal, m_mapNormalStat);

    // Phase 4: push sends add their sizes only.
    StatCursor push(m_mapPushStat);
    for (const TRANS_INFO& record : sends.push) {
        TRANS_STAT& stat = push[record.nReqType];
        Add(record.nSerial != 0 ? stat.nSendSize : stat.nSendSizeNone, record.nSize);
    }

    // Phase 5: push receives are counted and sized; they are never paired with push sends.
    for (const TRANS_INFO& record : recvs.push) {
        TRANS_STAT& stat = push[record.nReqType];
        if (record.nSerial != 0) {
            Add(stat.nSum, 1);
            Add(stat.nRecvSize, record.nSize);
        } else {
            Add(stat.nSumNone, 1);
            Add(stat.nRecvSizeNone, record.nSize);
        }
    }

    m_bSendBatchReady.store(0, std::memory_order_release);
    m_bRecvBatchReady.store(0, std::memory_order_release);
    return true;
}
