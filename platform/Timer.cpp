// STUB: replaced by the platform implementation.
#include "platform/Timer.h"
bool CWaitableTimer::Create(const CString&) {
    return false;
}
bool CWaitableTimer::Set(std::int64_t, int) {
    return false;
}
CWaitableTimer::WaitResult CWaitableTimer::Wait() {
    return WaitFailed;
}
void CWaitableTimer::Wake() {}
void CWaitableTimer::Close() {}
void CWaitableTimer::SetCreateFailureForTesting(bool) {}
void CWaitableTimer::SetArmFailureForTesting(bool) {}
void CWaitableTimer::SetDueTimeScaleForTesting(double) {}
