// The chart-window record's padding ratios.
#include <gtest/gtest.h>

#include <cmath>

#include "host/CRTMinWndData.h"

namespace {

CRTMinWndData Axis(int left, int right, int minutes) {
    CRTMinWndData data;
    data.m_nLeftVirtual = left;
    data.m_nRightVirtual = right;
    data.m_nVirtualMin = minutes;
    return data;
}

}  // namespace

TEST(CRTMinWndData, RatiosArePaddingOverAxisMinutes) {
    const CRTMinWndData data = Axis(30, 15, 240);
    EXPECT_EQ(data.GetLeftVR(), 0.125f);
    EXPECT_EQ(data.GetRightVR(), 0.0625f);
    // The quotient is formed in double precision, then rounded once to float: 2^24 + 1 has no
    // float of its own, and dividing in float would give 3355443.25.
    const CRTMinWndData wide = Axis(16777217, 16777217, 5);
    EXPECT_EQ(wide.GetLeftVR(), 3355443.5f);
    EXPECT_EQ(wide.GetRightVR(), 3355443.5f);
}

TEST(CRTMinWndData, ZeroMinutesGiveInfinityOrNotANumber) {
    const CRTMinWndData data = Axis(30, 0, 0);
    EXPECT_TRUE(std::isinf(data.GetLeftVR()));
    EXPECT_GT(data.GetLeftVR(), 0.0f);
    EXPECT_TRUE(std::isnan(data.GetRightVR()));
    EXPECT_TRUE(std::isinf(Axis(0, -5, 0).GetRightVR()));
    EXPECT_LT(Axis(0, -5, 0).GetRightVR(), 0.0f);
}

TEST(CRTMinWndData, DefaultRecordIsEmptyAndCopiesCopyEveryMember) {
    const CRTMinWndData empty;
    EXPECT_TRUE(empty.m_strCode.IsEmpty());
    EXPECT_TRUE(empty.m_strName.IsEmpty());
    EXPECT_EQ(empty.GetVirtualMin(), 0);

    CRTMinWndData data = Axis(30, 15, 240);
    data.m_nMarket = 1;
    data.m_strCode = L"600000";
    data.m_strName = L"\u6d66\u53d1\u94f6\u884c";
    data.m_nOpenTime = 930;
    data.m_nCloseTime = 1500;
    CRTMinWndData copy(data);
    CRTMinWndData assigned;
    assigned = data;
    for (const CRTMinWndData* c : {&copy, &assigned}) {
        EXPECT_EQ(c->m_nMarket, 1);
        EXPECT_EQ(c->m_strCode.str(), L"600000");
        EXPECT_EQ(c->m_strName.str(), data.m_strName.str());
        EXPECT_EQ(c->GetLeftVirtual(), 30);
        EXPECT_EQ(c->GetRightVirtual(), 15);
        EXPECT_EQ(c->GetVirtualMin(), 240);
        EXPECT_EQ(c->m_nOpenTime, 930);
        EXPECT_EQ(c->m_nCloseTime, 1500);
    }
}
