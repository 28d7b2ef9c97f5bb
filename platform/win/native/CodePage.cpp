// Win32 implementation of the code page conversions.
#include "platform/win/native/CodePage.h"

#include <windows.h>

#include <climits>

namespace native {

namespace {

// One MultiByteToWideChar call over `size` bytes; false when a byte is no character of the page
// (with `strict`) or the page cannot be used.
bool Convert(UINT codePage, const char* data, int size, bool strict, std::wstring& out, DWORD& error) {
    out.clear();
    error = 0;
    if (size == 0) return true;
    const DWORD flags = strict ? MB_ERR_INVALID_CHARS : 0;
    const int length = ::MultiByteToWideChar(codePage, flags, data, size, nullptr, 0);
    if (length <= 0) {
        error = ::GetLastError();
        return false;
    }
    out.resize(static_cast<size_t>(length));
    if (::MultiByteToWideChar(codePage, flags, data, size, out.data(), length) != length) {
        error = ::GetLastError();
        out.clear();
        return false;
    }
    return true;
}

bool IsPrivateUse(wchar_t ch) {
    return ch >= 0xE000 && ch <= 0xF8FF;
}

// The damaged-input path: one character at a time. In a double-byte page the lead-byte table says
// how long the character is; in other pages (UTF-8, GB18030) the shortest run of bytes that
// converts is the character.
std::wstring DecodeByCharacter(UINT codePage, const std::string& bytes) {
    CPINFO info{};
    const bool known = ::GetCPInfo(codePage, &info) != 0;
    const int maxLength = known && info.MaxCharSize > 0 ? static_cast<int>(info.MaxCharSize) : 4;
    const bool doubleByte = known && info.MaxCharSize == 2;
    std::wstring out;
    std::wstring piece;
    DWORD error = 0;
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80 && maxLength <= 2) {
            out += static_cast<wchar_t>(byte);  // every single- and double-byte page keeps ASCII
            ++i;
            continue;
        }
        size_t taken = 0;
        if (doubleByte) {
            const size_t length = ::IsDBCSLeadByteEx(codePage, byte) ? 2 : 1;
            if (i + length <= n && Convert(codePage, bytes.data() + i, static_cast<int>(length), true, piece, error) &&
                !(length == 1 && piece.size() == 1 && IsPrivateUse(piece[0])))
                taken = length;
        } else {
            for (int length = 1; length <= maxLength && i + static_cast<size_t>(length) <= n; ++length) {
                if (Convert(codePage, bytes.data() + i, length, true, piece, error)) {
                    taken = static_cast<size_t>(length);
                    break;
                }
            }
        }
        if (taken == 0) {
            out += static_cast<wchar_t>(0xFFFD);
            ++i;
        } else {
            out += piece;
            i += taken;
        }
    }
    return out;
}

}  // namespace

std::uint32_t AnsiCodePage() {
    return ::GetACP();
}

bool IsValidCodePage(std::uint32_t codePage) {
    return ::IsValidCodePage(codePage) != 0;
}

std::string WideToCodePage(std::uint32_t codePage, const std::wstring& wide, std::uint32_t& error) {
    error = 0;
    std::string out;
    if (wide.empty()) return out;
    if (wide.size() > static_cast<size_t>(INT_MAX)) {
        error = ERROR_INVALID_PARAMETER;
        return out;
    }
    const int size = static_cast<int>(wide.size());
    const int length = ::WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        error = ::GetLastError();
        return out;
    }
    out.resize(static_cast<size_t>(length));
    if (::WideCharToMultiByte(codePage, 0, wide.data(), size, out.data(), length, nullptr, nullptr) != length) {
        error = ::GetLastError();
        out.clear();
    }
    return out;
}

std::wstring CodePageToWide(std::uint32_t codePage, const std::string& bytes, std::uint32_t& error) {
    error = 0;
    std::wstring out;
    if (bytes.empty()) return out;
    if (bytes.size() > static_cast<size_t>(INT_MAX)) {
        error = ERROR_INVALID_PARAMETER;
        return out;
    }
    if (!::IsValidCodePage(codePage)) {
        error = ERROR_INVALID_PARAMETER;
        return out;
    }
    DWORD failure = 0;
    if (Convert(codePage, bytes.data(), static_cast<int>(bytes.size()), true, out, failure)) {
        // Clean text converts in one call; only a double-byte page's private-use result needs a
        // second look, since a placeholder for an undefined single byte converts without error.
        CPINFO info{};
        bool placeholder = false;
        if (::GetCPInfo(codePage, &info) && info.MaxCharSize == 2)
            for (wchar_t ch : out) placeholder = placeholder || IsPrivateUse(ch);
        if (!placeholder) return out;
    } else if (failure != ERROR_NO_UNICODE_TRANSLATION) {
        // Not a damaged text: a code page that takes no flags (ISO-2022 and the like), say.
        if (Convert(codePage, bytes.data(), static_cast<int>(bytes.size()), false, out, failure)) return out;
        error = failure;
        return std::wstring();
    }
    return DecodeByCharacter(codePage, bytes);
}

}  // namespace native
