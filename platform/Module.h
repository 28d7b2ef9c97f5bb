// Loading of shared libraries and the window-title query.
#pragma once

#include <functional>
#include <string>

#include "platform/CString.h"

// Loads a shared library by path ('\' or '/' separated); null on failure, with the system's
// reason in `error` when given.
QZ_HOST_API void* LoadModule(const CString& path, std::string* error = nullptr);
QZ_HOST_API void* GetModuleSymbol(void* module, const char* name);
QZ_HOST_API void FreeModule(void* module);
// The platform's file name of a shared library called `name` ("libNAME.so" on POSIX).
QZ_HOST_API CString ModuleFileName(const CString& name);

// Window titles. There is no window system on the POSIX backend: the host that owns the windows
// installs a hook that answers for its window handles. GetWindowText copies at most
// maxCount - 1 characters and returns the number copied (0 when the title cannot be read).
using WindowTitleHook = std::function<bool(HWND, std::wstring&)>;
QZ_HOST_API void SetWindowTitleHook(WindowTitleHook hook);
QZ_HOST_API int GetWindowText(HWND window, wchar_t* buffer, int maxCount);
