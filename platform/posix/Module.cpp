// Shared libraries through dlopen; no window system (window titles come from the host's hook).
#include "platform/Module.h"

#include <dlfcn.h>

#include "platform/File.h"
#include "platform/ModuleBackend.h"

void* LoadModule(const CString& path, std::string* error) {
    void* module = dlopen(NativePath(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module && error) {
        const char* reason = dlerror();
        *error = reason ? reason : "unknown error";
    }
    return module;
}

void* GetModuleSymbol(void* module, const char* name) {
    return module && name ? dlsym(module, name) : nullptr;
}

void FreeModule(void* module) {
    if (module) dlclose(module);
}

CString ModuleFileName(const CString& name) {
    return CString(L"lib") + name + L".so";
}

namespace module_backend {

// There is no window system here: only the host's hook knows window titles.
bool WindowTitle(HWND, std::wstring&) {
    return false;
}

}  // namespace module_backend
