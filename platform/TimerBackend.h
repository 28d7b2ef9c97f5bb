// The test seams of CWaitableTimer (platform/Timer.h) as each platform's timer reads them
// (platform/posix/Timer.cpp, platform/win/Timer.cpp); platform/TimerSeams.cpp holds them.
// Internal to the platform layer.
#pragma once

namespace timer_seams {

// Whether tests make Create fail.
bool CreateFails();
// Whether tests make Set fail.
bool ArmFails();
// The factor tests apply to due times (1 when not set).
double DueTimeScale();

}  // namespace timer_seams
