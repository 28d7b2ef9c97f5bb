// Numeric network addresses.
#pragma once

#include <string>

#include "platform/WinTypes.h"

// True when `text` is a numeric IPv4 address in dotted form ("192.0.2.7") or an IPv6 address
// ("2001:db8::1", "::1"), exactly as the system's address parser accepts it.
QZ_HOST_API bool IsNumericHostAddress(const std::string& text);
