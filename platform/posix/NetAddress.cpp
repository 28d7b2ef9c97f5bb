// Numeric network addresses through the system's address parser.
#include "platform/NetAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>

bool IsNumericHostAddress(const std::string& text) {
    if (text.empty() || text.find('\0') != std::string::npos) return false;
    in_addr v4{};
    in6_addr v6{};
    return ::inet_pton(AF_INET, text.c_str(), &v4) == 1 || ::inet_pton(AF_INET6, text.c_str(), &v6) == 1;
}
