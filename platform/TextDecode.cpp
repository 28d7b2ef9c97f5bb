// Decoding of text files into wide text: byte-order marks, UTF-16 and declared legacy encodings.
//
// UTF-8 and UTF-16 are decoded here (they need no tables); every other character set named by a
// declaration goes through the C library's iconv, which carries the conversion tables (GBK,
// GB18030, Big5, ISO-8859-x, ...). Bytes that do not belong to the encoding become U+FFFD, so a
// damaged file still yields all the text around the damage.
#include <iconv.h>

#include <cerrno>

#include "platform/TextConv.h"
#include "platform/Utf16.h"

namespace {

// UTF-16 from byte `start` on, in the given byte order.
std::wstring DecodeUtf16(const std::string& bytes, size_t start, bool bigEndian) {
    return Utf16BytesToWide(bytes.data() + start, bytes.size() - start, bigEndian);
}

// The declared name in upper case, or empty when it cannot be a character set's name (only
// letters, digits and "-_.:()" occur in those); iconv is never handed anything else.
std::string Canonical(const std::string& name) {
    std::string upper;
    if (name.size() > 64) return upper;
    for (const char ch : name) {
        const bool letter = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
        const bool digit = ch >= '0' && ch <= '9';
        if (!letter && !digit && ch != '-' && ch != '_' && ch != '.' && ch != ':' && ch != '(' && ch != ')')
            return std::string();
        upper += (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
    }
    return upper;
}

// Converts through iconv into UTF-8, then into wide text. Returns false when iconv does not know
// the character set.
bool DecodeWithIconv(const std::string& bytes, const std::string& charset, std::wstring& result) {
    iconv_t cd = ::iconv_open("UTF-8", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string utf8;
    utf8.reserve(bytes.size() * 3 / 2 + 16);
    char buffer[16384];
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = ::iconv(cd, &in, &inLeft, &out, &outLeft);
        utf8.append(buffer, static_cast<size_t>(out - buffer));
        if (rc != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ: a byte that starts no character of the set; EINVAL: a character cut off at the
        // end. Either way one replacement stands for the bad byte and decoding goes on after it.
        utf8 += "\xEF\xBF\xBD";
        ++in;
        --inLeft;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial shift state
    }
    // Flush a stateful encoding's pending output.
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    ::iconv(cd, nullptr, nullptr, &out, &outLeft);
    utf8.append(buffer, static_cast<size_t>(out - buffer));
    ::iconv_close(cd);
    result = NarrowToWide(utf8);
    return true;
}

}  // namespace

std::wstring DecodeText(const std::string& bytes, const std::string& declaredEncoding) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    // A byte-order mark says more than any declaration.
    if (n >= 3 && s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF) return NarrowToWide(bytes.substr(3));
    if (n >= 2 && s[0] == 0xFF && s[1] == 0xFE) return DecodeUtf16(bytes, 2, false);
    if (n >= 2 && s[0] == 0xFE && s[1] == 0xFF) return DecodeUtf16(bytes, 2, true);

    const std::string charset = Canonical(declaredEncoding);
    if (charset.empty() || charset == "UTF-8" || charset == "UTF8" || charset == "US-ASCII" || charset == "ASCII")
        return NarrowToWide(bytes);
    if (charset == "UTF-16" || charset == "UTF-16LE" || charset == "UCS-2" || charset == "UCS-2LE")
        return DecodeUtf16(bytes, 0, false);
    if (charset == "UTF-16BE" || charset == "UCS-2BE") return DecodeUtf16(bytes, 0, true);
    // Files labelled GB2312 routinely hold characters that only GBK has; GBK is a superset, so
    // decoding with it loses nothing.
    const std::string effective = (charset == "GB2312" || charset == "EUC-CN") ? "GBK" : charset;
    std::wstring result;
    if (DecodeWithIconv(bytes, effective, result)) return result;
    return NarrowToWide(bytes);
}
