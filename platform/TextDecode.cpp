// Decoding of text files into wide text: byte-order marks, UTF-16 and declared legacy encodings.
//
// UTF-8 and UTF-16 are decoded here (they need no tables); every other character set named by a
// declaration goes to the platform's backend (CharsetDecode.h), which carries the conversion
// tables (GBK, GB18030, Big5, ISO-8859-x, ...). Bytes that do not belong to the encoding become
// U+FFFD, so a damaged file still yields all the text around the damage.
#include "platform/CharsetDecode.h"
#include "platform/TextConv.h"
#include "platform/Utf16.h"

namespace {

// UTF-16 from byte `start` on, in the given byte order.
std::wstring DecodeUtf16(const std::string& bytes, size_t start, bool bigEndian) {
    return Utf16BytesToWide(bytes.data() + start, bytes.size() - start, bigEndian);
}

// The declared name in upper case, or empty when it cannot be a character set's name (only
// letters, digits and "-_.:()" occur in those); the backend is never handed anything else.
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
    if (DecodeCharset(bytes, effective, result)) return result;
    return NarrowToWide(bytes);
}
