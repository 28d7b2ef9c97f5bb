// The reference host's set of services: creates the message publisher, the command registry, the
// context store and the data manager, registers them in the object registry under the names the
// plug-in looks up, and owns the host's dialog windows (their titles answer the platform's
// window-title query). The host program and the tests each make one; destroying it removes the
// registrations. One environment at a time per process.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "host/CommandManager.h"
#include "host/ContextManager.h"
#include "host/DataMgr.h"
#include "host/MessagePublisher.h"

class QZ_HOST_API HostEnvironment {
public:
    HostEnvironment();
    ~HostEnvironment();
    HostEnvironment(const HostEnvironment&) = delete;
    HostEnvironment& operator=(const HostEnvironment&) = delete;

    MessagePublisher& Publisher() { return m_publisher; }
    CommandManager& Commands() { return m_commands; }
    ContextManager& Context() { return m_context; }
    CDataMgr& DataManager() { return m_dataMgr; }

    // Creates a dialog window with a title; the handle is what "DialogShow" carries.
    HWND CreateDialogWindow(const std::wstring& title);
    void DestroyDialogWindow(HWND window);

private:
    bool WindowTitle(HWND window, std::wstring& title);

    MessagePublisher m_publisher;
    CommandManager m_commands;
    ContextManager m_context;
    CDataMgr m_dataMgr;
    std::mutex m_windowMutex;
    std::map<HWND, std::wstring> m_windows;
    std::uintptr_t m_nextWindow = 0x1000;
};
