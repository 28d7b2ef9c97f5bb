// Limits of the speed tests: how long the configuration fetch and one ping may take, how large
// the fetched configuration may be. Tests shorten them. (The configuration server's address is a
// setting of the installation: see ConfigFetch.h.)
#pragma once

#include <cstddef>
#include <string>

#include "platform/WinTypes.h"

struct SpeedTestSettings {
    int fetchTimeoutMs = 20000;         // the whole configuration download
    int fetchConnectTimeoutMs = 10000;  // establishing its connection
    size_t fetchMaxBytes = 256 * 1024;  // a larger configuration is refused
    int pingTimeoutMs = 10000;          // one run of the ping command
    // The command line of one ping, to which the server text is appended; empty: the system's
    // ping command (kPingOnceCommand). Tests put a program of their own here.
    std::wstring pingCommand;
};

QZ_MONITOR_API SpeedTestSettings GetSpeedTestSettings();
// Passing a default-constructed object restores the production settings.
QZ_MONITOR_API void SetSpeedTestSettingsForTesting(const SpeedTestSettings& settings);
