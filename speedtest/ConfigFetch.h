// Download of the speed-test configuration from the configuration server.
#pragma once

#include "platform/CString.h"
#include "speedtest/SpeedTestSettings.h"

// The profile section of the speed-test configuration that holds its "Version", and the path of
// the configuration on the configuration server.
inline constexpr const wchar_t* kConfigSection = L"NSCore_Configuration";
inline constexpr const wchar_t* kConfigServerPath = L"/Clients_Performance_Statistics/Configuration.ini";

// The configuration server's address is a setting of the installation, kept apart from the
// configuration that is downloaded from it: the file "\config\SpeedTestServer.ini" beside the
// host's executable, key "Address" of section "ConfigServer", a base address such as
// "http://config.example.net:8080". The download never touches this file, so neither a missing
// configuration nor a fetched one can change where the next fetch goes.
inline constexpr const wchar_t* kServerSettingFile = L"\\config\\SpeedTestServer.ini";
inline constexpr const wchar_t* kServerSettingSection = L"ConfigServer";
inline constexpr const wchar_t* kServerSettingKey = L"Address";

// The configuration server's base address from the setting beside the executable in `exeDir`,
// trimmed; empty when the setting is missing.
CString ReadConfigServerSetting(const CString& exeDir);

// Fetches the configuration from the server at `serverBase` and replaces `localPath` with it.
// Only http and https are used; the download is bounded by the settings' time limits and size cap
// and goes to a temporary file first, so the local file is either left as it was (any failure,
// including an empty or non-http address, an error status, an oversized or cut-off body) or
// replaced whole. True when the file was replaced.
bool FetchSpeedTestConfiguration(const CString& localPath, const CString& serverBase,
                                 const SpeedTestSettings& settings);
