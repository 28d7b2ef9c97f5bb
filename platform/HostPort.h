// The "host[:port]" texts of the TCP probe, split the same way by every backend.
#pragma once

#include <string>

// Splits "host", "host:port", "[v6]" and "[v6]:port"; a bare IPv6 address (more than one colon)
// is a host without port, and the port is "80" when absent. False for a malformed text: an empty
// host, an unclosed bracket, or a port that is not a decimal number from 1 to 65535.
bool SplitHostPort(const std::string& text, std::string& host, std::string& port);
