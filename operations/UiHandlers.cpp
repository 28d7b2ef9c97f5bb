// Handlers of the host's user-interface events: each unpacks its message's payload, derives the
// operation kind (the message's own name) and two value texts, and records them through
// WriteOperation. Every handler does nothing while the monitor is stopping. A payload of another
// type than the message carries raises boost::bad_any_cast to the publisher, and nothing is
// written.
#include <boost/any.hpp>
#include <boost/tuple/tuple.hpp>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

#include "host/ContextManager.h"
#include "host/ObjectManager.h"
#include "platform/Module.h"
#include "platform/System.h"
#include "shell/MonitorControl.h"

namespace {

// Kind names and the value "0", made once: the handlers run for every user operation.
const CString kWorkspaceChanged(L"WorkspaceChanged");
const CString kMenuCommand(L"MenuCommand");
const CString kToolbarCommand(L"ToolbarCommand");
const CString kPopupMenuOpen(L"PopupMenuOpen");
const CString kPopupMenuClose(L"PopupMenuClose");
const CString kDialogShow(L"DialogShow");
const CString kTabWndActive(L"TabWndActive");
const CString kPostExecute(L"PostExecute");
const CString kZero(L"0");

// Menu and toolbar command paths are recorded with '|' where the host writes '\', the form in
// which the configuration lists them. Each handler owns its copy of the payload, so the path is
// converted in place rather than copied again.
const CString& CommandPath(boost::any& payload) {
    CString& path = boost::any_cast<CString&>(payload);
    path.Replace(L'\\', L'|');
    return path;
}

}  // namespace

void CMonitorControl::OutputOp_WorkspaceChanged(boost::any payload) {
    if (m_bStopping) return;
    const std::int64_t now = GetCurrentTime64();
    // The host publishes a Boost tuple of the workspace's name and a second, unused text.
    const auto& workspace = boost::any_cast<const boost::tuple<CString, CString>&>(payload);
    std::int64_t elapsed;
    {
        std::lock_guard<std::mutex> lock(m_mtxOpLog);
        elapsed = now - m_tLastWorkspaceChange;
        m_tLastWorkspaceChange = now;
    }
    // Only the seconds part of the time since the previous change is recorded (0 to 59, or -59
    // to 0 when the clock went back).
    const auto seconds = static_cast<std::int32_t>(elapsed - 60 * (elapsed / 60));
    CString secondsText;
    secondsText.Format(L"%d", seconds);
    WriteOperation(kWorkspaceChanged, workspace.get<0>(), secondsText);
}

void CMonitorControl::OutputOp_MenuCommand(boost::any payload) {
    if (m_bStopping) return;
    WriteOperation(kMenuCommand, CommandPath(payload), kZero);
}

void CMonitorControl::OutputOp_ToolbarCommand(boost::any payload) {
    if (m_bStopping) return;
    WriteOperation(kToolbarCommand, CommandPath(payload), kZero);
}

void CMonitorControl::OutputOp_PopupMenuOpen(boost::any) {
    if (m_bStopping) return;
    WriteOperation(kPopupMenuOpen, kZero, kZero);
}

void CMonitorControl::OutputOp_PopupMenuClose(boost::any) {
    if (m_bStopping) return;
    WriteOperation(kPopupMenuClose, kZero, kZero);
}

void CMonitorControl::OutputOp_DialogShow(boost::any payload) {
    if (m_bStopping) return;
    HWND window = boost::any_cast<HWND>(payload);
    wchar_t buffer[256] = {};
    const int length = GetWindowText(window, buffer, 255);
    CString title(buffer, length > 0 ? length : 0);
    // A title holding "Esc" is recorded as the news window, an empty one as the log-on dialog.
    if (title.Find(L"Esc") >= 0) title = L"资讯信息";
    if (title.IsEmpty()) title = L"登录对话框";
    WriteOperation(kDialogShow, title, kZero);
}

void CMonitorControl::OutputOp_DialogInit(boost::any) {}
void CMonitorControl::OutputOp_DialogHide(boost::any) {}
void CMonitorControl::OutputOp_DialogDestroy(boost::any) {}

void CMonitorControl::OutputOp_TabWndActive(boost::any) {
    if (m_bStopping) return;
    auto* context = static_cast<ContextManager*>(CQZObjectManager::Get(L"ContextManager"));
    if (!context) return;
    boost::any value;
    if (!context->getcontext(L"CONTEXT_CURRENTQUOTETAB", value)) return;
    const auto& tab = boost::any_cast<const tagQuoteTabInfo&>(value);
    WriteOperation(kTabWndActive, tab.strText, kZero);
}

void CMonitorControl::OutputOp_PostExecute(std::wstring strFirst, std::wstring strSecond) {
    if (m_bStopping) return;
    WriteOperation(kPostExecute, CString(std::move(strFirst)), CString(std::move(strSecond)));
}

void CMonitorControl::OutputSys_Logon(boost::any) {}
