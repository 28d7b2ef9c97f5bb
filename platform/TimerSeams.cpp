// The test seams of CWaitableTimer, shared by every platform's timer.
#include <atomic>

#include "platform/Timer.h"
#include "platform/TimerBackend.h"

namespace {

std::atomic<bool> g_createFails{false};
std::atomic<bool> g_armFails{false};
std::atomic<double> g_dueTimeScale{1.0};

}  // namespace

bool timer_seams::CreateFails() {
    return g_createFails.load();
}

bool timer_seams::ArmFails() {
    return g_armFails.load();
}

double timer_seams::DueTimeScale() {
    return g_dueTimeScale.load();
}

void CWaitableTimer::SetCreateFailureForTesting(bool fail) {
    g_createFails.store(fail);
}

void CWaitableTimer::SetArmFailureForTesting(bool fail) {
    g_armFails.store(fail);
}

void CWaitableTimer::SetDueTimeScaleForTesting(double scale) {
    g_dueTimeScale.store(scale);
}
