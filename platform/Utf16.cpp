// UTF-16 byte streams <-> wide text.
#include "platform/Utf16.h"

namespace {

char16_t UnitAt(const unsigned char* p, bool bigEndian) {
    return bigEndian ? static_cast<char16_t>((p[0] << 8) | p[1]) : static_cast<char16_t>((p[1] << 8) | p[0]);
}

void AppendUnit(std::string& out, char16_t unit, bool bigEndian) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    if (bigEndian) {
        out += high;
        out += low;
    } else {
        out += low;
        out += high;
    }
}

}  // namespace

void AppendCodePoint(std::wstring& out, char32_t cp) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(cp);
}

std::wstring Utf16BytesToWide(const char* data, size_t size, bool bigEndian) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    const size_t units = size / 2;
    std::wstring out;
    out.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        const char16_t unit = UnitAt(bytes + 2 * i, bigEndian);
        if (unit < 0xD800 || unit > 0xDFFF) {
            out += static_cast<wchar_t>(unit);
            continue;
        }
        if (unit <= 0xDBFF && i + 1 < units) {
            const char16_t low = UnitAt(bytes + 2 * (i + 1), bigEndian);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendCodePoint(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        out += static_cast<wchar_t>(0xFFFD);  // lone surrogate
    }
    if (size % 2) out += static_cast<wchar_t>(0xFFFD);
    return out;
}

std::string WideToUtf16Bytes(const std::wstring& text, bool bigEndian) {
    std::string out;
    out.reserve(text.size() * 2);
    for (const wchar_t ch : text) {
        char32_t cp = static_cast<char32_t>(ch);
        if constexpr (sizeof(wchar_t) == 4) {
            if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
            if (cp >= 0x10000) {
                cp -= 0x10000;
                AppendUnit(out, static_cast<char16_t>(0xD800 + (cp >> 10)), bigEndian);
                AppendUnit(out, static_cast<char16_t>(0xDC00 + (cp & 0x3FF)), bigEndian);
                continue;
            }
        }
        AppendUnit(out, static_cast<char16_t>(cp), bigEndian);
    }
    return out;
}
