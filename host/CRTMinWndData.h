// The record of the host's intraday chart window: the security it shows and the layout of its
// time axis, whose trading minutes may be padded with blank ("virtual") minutes on the left and
// on the right.
//
// GetLeftVR and GetRightVR give each padding as a fraction of the axis's minutes: the quotient is
// formed in double precision and rounded to float; a zero minute count gives an infinite value,
// or not-a-number when the padding is 0 as well (IEEE division, nothing raised).
//
// The three integer getters are the host library's; the constructors, the assignment, the
// destructor and the two ratios are exported by the plug-in. A default record has empty texts
// and zero numbers.
#pragma once

#include <cstdint>

#include "platform/CString.h"

class QZ_SHARED_CLASS CRTMinWndData {
public:
    QZ_MONITOR_API CRTMinWndData();
    QZ_MONITOR_API CRTMinWndData(const CRTMinWndData& other);
    QZ_MONITOR_API CRTMinWndData& operator=(const CRTMinWndData& other);
    QZ_MONITOR_API ~CRTMinWndData();

    QZ_HOST_API int GetLeftVirtual() const;
    QZ_HOST_API int GetRightVirtual() const;
    QZ_HOST_API int GetVirtualMin() const;

    QZ_MONITOR_API float GetLeftVR() const;
    QZ_MONITOR_API float GetRightVR() const;

    std::int32_t m_nMarket = 0;        // market of the security
    CString m_strCode;                 // security code
    CString m_strName;                 // security name
    std::int32_t m_nLeftVirtual = 0;   // blank minutes before the first trading minute
    std::int32_t m_nRightVirtual = 0;  // blank minutes after the last trading minute
    std::int32_t m_nVirtualMin = 0;    // minutes of the whole axis
    std::int32_t m_nOpenTime = 0;      // first trading minute, as hour * 100 + minute
    std::int32_t m_nCloseTime = 0;     // last trading minute, as hour * 100 + minute
};
