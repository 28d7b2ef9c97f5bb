// Which server texts may be handed to a ping.
#include "speedtest/ServerText.h"

#include <string>

#include "platform/NetAddress.h"
#include "platform/TextConv.h"

namespace {

bool IsAlnum(char ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
}

bool IsHostName(const std::string& name) {
    if (name.empty() || name.size() > 253) return false;
    size_t start = 0;
    while (start < name.size()) {
        size_t end = name.find('.', start);
        if (end == std::string::npos) end = name.size();
        const size_t length = end - start;
        if (length == 0 || length > 63) return false;
        if (!IsAlnum(name[start]) || !IsAlnum(name[end - 1])) return false;
        for (size_t i = start; i < end; ++i)
            if (!IsAlnum(name[i]) && name[i] != '-' && name[i] != '_') return false;
        start = end + 1;
        if (end + 1 == name.size()) break;  // one trailing dot: a fully qualified name
    }
    return true;
}

bool IsPort(const std::string& text) {
    if (text.empty() || text.size() > 5) return false;
    unsigned value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return false;
        value = value * 10 + static_cast<unsigned>(ch - '0');
    }
    return value >= 1 && value <= 65535;
}

}  // namespace

bool IsServerAddressText(const CString& text, bool allowPort) {
    for (wchar_t ch : text.str())
        if (ch > 0x7E || ch <= 0x20) return false;  // host names and addresses are plain ASCII
    const std::string server = WideToNarrow(text);
    if (server.empty()) return false;
    if (IsNumericHostAddress(server)) return true;
    if (IsHostName(server)) return true;
    const size_t colon = server.find(':');
    if (!allowPort || colon == std::string::npos || server.find(':', colon + 1) != std::string::npos) return false;
    const std::string host = server.substr(0, colon);
    return IsPort(server.substr(colon + 1)) && (IsHostName(host) || IsNumericHostAddress(host));
}
