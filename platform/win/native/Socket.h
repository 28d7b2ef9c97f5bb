// Winsock calls behind the TCP probe (platform/win/System.cpp) and the numeric address parser
// (platform/win/NetAddress.cpp). Winsock is started once per process, on first use, and stays
// started.
//
// Standard types only: this header is included by backends that also include our own
// Windows-shaped declarations, which clash with the SDK's.
#pragma once

#include <cstdint>
#include <string>

namespace native {

// Resolves `host` (a name or numeric address) and `port`, then tries each address in turn with a
// non-blocking connect, until one completes or `timeoutMs` has passed since the call began. The
// milliseconds that the successful connect took (resolution not counted), or -1, with the Win32
// or Winsock error in `error`.
int TcpConnectMilliseconds(const std::string& host, const std::string& port, int timeoutMs, std::uint32_t& error);

// True when `text` (no embedded NUL) is a numeric IPv4 or IPv6 address to the system's parser.
bool IsNumericAddress(const std::string& text);

}  // namespace native
