// The scrambled file container: an 8-byte header ("KVRA", plain length) followed by the content
// in RC5-32/15/16 blocks. Files are turned into containers and back in place.
#pragma once

#include "platform/WinTypes.h"

QZ_MONITOR_API bool ScrambleFile(const char* path);
QZ_MONITOR_API bool UnscrambleFile(const char* path);
