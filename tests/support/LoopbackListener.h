// A listening TCP socket on the loopback address (IPv4 or IPv6) and a port the system chooses,
// that never accepts: connects to it complete in the system's backlog. For the tests of the
// connect-time probe.
//
// Boost.Asio stays inside the .cpp: on Windows it brings the system's headers, which must not meet
// the platform layer's Windows-shaped declarations in one translation unit.
#pragma once

#include <memory>

class LoopbackListener {
public:
    explicit LoopbackListener(bool v6);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    // The port, or 0 when no socket could be made (no IPv6 on the machine, say).
    int Port() const { return m_port; }
    // Stops listening: connects to the port are refused from then on.
    void Close();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    int m_port = 0;
};
