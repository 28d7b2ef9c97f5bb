// The chart-window record's integer getters.
#include "host/CRTMinWndData.h"

int CRTMinWndData::GetLeftVirtual() const {
    return m_nLeftVirtual;
}

int CRTMinWndData::GetRightVirtual() const {
    return m_nRightVirtual;
}

int CRTMinWndData::GetVirtualMin() const {
    return m_nVirtualMin;
}
