// The reference host's set of services.
#include "host/HostEnvironment.h"

#include "host/ObjectManager.h"
#include "platform/Module.h"

HostEnvironment::HostEnvironment() {
    CQZObjectManager::Add(L"MessagePublisher", &m_publisher);
    CQZObjectManager::Add(L"CommandManager", &m_commands);
    CQZObjectManager::Add(L"ContextManager", &m_context);
    CQZObjectManager::Add(L"CDataMgr", &m_dataMgr);
    SetWindowTitleHook([this](HWND window, std::wstring& title) { return WindowTitle(window, title); });
}

HostEnvironment::~HostEnvironment() {
    SetWindowTitleHook(nullptr);
    CQZObjectManager::Remove(L"MessagePublisher");
    CQZObjectManager::Remove(L"CommandManager");
    CQZObjectManager::Remove(L"ContextManager");
    CQZObjectManager::Remove(L"CDataMgr");
}

HWND HostEnvironment::CreateDialogWindow(const std::wstring& title) {
    std::lock_guard<std::mutex> lock(m_windowMutex);
    HWND window = reinterpret_cast<HWND>(m_nextWindow);
    m_nextWindow += 0x10;
    m_windows[window] = title;
    return window;
}

void HostEnvironment::DestroyDialogWindow(HWND window) {
    std::lock_guard<std::mutex> lock(m_windowMutex);
    m_windows.erase(window);
}

bool HostEnvironment::WindowTitle(HWND window, std::wstring& title) {
    std::lock_guard<std::mutex> lock(m_windowMutex);
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return false;
    title = it->second;
    return true;
}
