// UTF-8 <-> wide text, independent of the process locale.
#include "platform/TextConv.h"

#include <cstdint>

#include "platform/Utf16.h"

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string WideToNarrow(const std::wstring& wide) {
    std::string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        // A run of ASCII (most of a document's markup) goes over in one append.
        if (static_cast<std::uint32_t>(wide[i]) < 0x80) {
            size_t end = i + 1;
            while (end < wide.size() && static_cast<std::uint32_t>(wide[end]) < 0x80) ++end;
            const size_t at = out.size();
            out.resize(at + (end - i));
            for (size_t k = i; k < end; ++k) out[at + (k - i)] = static_cast<char>(wide[k]);
            i = end - 1;
            continue;
        }
        char32_t cp = static_cast<char32_t>(wide[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size()) {
                const char32_t low = static_cast<char32_t>(wide[i + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::wstring NarrowToWide(const std::string& narrow) {
    std::wstring out;
    out.reserve(narrow.size());
    const auto* s = reinterpret_cast<const unsigned char*>(narrow.data());
    const size_t n = narrow.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char lead = s[i];
        if (lead < 0x80) {
            // A run of ASCII goes over in one append.
            size_t end = i + 1;
            while (end < n && s[end] < 0x80) ++end;
            const size_t at = out.size();
            out.resize(at + (end - i));
            for (size_t k = i; k < end; ++k) out[at + (k - i)] = static_cast<wchar_t>(s[k]);
            i = end;
            continue;
        }
        int extra;
        char32_t cp;
        char32_t min;
        if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            cp = lead & 0x1F;
            min = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            cp = lead & 0x0F;
            min = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            cp = lead & 0x07;
            min = 0x10000;
        } else {
            AppendCodePoint(out, 0xFFFD);
            ++i;
            continue;
        }
        size_t j = 1;
        for (; j <= static_cast<size_t>(extra); ++j) {
            if (i + j >= n || (s[i + j] & 0xC0) != 0x80) break;
            cp = (cp << 6) | (s[i + j] & 0x3F);
        }
        if (j <= static_cast<size_t>(extra) || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            // Malformed: one replacement for the lead byte, then resynchronise on the next byte.
            AppendCodePoint(out, 0xFFFD);
            ++i;
            continue;
        }
        AppendCodePoint(out, cp);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}
