// STUB: replaced by the platform implementation.
#include "platform/TextConv.h"
std::string WideToNarrow(const std::wstring& w) {
    return std::string(w.begin(), w.end());
}
std::wstring NarrowToWide(const std::string& n) {
    return std::wstring(n.begin(), n.end());
}
std::wstring DecodeText(const std::string& b, const std::string&) {
    return NarrowToWide(b);
}
