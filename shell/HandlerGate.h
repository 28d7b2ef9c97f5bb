// The gate every host subscription of the monitor calls through.
//
// A subscription holds a shared reference to the gate, not to the monitor alone: the destructor
// shuts the gate and waits for the calls already inside, so a message that the host delivers
// late (or on another thread while the monitor is being destroyed) never reaches a freed object.
//
// The gate sits on the path of every user operation, so entering and leaving it are one atomic
// increment, one load and one decrement; only the destructor waits, on a condition variable that
// the last call out of a shut gate signals under its mutex (not std::atomic::wait, whose
// implementation on platforms without a futex can miss that wake-up and sleep on until some other
// notification arrives). All accesses are sequentially
// consistent, which is what makes the two sides agree: a call increments `active` before it reads
// `open`, and the destructor clears `open` before it reads `active`, so either the call sees the
// gate shut and leaves without running, or the destructor sees the call inside and waits for it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "shell/MonitorControl.h"

struct CMonitorControl::HandlerGate {
    std::atomic<bool> open{true};
    std::atomic<int> active{0};  // calls between their increment and their decrement

    // Runs `call` unless the gate is shut; exceptions (a payload of the wrong type) pass through.
    template <typename Call>
    void Run(Call&& call) {
        active.fetch_add(1);
        struct Leave {
            HandlerGate* gate;
            ~Leave() { gate->Leave(); }
        } leave{this};
        if (!open.load()) return;
        call();
    }

    void ShutAndDrain() {
        open.store(false);
        std::unique_lock<std::mutex> lock(drainMutex);
        drained.wait(lock, [this] { return active.load() == 0; });
    }

private:
    // The last call out of a shut gate wakes the destructor waiting in ShutAndDrain.
    // Taking the mutex before the notification means the destructor either sees `active` at 0
    // when it tests it, or is already waiting when the notification comes.
    void Leave() {
        if (active.fetch_sub(1) == 1 && !open.load()) {
            std::lock_guard<std::mutex> lock(drainMutex);
            drained.notify_all();
        }
    }

    std::mutex drainMutex;
    std::condition_variable drained;
};
