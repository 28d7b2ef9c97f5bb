// Profile text from arbitrary bytes: parsing never fails, rendering gives back the parsed text,
// and a value that was set is the value found afterwards.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/ProfileText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ProfileDocument document = ParseProfileBytes(bytes);
    const std::wstring text = RenderProfile(document);
    if (RenderProfile(ParseProfile(text)) != text) __builtin_trap();

    std::wstring value;
    FindProfileValue(document, L"Ping_ServerList", L"ServerNumber", value);
    ParseProfileInt(value);
    bool changed = false;
    if (!SetProfileValue(document, L"Ping_ServerList", L"ServerNumber", L"fuzz value", &changed)) __builtin_trap();
    if (!FindProfileValue(document, L"ping_serverlist", L"SERVERNUMBER", value) || value != L"fuzz value")
        __builtin_trap();
    RenderProfileBytes(document);
    return 0;
}
