// Limits of the speed tests.
#include "speedtest/SpeedTestSettings.h"

#include <mutex>

namespace {
std::mutex g_mutex;
SpeedTestSettings g_settings;
}  // namespace

SpeedTestSettings GetSpeedTestSettings() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_settings;
}

void SetSpeedTestSettingsForTesting(const SpeedTestSettings& settings) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_settings = settings;
}
