// Which server texts of the speed-test configuration may be handed to a ping.
#pragma once

#include "platform/CString.h"

// True for a host name (letters, digits, '-' and '_' in dot-separated labels that start and end
// with a letter or digit, at most 253 characters) or a numeric IPv4 or IPv6 address. With
// `allowPort`, a host name or IPv4 address may be followed by ":port" (1 to 65535), the form the
// host's ping service takes. Anything else (empty texts, options such as "-f", shell syntax such
// as "a;b" or "$(x)", blanks) is refused.
QZ_MONITOR_API bool IsServerAddressText(const CString& text, bool allowPort);
