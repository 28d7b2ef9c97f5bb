// Reduction of send and receive batches into per-request-type statistics.
#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "tests/support/MonitorTestAccess.h"

using A = MonitorTestAccess;
using StatMap = std::map<std::int32_t, TRANS_STAT>;

bool operator==(const TRANS_STAT& a, const TRANS_STAT& b) {
    return a.nSum == b.nSum && a.nTime == b.nTime && a.nSendSize == b.nSendSize && a.nRecvSize == b.nRecvSize &&
           a.nSumNone == b.nSumNone && a.nTimeNone == b.nTimeNone && a.nSendSizeNone == b.nSendSizeNone &&
           a.nRecvSizeNone == b.nRecvSizeNone;
}

void PrintTo(const TRANS_STAT& s, std::ostream* os) {
    *os << "{" << s.nSum << ", " << s.nTime << ", " << s.nSendSize << ", " << s.nRecvSize << ", " << s.nSumNone << ", "
        << s.nTimeNone << ", " << s.nSendSizeNone << ", " << s.nRecvSizeNone << "}";
}

namespace {

TRANS_INFO Normal(std::int32_t type, std::int32_t serial, std::int32_t stamp, std::int32_t size) {
    return TRANS_INFO{serial, type, stamp, size, false};
}
TRANS_INFO Push(std::int32_t type, std::int32_t serial, std::int32_t size) {
    return TRANS_INFO{serial, type, 0, size, true};
}

class Analysis : public ::testing::Test {
protected:
    ScratchHost scratch;
    CMonitorControl monitor{true};

