// STUB: replaced by the platform implementation.
#include "platform/Profile.h"
int GetPrivateProfileInt(const CString&, const CString&, int d, const CString&) {
    return d;
}
CString GetPrivateProfileString(const CString&, const CString&, const CString& d, const CString&, int) {
    return d;
}
bool WritePrivateProfileString(const CString&, const CString&, const CString&, const CString&) {
    return false;
}
