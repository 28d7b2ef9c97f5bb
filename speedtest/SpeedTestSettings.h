// Limits of the speed tests: how long the configuration fetch and one ping may take, how large
// the fetched configuration may be. Tests shorten them, and may name a configuration server for
// a configuration file that does not name one yet.
#pragma once

#include <cstddef>

#include "platform/CString.h"

struct SpeedTestSettings {
    int fetchTimeoutMs = 20000;         // the whole configuration download
    int fetchConnectTimeoutMs = 10000;  // establishing its connection
    size_t fetchMaxBytes = 256 * 1024;  // a larger configuration is refused
    int pingTimeoutMs = 10000;          // one run of the ping command
    // Base address of the configuration server used when the configuration file has no
    // "ConfigServer" key; empty in production, where the key is the only source.
    CString configServerFallback;
};

QZ_MONITOR_API SpeedTestSettings GetSpeedTestSettings();
// Passing a default-constructed object restores the production settings.
QZ_MONITOR_API void SetSpeedTestSettingsForTesting(const SpeedTestSettings& settings);
