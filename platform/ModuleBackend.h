// The window-system query behind GetWindowText (platform/Module.h), one backend per platform
// (platform/posix/Module.cpp, platform/win/Module.cpp). platform/WindowTitle.cpp asks the host's
// hook first and copies the title out. Internal to the platform layer.
#pragma once

#include <string>

#include "platform/WinTypes.h"

namespace module_backend {

// The title of the real window `window`; false when there is none or it cannot be read (always
// false where there is no window system).
bool WindowTitle(HWND window, std::wstring& title);

}  // namespace module_backend
