// Capture of the host's traffic records and the cutting of send and receive batches.
#include <gtest/gtest.h>

#include <boost/any.hpp>

#include "tests/support/MonitorTestAccess.h"

using A = MonitorTestAccess;

namespace {

class Capture : public ::testing::Test {
protected:
    ScratchHost scratch;
    CMonitorControl monitor{true};

    void Send(std::int32_t type, std::int32_t serial = 1, std::int32_t stamp = 0) {
        TRANS_INFO record{serial, type, stamp, 10, false};
        A::GetTransInfoSend(monitor, boost::any(&record));
    }
    void Recv(std::int32_t type, std::int32_t serial = 1) {
        A::GetTransInfoRecv(monitor, boost::any(TRANS_INFO{serial, type, 0, 20, false}));
    }
    void Sends(int count) {
        for (int i = 0; i < count; ++i) Send(1, i);
    }
    // What the analysis leaves behind: empty batches, both flags clear.
    void AnalysisDone() {
        A::m_vecSendBatch(monitor).clear();
        A::m_vecRecvBatch(monitor).clear();
        A::m_bSendBatchReady(monitor) = 0;
        A::m_bRecvBatchReady(monitor) = 0;
    }
    int SendReady() { return A::m_bSendBatchReady(monitor).load(); }
    int RecvReady() { return A::m_bRecvBatchReady(monitor).load(); }
};

TEST_F(Capture, The800thSendCutsTheBatch) {
    Sends(799);
    EXPECT_EQ(SendReady(), 0);
    EXPECT_EQ(A::m_vecSendInfo(monitor).size(), 799u);
    Send(1, 799, 4321);
    EXPECT_EQ(SendReady(), 1);
    EXPECT_TRUE(A::m_vecSendInfo(monitor).empty());
    ASSERT_EQ(A::m_vecSendBatch(monitor).size(), 800u);
    EXPECT_EQ(A::m_vecSendBatch(monitor).front().nSerial, 0);
    EXPECT_EQ(A::m_vecSendBatch(monitor).back().nTimeStamp, 4321);
}

TEST_F(Capture, ANegativeTypeIsDroppedAndDoesNotCut) {
    Sends(799);
    Send(-1);
    EXPECT_EQ(SendReady(), 0);
    EXPECT_EQ(A::m_vecSendInfo(monitor).size(), 799u);
    Send(1);
    EXPECT_EQ(SendReady(), 1);
    EXPECT_EQ(A::m_vecSendBatch(monitor).size(), 800u);

    Recv(-5);
    EXPECT_EQ(RecvReady(), 0);
    EXPECT_TRUE(A::m_vecRecvInfo(monitor).empty());
}

TEST_F(Capture, SendsGrowWhileTheBatchIsPendingAndMoveWholeAfterTheAnalysis) {
    Sends(800);
    Sends(1500);
    EXPECT_EQ(SendReady(), 1);
    EXPECT_EQ(A::m_vecSendBatch(monitor).size(), 800u);
    EXPECT_EQ(A::m_vecSendInfo(monitor).size(), 1500u);
    AnalysisDone();
    Send(2);
    EXPECT_EQ(SendReady(), 1);
    EXPECT_EQ(A::m_vecSendBatch(monitor).size(), 1501u);
    EXPECT_EQ(A::m_vecSendBatch(monitor).back().nReqType, 2);
    EXPECT_TRUE(A::m_vecSendInfo(monitor).empty());
}

TEST_F(Capture, RecordsLeftInABatchStayInFront) {
    A::m_vecSendBatch(monitor).push_back(TRANS_INFO{77, 9, 0, 0, false});
    Sends(800);
    ASSERT_EQ(A::m_vecSendBatch(monitor).size(), 801u);
    EXPECT_EQ(A::m_vecSendBatch(monitor).front().nSerial, 77);
    EXPECT_EQ(A::m_vecSendBatch(monitor)[1].nSerial, 0);
}

TEST_F(Capture, ReceivesCutOnlyAfterASendCut) {
    for (int i = 0; i < 3000; ++i) Recv(1, i);
    EXPECT_EQ(RecvReady(), 0);
    EXPECT_EQ(A::m_vecRecvInfo(monitor).size(), 3000u);

    Sends(800);
    Recv(4, 3000);
    EXPECT_EQ(RecvReady(), 1);
    ASSERT_EQ(A::m_vecRecvBatch(monitor).size(), 3001u);
    EXPECT_EQ(A::m_vecRecvBatch(monitor).back().nReqType, 4);
    EXPECT_TRUE(A::m_vecRecvInfo(monitor).empty());

    Recv(5);
    EXPECT_EQ(A::m_vecRecvBatch(monitor).size(), 3001u);
    EXPECT_EQ(A::m_vecRecvInfo(monitor).size(), 1u);
}

TEST_F(Capture, RecordsAreCopiedNotReferenced) {
    TRANS_INFO record{1, 2, 3, 4, true};
    A::GetTransInfoSend(monitor, boost::any(&record));
    record.nSize = 999;
    const TRANS_INFO host{5, 6, 7, 8, false};
    A::GetTransInfoSend(monitor, boost::any(&host));  // a pointer to a const record is accepted too
    ASSERT_EQ(A::m_vecSendInfo(monitor).size(), 2u);
    EXPECT_EQ(A::m_vecSendInfo(monitor)[0].nSize, 4);
    EXPECT_TRUE(A::m_vecSendInfo(monitor)[0].bPush);
    EXPECT_EQ(A::m_vecSendInfo(monitor)[1].nReqType, 6);
}

TEST_F(Capture, NullSendPointerIsIgnored) {
    A::GetTransInfoSend(monitor, boost::any(static_cast<TRANS_INFO*>(nullptr)));
    EXPECT_TRUE(A::m_vecSendInfo(monitor).empty());
}

TEST_F(Capture, PayloadsOfAnotherTypeRaiseBadAnyCast) {
    TRANS_INFO record{1, 2, 3, 4, false};
    EXPECT_THROW(A::GetTransInfoRecv(monitor, boost::any(&record)), boost::bad_any_cast);
    EXPECT_THROW(A::GetTransInfoSend(monitor, boost::any(record)), boost::bad_any_cast);
    EXPECT_THROW(A::GetLogonServerInfo(monitor, boost::any(42)), boost::bad_any_cast);
    EXPECT_TRUE(A::m_vecSendInfo(monitor).empty());
    EXPECT_TRUE(A::m_vecRecvInfo(monitor).empty());
    EXPECT_TRUE(A::m_vecLogonServer(monitor).empty());
}

TEST_F(Capture, WhileStoppingTrafficIsDroppedButLogOnsAreKept) {
    A::m_bStopping(monitor) = true;
    Send(1);
    Recv(1);
    A::GetLogonServerInfo(monitor, boost::any(MONITOR_SERVER_INFO{L"行情主站", TRUE, L"09:30:00", 2}));
    EXPECT_TRUE(A::m_vecSendInfo(monitor).empty());
    EXPECT_TRUE(A::m_vecRecvInfo(monitor).empty());
    ASSERT_EQ(A::m_vecLogonServer(monitor).size(), 1u);
    EXPECT_EQ(A::m_vecLogonServer(monitor)[0].strServerName, L"行情主站");
    EXPECT_EQ(A::m_vecLogonServer(monitor)[0].nRetryTime, 2);
    A::m_bStopping(monitor) = false;
}

}  // namespace
