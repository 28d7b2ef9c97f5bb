// Splitting of the TCP probe's "host[:port]" texts.
#include "platform/HostPort.h"

#include <algorithm>
#include <charconv>

bool SplitHostPort(const std::string& text, std::string& host, std::string& port) {
    port = "80";
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos) return false;
        host = text.substr(1, close - 1);
        const std::string rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return false;
            port = rest.substr(1);
        }
    } else if (std::count(text.begin(), text.end(), ':') == 1) {
        const size_t colon = text.find(':');
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    } else {
        host = text;
    }
    int number = 0;
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), number);
    return !host.empty() && ec == std::errc() && end == port.data() + port.size() && number > 0 && number <= 65535;
}
