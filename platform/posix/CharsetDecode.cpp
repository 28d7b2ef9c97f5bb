// POSIX backend of the declared character sets: the C library's iconv, which carries the
// conversion tables (GBK, GB18030, Big5, ISO-8859-x, ...).
#include "platform/CharsetDecode.h"

#include <iconv.h>

#include <cerrno>

#include "platform/TextConv.h"

// Converts through iconv into UTF-8, then into wide text.
bool DecodeCharset(const std::string& bytes, const std::string& charset, std::wstring& result) {
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
