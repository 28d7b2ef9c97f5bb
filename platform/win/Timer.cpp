// The waitable timer over a Win32 manual-reset waitable timer and two manual-reset events.
//
// Wait() waits on three objects at once, in this order: the wake event (set by Wake() and never
// reset, so waking is sticky and wins over everything else), the closing event (set while Close()
// runs, so that a waiting thread returns WaitFailed before the timer's handle is closed under it)
// and the timer itself. A manual-reset timer stays signalled once due, until Set() arms it again.
//
// Independence: a timer created under a name is one kernel object for every holder of the name,
// so two monitors (two host processes) or two objects in one process would arm and reset each
// other's timer. Each object therefore makes a name of its own, the given name followed by the
// process id and a sequence number ("MonitorWaitableTimer.4242.1"): still recognisable in a list
// of the process's objects, never shared. Should that name already exist (another program made
// it), the object does not adopt the foreign timer but makes an unnamed one.
#include "platform/Timer.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

#include "platform/TimerBackend.h"
#include "platform/win/native/FileApi.h"
#include "platform/win/native/Timer.h"

namespace {

std::atomic<unsigned> g_timerSequence{0};

// Longer waits than this (about 100 years, in 100 ns units) are clamped rather than overflowing.
constexpr long double kMaxWait100ns = 100.0L * 365 * 24 * 3600 * 1e7L;

// The due time handed to the system: relative times (and, under the test scale, absolute ones
// converted to what remains of them) are scaled; a scaled time never becomes 0, which the system
// would read as an absolute time in 1601.
std::int64_t ScaledDueTime(std::int64_t dueTime) {
    const double scale = timer_seams::DueTimeScale();
    if (dueTime >= 0 && scale == 1.0) return dueTime;
    long double wait = dueTime < 0
                           ? -static_cast<long double>(dueTime)
                           : static_cast<long double>(dueTime) - static_cast<long double>(native::CurrentFileTime());
    wait = std::clamp(wait * static_cast<long double>(std::max(scale, 0.0)), 1.0L, kMaxWait100ns);
    return -static_cast<std::int64_t>(wait);
}

}  // namespace

struct CWaitableTimer::Impl {
    ~Impl() {
        native::CloseKernelObject(timer);
        native::CloseKernelObject(wakeEvent);
        native::CloseKernelObject(closingEvent);
    }

    // Closes the timer once no thread waits on it any more. Called with `mutex` held.
    void CloseTimer(std::unique_lock<std::mutex>& lock) {
        if (!timer) return;
        closing = true;
        native::SignalEvent(closingEvent);
        idle.wait(lock, [this] { return waiters == 0; });
        native::CloseKernelObject(timer);
        timer = nullptr;
        native::UnsignalEvent(closingEvent);
        closing = false;
    }

    std::mutex mutex;
    std::condition_variable idle;  // signalled when the last waiter has left the system wait
    native::Handle timer = nullptr;
    native::Handle wakeEvent = nullptr;
    native::Handle closingEvent = nullptr;
    bool woken = false;
    bool closing = false;
    int waiters = 0;
};

CWaitableTimer::CWaitableTimer() : m_impl(std::make_unique<Impl>()) {}

CWaitableTimer::~CWaitableTimer() = default;

bool CWaitableTimer::Create(const CString& name) {
    if (timer_seams::CreateFails()) return false;
    std::unique_lock<std::mutex> lock(m_impl->mutex);
    m_impl->CloseTimer(lock);  // a second Create starts over with an unarmed timer
    std::uint32_t error = 0;
    if (!m_impl->wakeEvent) {
        m_impl->wakeEvent = native::CreateManualResetEvent(error);
        if (!m_impl->wakeEvent) return false;
    }
    if (!m_impl->closingEvent) {
        m_impl->closingEvent = native::CreateManualResetEvent(error);
        if (!m_impl->closingEvent) return false;
    }
    if (m_impl->woken) native::SignalEvent(m_impl->wakeEvent);  // woken before it was created

    native::Handle timer = nullptr;
    if (!name.IsEmpty()) {
        const std::wstring ownName =
            name.str() + L"." + std::to_wstring(native::CurrentProcessId()) + L"." + std::to_wstring(++g_timerSequence);
        bool existed = false;
        timer = native::CreateManualResetTimer(ownName, existed, error);
        if (timer && existed) {
            native::CloseKernelObject(timer);
            timer = nullptr;
        }
    }
    if (!timer) {
        bool existed = false;
        timer = native::CreateManualResetTimer(std::wstring(), existed, error);
    }
    m_impl->timer = timer;
    return timer != nullptr;
}

bool CWaitableTimer::Set(std::int64_t dueTime, int period) {
    if (timer_seams::ArmFails() || period != 0) return false;
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    if (!m_impl->timer || m_impl->closing) return false;
    std::uint32_t error = 0;
    return native::ArmTimer(m_impl->timer, ScaledDueTime(dueTime), error);
}

CWaitableTimer::WaitResult CWaitableTimer::Wait() {
    native::Handle handles[3];
    {
        std::lock_guard<std::mutex> lock(m_impl->mutex);
        if (m_impl->woken) return WaitWoken;
        if (!m_impl->timer || m_impl->closing) return WaitFailed;
        handles[0] = m_impl->wakeEvent;
        handles[1] = m_impl->closingEvent;
        handles[2] = m_impl->timer;
        ++m_impl->waiters;  // Close() waits for this thread to leave before it closes the handles
    }
    std::uint32_t error = 0;
    const int signalled = native::WaitForAny(handles, 3, error);
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    if (--m_impl->waiters == 0) m_impl->idle.notify_all();
    if (signalled == 0 || m_impl->woken) return WaitWoken;
    return signalled == 2 ? WaitFired : WaitFailed;
}

void CWaitableTimer::Wake() {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    m_impl->woken = true;
    if (m_impl->wakeEvent) native::SignalEvent(m_impl->wakeEvent);
}

void CWaitableTimer::Close() {
    std::unique_lock<std::mutex> lock(m_impl->mutex);
    m_impl->CloseTimer(lock);
}
