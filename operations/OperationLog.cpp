// The operation log writer and the item store of XML documents.
#include "shell/MonitorControl.h"

void CMonitorControl::WriteOperation(CString, CString, CString) {}
void CMonitorControl::WriteItem(CString, CString, CString) {}
void CMonitorControl::ReadItem(CString, CString, CString& strValue) {
    strValue = L"0";
}
CString CMonitorControl::GetCurrentOpTime() {
    return CString();
}
