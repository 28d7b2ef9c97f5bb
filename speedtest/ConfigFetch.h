// Download of the speed-test configuration from the configuration server.
#pragma once

#include "platform/CString.h"
#include "speedtest/SpeedTestSettings.h"

// The profile section and key under which the configuration file keeps the base address of its
// configuration server ("http://config.example.net:8080"), and the path of the configuration on
// that server.
inline constexpr const wchar_t* kConfigSection = L"NSCore_Configuration";
inline constexpr const wchar_t* kConfigServerKey = L"ConfigServer";
inline constexpr const wchar_t* kConfigServerPath = L"/Clients_Performance_Statistics/Configuration.ini";

// Fetches the configuration from the server that `localPath` names (or the settings' fallback)
// and replaces `localPath` with it. Only http and https are used; the download is bounded by the
// settings' time limits and size cap and goes to a temporary file first, so the local file is
// either left as it was (any failure, including an error status, an oversized or cut-off body)
// or replaced whole. A fetched file that does not name its configuration server gets the address
// it was fetched from, so the setting survives the replacement. True when the file was replaced.
bool FetchSpeedTestConfiguration(const CString& localPath, const SpeedTestSettings& settings);
