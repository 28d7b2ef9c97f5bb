// STUB: replaced by the decoder of text files (byte-order marks, declared encodings).
#include "platform/TextConv.h"
std::wstring DecodeText(const std::string& b, const std::string&) { return NarrowToWide(b); }
