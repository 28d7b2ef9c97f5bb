// The host's ping service: round trip in milliseconds of a TCP connect to `server` (a host name
// or address in the system's narrow text, optionally followed by ":port"; port 80 by default),
// or a negative value when the server cannot be reached within two seconds.
#pragma once

#include "platform/WinTypes.h"

QZ_HOST_API int PingTest(const char* server);
