// One-shot waitable timer, the clock the sampling thread waits on.
//
// Create() makes the timer, Set() arms it for a relative due time in 100-nanosecond units
// (negative, as the Windows call takes it), Wait() blocks until it fires or until Wake() is called
// from another thread. Wake() is what stops a waiting thread: it makes the current and every later
// Wait() return WaitWoken at once. All members are thread-safe.
//
// Each object is a timer of its own, whatever name it is created with: two objects in one
// process, or the timers of two processes, never arm or signal each other. The state lives in
// the backend (a condition variable on POSIX, a kernel timer and events on Windows).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/CString.h"

class QZ_HOST_API CWaitableTimer {
public:
    enum WaitResult { WaitFired = 0, WaitWoken = 1, WaitFailed = 2 };

    CWaitableTimer();
    ~CWaitableTimer();
    CWaitableTimer(const CWaitableTimer&) = delete;
    CWaitableTimer& operator=(const CWaitableTimer&) = delete;

    bool Create(const CString& name);
    // dueTime < 0: relative time in 100 ns units; period must be 0 (one-shot).
    bool Set(std::int64_t dueTime, int period = 0);
    WaitResult Wait();
    void Wake();
    void Close();

    // Seams: make Create or Set fail, or scale every due time (e.g. 0.01 makes 10 s into 100 ms).
    static void SetCreateFailureForTesting(bool fail);
    static void SetArmFailureForTesting(bool fail);
    static void SetDueTimeScaleForTesting(double scale);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