    // Hands both batches to the analysis as the capture would, and runs it.
    void Analyse(const std::vector<TRANS_INFO>& sends, const std::vector<TRANS_INFO>& recvs) {
        A::m_vecSendBatch(monitor) = sends;
        A::m_vecRecvBatch(monitor) = recvs;
        A::m_bSendBatchReady(monitor) = 1;
        A::m_bRecvBatchReady(monitor) = 1;
        EXPECT_TRUE(A::AnalyseTransInfo(monitor));
        EXPECT_EQ(A::m_bSendBatchReady(monitor).load(), 0);
        EXPECT_EQ(A::m_bRecvBatchReady(monitor).load(), 0);
        EXPECT_TRUE(A::m_vecSendBatch(monitor).empty());
        EXPECT_TRUE(A::m_vecRecvBatch(monitor).empty());
    }
    StatMap& NormalStat() { return A::m_mapNormalStat(monitor); }
    StatMap& PushStat() { return A::m_mapPushStat(monitor); }
};

struct Case {
    const char* name;
    std::vector<TRANS_INFO> sends;
    std::vector<TRANS_INFO> recvs;
    StatMap normal;
    StatMap push;
};

TEST_F(Analysis, WorkedCases) {
    const std::vector<Case> cases = {
        {"one pair", {Normal(5, 7, 1000, 40)}, {Normal(5, 7, 1250, 900)}, {{5, {1, 250, 40, 900, 0, 0, 0, 0}}}, {}},
        {"stamps wrap at 60000",
         {Normal(5, 7, 59900, 40)},
         {Normal(5, 7, 100, 900)},
         {{5, {1, 200, 40, 900, 0, 0, 0, 0}}},
         {}},
        {"equal stamps count a full turn",
         {Normal(5, 7, 500, 40)},
         {Normal(5, 7, 500, 900)},
         {{5, {1, 60000, 40, 900, 0, 0, 0, 0}}},
         {}},
        {"serial 0 pairs in capture order, the surplus send is dropped",
         {Normal(5, 0, 100, 1), Normal(5, 0, 200, 2), Normal(5, 0, 300, 4)},
         {Normal(5, 0, 150, 10), Normal(5, 0, 260, 20)},
         {{5, {0, 0, 0, 0, 2, 110, 3, 30}}},
         {}},
        {"a receive without a send of its type creates no entry", {Normal(5, 7, 0, 1)}, {Normal(6, 7, 10, 1)}, {}, {}},
        {"a serial without its counterpart is dropped", {Normal(5, 7, 0, 1)}, {Normal(5, 8, 10, 1)}, {}, {}},
        {"normal send and push receive are not paired",
         {Normal(5, 7, 0, 40)},
         {Push(5, 7, 900)},
         {},
         {{5, {1, 0, 0, 900, 0, 0, 0, 0}}}},
        {"push sends are sized, push receives counted",
         {Push(9, 3, 10), Push(9, 3, 20)},
         {Push(9, 0, 500)},
         {},
         {{9, {0, 0, 30, 0, 1, 0, 0, 500}}}},
        {"groups interleaved across types and serials pair within their group",
         {Normal(1, 2, 0, 1), Normal(2, 2, 0, 2), Normal(1, 3, 0, 4), Normal(1, 2, 5, 8)},
         {Normal(1, 2, 30, 100), Normal(1, 3, 7, 200), Normal(2, 2, 1, 400), Normal(1, 2, 40, 800)},
         {{1, {3, 30 + 7 + 35, 1 + 4 + 8, 100 + 200 + 800, 0, 0, 0, 0}}, {2, {1, 1, 2, 400, 0, 0, 0, 0}}},
         {}},
        {"negative serials and types group like any other",
         {Normal(-3, -1, 10, 1)},
         {Normal(-3, -1, 20, 2)},
         {{-3, {1, 10, 1, 2, 0, 0, 0, 0}}},
         {}},
        {"sums wrap modulo 2^32",
         {Normal(5, 1, 0, std::numeric_limits<std::int32_t>::max()), Normal(5, 1, 0, 1)},
         {Normal(5, 1, 1, 0), Normal(5, 1, 1, 0)},
         {{5, {2, 2, std::numeric_limits<std::int32_t>::min(), 0, 0, 0, 0, 0}}},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NormalStat().clear();
        PushStat().clear();
        Analyse(c.sends, c.recvs);
        EXPECT_EQ(NormalStat(), c.normal);
        EXPECT_EQ(PushStat(), c.push);
    }
}

TEST_F(Analysis, EntriesAccumulateOverCalls) {
    Analyse({Normal(5, 7, 1000, 40)}, {Normal(5, 7, 1250, 900)});
    Analyse({Normal(5, 7, 2000, 40)}, {Normal(5, 7, 2100, 900)});
    EXPECT_EQ(NormalStat(), (StatMap{{5, {2, 350, 80, 1800, 0, 0, 0, 0}}}));
}

TEST_F(Analysis, ASendBatchAloneIsGroupedAndBothFlagsClear) {
    A::m_vecSendBatch(monitor) = {Normal(5, 7, 0, 40), Push(9, 1, 15)};
    A::m_vecRecvBatch(monitor) = {Normal(5, 7, 10, 900)};  // still being filled by the capture
    A::m_bSendBatchReady(monitor) = 1;
    A::AnalyseTransInfo(monitor);
    EXPECT_TRUE(NormalStat().empty());
    EXPECT_EQ(PushStat(), (StatMap{{9, {0, 0, 15, 0, 0, 0, 0, 0}}}));
    EXPECT_TRUE(A::m_vecSendBatch(monitor).empty());
    EXPECT_EQ(A::m_vecRecvBatch(monitor).size(), 1u);
    EXPECT_EQ(A::m_bSendBatchReady(monitor).load(), 0);
    EXPECT_EQ(A::m_bRecvBatchReady(monitor).load(), 0);
}

// Request type -> serial -> records in capture order.
using TransGroupMap = std::map<std::int32_t, std::map<std::int32_t, std::vector<TRANS_INFO>>>;

// The pairing done the plain way, with nested ordered maps, to compare the analysis against.
void Reference(const std::vector<TRANS_INFO>& sends, const std::vector<TRANS_INFO>& recvs, StatMap& normal,
               StatMap& push) {
    TransGroupMap sendNormal, recvNormal, sendPush, recvPush;
    for (const auto& r : sends) (r.bPush ? sendPush : sendNormal)[r.nReqType][r.nSerial].push_back(r);
    for (const auto& r : recvs) (r.bPush ? recvPush : recvNormal)[r.nReqType][r.nSerial].push_back(r);
    auto add = [](std::int32_t& c, std::int64_t v) {
        c = static_cast<std::int32_t>(static_cast<std::uint32_t>(c) + static_cast<std::uint32_t>(v));
    };
    for (auto& [type, serials] : sendNormal) {
        if (!recvNormal.count(type)) continue;
        for (auto& [serial, s] : serials) {
            if (!recvNormal[type].count(serial)) continue;
            auto& r = recvNormal[type][serial];
            for (size_t j = 0; j < std::min(s.size(), r.size()); ++j) {
                std::int64_t d = std::int64_t(r[j].nTimeStamp) - s[j].nTimeStamp;
                if (r[j].nTimeStamp <= s[j].nTimeStamp) d += 60000;
                TRANS_STAT& st = normal[type];
                add(serial ? st.nSum : st.nSumNone, 1);
                add(serial ? st.nTime : st.nTimeNone, d);
                add(serial ? st.nSendSize : st.nSendSizeNone, s[j].nSize);
                add(serial ? st.nRecvSize : st.nRecvSizeNone, r[j].nSize);
            }
        }
    }
    for (auto& [type, serials] : sendPush)
        for (auto& [serial, v] : serials)
            for (auto& r : v) add(serial ? push[type].nSendSize : push[type].nSendSizeNone, r.nSize);
    for (auto& [type, serials] : recvPush)
        for (auto& [serial, v] : serials)
            for (auto& r : v) {
                add(serial ? push[type].nSum : push[type].nSumNone, 1);
                add(serial ? push[type].nRecvSize : push[type].nRecvSizeNone, r.nSize);
            }
}

TEST_F(Analysis, MatchesNestedMapGroupingOnRandomTraffic) {
    std::mt19937 random(20240611);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    StatMap normal, push;
    for (int round = 0; round < 30; ++round) {
        std::vector<TRANS_INFO> sends(pick(0, 400)), recvs(pick(0, 400));
        for (auto* batch : {&sends, &recvs})
            for (auto& r : *batch)
                r = TRANS_INFO{pick(-1, 6), pick(-2, 12), pick(0, 59999), pick(0, 5000), pick(0, 9) == 0};
        Reference(sends, recvs, normal, push);
        Analyse(sends, recvs);
    }
    EXPECT_EQ(NormalStat(), normal);
    EXPECT_EQ(PushStat(), push);
}

}  // namespace
