// Download of the speed-test configuration from the configuration server.
#include "speedtest/ConfigFetch.h"

#include "platform/Download.h"
#include "platform/Profile.h"

CString ReadConfigServerSetting(const CString& exeDir) {
    CString address =
        GetPrivateProfileString(kServerSettingSection, kServerSettingKey, L"", exeDir + kServerSettingFile);
    address.Trim();
    return address;
}

bool FetchSpeedTestConfiguration(const CString& localPath, const CString& serverBase,
                                 const SpeedTestSettings& settings) {
    CString url = serverBase;
    url.Trim();
    if (!IsHttpUrl(url)) return false;
    while (url.GetLength() > 0 && url.GetAt(url.GetLength() - 1) == L'/') url = url.Left(url.GetLength() - 1);
    url += kConfigServerPath;

    DownloadLimits limits;
    limits.timeoutMs = settings.fetchTimeoutMs;
    limits.connectTimeoutMs = settings.fetchConnectTimeoutMs;
    limits.maxBytes = settings.fetchMaxBytes;
    // The platform downloads to a temporary file within these limits and replaces the local file
    // in one step: a reader sees the old or the new configuration, never part of one.
    return static_cast<bool>(DownloadUrlToFile(url, localPath, limits));
}
