// The chart-window record's members that the plug-in exports: construction, copies and the two
// padding ratios.
#include "host/CRTMinWndData.h"

CRTMinWndData::CRTMinWndData() = default;
CRTMinWndData::CRTMinWndData(const CRTMinWndData& other) = default;
CRTMinWndData& CRTMinWndData::operator=(const CRTMinWndData& other) = default;
CRTMinWndData::~CRTMinWndData() = default;

float CRTMinWndData::GetLeftVR() const {
    const double left = GetLeftVirtual();
    const double minutes = GetVirtualMin();
    return static_cast<float>(left / minutes);
}

float CRTMinWndData::GetRightVR() const {
    const double right = GetRightVirtual();
    const double minutes = GetVirtualMin();
    return static_cast<float>(right / minutes);
}
