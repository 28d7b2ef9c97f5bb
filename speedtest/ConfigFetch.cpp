// Download of the speed-test configuration with libcurl.
#include "speedtest/ConfigFetch.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <string>

#include "platform/File.h"
#include "platform/Profile.h"
#include "platform/TextConv.h"

namespace {

struct Download {
    std::string body;
    size_t cap = 0;
    bool oversized = false;
};

size_t Collect(char* data, size_t size, size_t count, void* context) {
    auto* download = static_cast<Download*>(context);
    const size_t bytes = size * count;
    if (download->body.size() + bytes > download->cap) {
        download->oversized = true;
        return 0;  // makes the transfer fail
    }
    download->body.append(data, bytes);
    return bytes;
}

bool IsHttpAddress(const CString& address) {
    CString lower = address;
    lower.MakeLower();
    return lower.Find(L"http://") == 0 || lower.Find(L"https://") == 0;
}

bool Get(const std::string& url, const SpeedTestSettings& settings, std::string& body) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) return false;
    Download download;
    download.cap = settings.fetchMaxBytes;
    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(settings.fetchTimeoutMs));
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings.fetchConnectTimeoutMs));
    curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(settings.fetchMaxBytes));
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &download);
    if (curl_easy_perform(handle) != CURLE_OK || download.oversized) return false;
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) return false;
    body = std::move(download.body);
    return true;
}

}  // namespace

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
    if (url.IsEmpty() || !IsHttpAddress(url)) return false;
    while (url.GetLength() > 0 && url.GetAt(url.GetLength() - 1) == L'/') url = url.Left(url.GetLength() - 1);
    url += kConfigServerPath;

    std::string body;
    if (!Get(WideToNarrow(url), settings, body)) return false;

    // The body is complete in memory; the local file is replaced in one step (through a temporary
    // file beside it), so a reader sees the old or the new configuration, never part of one.
    return WriteFileBytesAtomic(localPath, body);
}
