// The host's ping service: a timed TCP connect through the platform layer.
#include "host/PingTest.h"

#include <string>

#include "platform/System.h"

int PingTest(const char* server) {
    if (!server || !*server) return -1;
    return TcpConnectTime(server, 2000);
}
