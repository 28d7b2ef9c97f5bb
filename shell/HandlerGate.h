// The gate every host subscription of the monitor calls through.
//
// A subscription holds a shared reference to the gate, not to the monitor alone: the destructor
// shuts the gate and waits for the calls already inside, so a message that the host delivers
// late (or on another thread while the monitor is being destroyed) never reaches a freed object.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

#include "shell/MonitorControl.h"

struct CMonitorControl::HandlerGate {
    std::mutex mutex;
    std::condition_variable drained;
    bool open = true;
    int active = 0;

    // Runs `call` unless the gate is shut; exceptions (a payload of the wrong type) pass through.
    template <typename Call>
    void Run(Call&& call) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (!open) return;
            ++active;
        }
        struct Leave {
            HandlerGate* gate;
            ~Leave() {
                std::lock_guard<std::mutex> lock(gate->mutex);
                if (--gate->active == 0) gate->drained.notify_all();
            }
        } leave{this};
        call();
    }

    void ShutAndDrain() {
        std::unique_lock<std::mutex> lock(mutex);
        open = false;
        drained.wait(lock, [this] { return active == 0; });
    }
};
