// The waitable timer over a condition variable and the steady clock.
//
// The timer behaves as a manual-reset Windows timer: once its due time has passed it stays
// signalled, and every Wait() returns WaitFired at once, until Set() arms it again. Wake() is
// sticky and wins over everything else; Close() makes later waits fail unless the timer was woken.
// Waiting on a timer that was created but never armed blocks until it is armed or woken.
#include "platform/Timer.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/TimerBackend.h"

namespace {

// Windows file times count 100 ns units from 1601-01-01 UTC.
constexpr std::int64_t kFileTimeUnixEpoch = 116444736000000000LL;
// Longer waits than this (about 100 years) are clamped rather than overflowing the clock.
constexpr long double kMaxWaitNs = 100.0L * 365 * 24 * 3600 * 1e9L;

std::int64_t SteadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

struct CWaitableTimer::Impl {
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_created = false;
    bool m_armed = false;
    bool m_woken = false;
    std::int64_t m_dueNs = 0;  // steady-clock nanoseconds
};

CWaitableTimer::CWaitableTimer() : m_impl(std::make_unique<Impl>()) {}

CWaitableTimer::~CWaitableTimer() = default;

bool CWaitableTimer::Create(const CString&) {
    if (timer_seams::CreateFails()) return false;
    std::lock_guard<std::mutex> lock(m_impl->m_mutex);
    m_impl->m_created = true;
    m_impl->m_armed = false;
    return true;
}

bool CWaitableTimer::Set(std::int64_t dueTime, int period) {
    if (timer_seams::ArmFails() || period != 0) return false;
    long double waitNs;
    if (dueTime < 0) {
        waitNs = -static_cast<long double>(dueTime) * 100.0L;
    } else {
        // An absolute file time; a past one fires at once.
        const auto now =
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
                .count();
        waitNs = (static_cast<long double>(dueTime) - kFileTimeUnixEpoch) * 100.0L - static_cast<long double>(now);
    }
    waitNs =
        std::clamp(waitNs * static_cast<long double>(std::max(timer_seams::DueTimeScale(), 0.0)), 0.0L, kMaxWaitNs);

    std::lock_guard<std::mutex> lock(m_impl->m_mutex);
    if (!m_impl->m_created) return false;
    m_impl->m_dueNs = SteadyNowNs() + static_cast<std::int64_t>(waitNs);
    m_impl->m_armed = true;
    m_impl->m_cv.notify_all();  // a waiter re-reads the new due time
    return true;
}

CWaitableTimer::WaitResult CWaitableTimer::Wait() {
    std::unique_lock<std::mutex> lock(m_impl->m_mutex);
    for (;;) {
        if (m_impl->m_woken) return WaitWoken;
        if (!m_impl->m_created) return WaitFailed;
        if (!m_impl->m_armed) {
            m_impl->m_cv.wait(lock);
            continue;
        }
        const std::int64_t now = SteadyNowNs();
        if (now >= m_impl->m_dueNs) return WaitFired;
        m_impl->m_cv.wait_for(lock, std::chrono::nanoseconds(m_impl->m_dueNs - now));
    }
}

void CWaitableTimer::Wake() {
    std::lock_guard<std::mutex> lock(m_impl->m_mutex);
    m_impl->m_woken = true;
    m_impl->m_cv.notify_all();
}

void CWaitableTimer::Close() {
    std::lock_guard<std::mutex> lock(m_impl->m_mutex);
    m_impl->m_created = false;
    m_impl->m_armed = false;
    m_impl->m_cv.notify_all();
}
