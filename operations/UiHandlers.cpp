// Handlers of the host's user-interface events.
#include "shell/MonitorControl.h"

void CMonitorControl::OutputOp_WorkspaceChanged(boost::any) {}
void CMonitorControl::OutputOp_MenuCommand(boost::any) {}
void CMonitorControl::OutputOp_ToolbarCommand(boost::any) {}
void CMonitorControl::OutputOp_PopupMenuOpen(boost::any) {}
void CMonitorControl::OutputOp_PopupMenuClose(boost::any) {}
void CMonitorControl::OutputOp_DialogShow(boost::any) {}
void CMonitorControl::OutputOp_DialogInit(boost::any) {}
void CMonitorControl::OutputOp_DialogHide(boost::any) {}
void CMonitorControl::OutputOp_DialogDestroy(boost::any) {}
void CMonitorControl::OutputOp_TabWndActive(boost::any) {}
void CMonitorControl::OutputOp_PostExecute(std::wstring, std::wstring) {}
void CMonitorControl::OutputSys_Logon(boost::any) {}
