// STUB: replaced by the platform implementation.
#include "platform/System.h"
CString GetModuleFileName() {
    return CString(L"\\tmp\\monitor-host");
}
CString GetExecutableDir() {
    return CString(L"\\tmp");
}
void SetExecutableDirOverride(const CString&) {}
std::int64_t GetCurrentTime64() {
    return 0;
}
void SetCurrentTimeForTesting(std::function<std::int64_t()>) {}
bool ToLocalTime(std::int64_t, LocalTimeParts&) {
    return false;
}
bool FromLocalTime(const LocalTimeParts&, std::int64_t&) {
    return false;
}
void SetLocalTimeFailureForTesting(bool) {}
DWORD GetTickCount() {
    return 0;
}
void SetTickCountForTesting(std::function<DWORD()>) {}
int TcpConnectTime(const std::string&, int) {
    return -1;
}
void SetCurrentThreadPriority(int) {}
