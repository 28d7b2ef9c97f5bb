// Fuzz target of ParsePingOutput: arbitrary bytes, decoded as the ping runner decodes the
// command's output, must give one of the documented results, the same one every time, and agree
// with the markers the text holds:
//   - a "Request timed out" anywhere wins: -1;
//   - otherwise a source quench: -2;
//   - otherwise a non-negative average only where a summary ("Average" or "min/avg/max") exists,
//     and for a Windows summary the number the C library's scanner reads there.
//
// Input: byte 0 bit 0 chooses the decoding (the runner's narrow-to-wide conversion, or each byte
// taken as one character); the remaining bytes are the output.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "platform/TextConv.h"
#include "speedtest/PingOutput.h"

namespace {

bool Contains(const std::wstring& text, const wchar_t* part) {
    return text.find(part) != std::wstring::npos;
}

[[noreturn]] void Fail(const char* what, int result, const std::wstring& text) {
    std::fprintf(stderr, "%s: result %d\n--- output ---\n%s\n", what, result, WideToNarrow(text).c_str());
    std::abort();
}

// What the scanner reads with "Average = %d" at the first "Average", when it reads a number of at
// most nine digits (so that it cannot overflow); -1 otherwise.
int ScannedAverage(const std::wstring& text) {
    const size_t at = text.find(L"Average");
    if (at == std::wstring::npos) return -1;
    const std::wstring tail = text.substr(at);
    int value = -1;
    int consumed = 0;
    if (std::swscanf(tail.c_str(), L"Average = %d%n", &value, &consumed) != 1) return -1;
    // Count the digits read, to leave out numbers the scanner may have wrapped.
    size_t digits = 0;
    for (int i = consumed - 1; i >= 0 && tail[i] >= L'0' && tail[i] <= L'9'; --i) ++digits;
    return digits <= 9 ? value : -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::wstring text;
    if (data[0] & 1) {
        text = NarrowToWide(bytes);
    } else {
        for (unsigned char byte : bytes) text.push_back(static_cast<wchar_t>(byte));
    }

    const int result = ParsePingOutput(text);
    if (result < -3) Fail("a result outside the documented codes", result, text);
    if (ParsePingOutput(text) != result) Fail("a second reading differs", result, text);

    if (Contains(text, L"Request timed out")) {
        if (result != -1) Fail("a timeout not reported as -1", result, text);
        return 0;
    }
    const bool quench = Contains(text, L"Source quench received") || Contains(text, L"Source Quench");
    if (quench) {
        if (result != -2) Fail("a source quench not reported as -2", result, text);
        return 0;
    }
    if (result == -2) Fail("-2 without a source quench", result, text);
    const bool windows = Contains(text, L"Average");
    if (result >= 0 && !windows && !Contains(text, L"min/avg/max")) Fail("an average without a summary", result, text);
    if (windows && result == -3) Fail("a Windows summary reported as missing", result, text);
    if (windows) {
        const int scanned = ScannedAverage(text);
        if (scanned >= 0 && scanned != result) Fail("the Windows average differs from the scanner's", result, text);
    }
    return 0;
}
