// The scrambled file container.
#include "store/Container.h"

#include "shell/MonitorControl.h"

bool ScrambleFile(const char*) {
    return false;
}
bool UnscrambleFile(const char*) {
    return false;
}

bool CMonitorControl::EasyEncrypt(CString) {
    return true;
}
bool CMonitorControl::EasyDecrypt(CString) {
    return false;
}
