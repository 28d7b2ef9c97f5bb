// Numeric network addresses through the system's address parser (Winsock's inet_pton).
#include "platform/NetAddress.h"

#include "platform/win/native/Socket.h"

bool IsNumericHostAddress(const std::string& text) {
    if (text.empty() || text.find('\0') != std::string::npos) return false;
    return native::IsNumericAddress(text);
}
