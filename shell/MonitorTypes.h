// Records shared by the monitor's subsystems: mapping tables, operation log records, host traffic
// records, transmission statistics, machine description and speed-test entries.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "platform/CString.h"

// Operation mapping (monitor configuration file).
struct OperationCode {
    std::int32_t nType = 0;
    std::map<CString, std::int32_t> mapValue1;
    std::map<CString, std::int32_t> mapValue2;
};

struct OperationName {
    CString strKindName;
    std::map<std::int32_t, CString> mapName1;
    std::map<std::int32_t, CString> mapName2;
};

// One record of the operation log: four little-endian int32, 16 bytes.
struct OperationRecord {
    std::int32_t nTimeOfDay;
    std::int32_t nType;
    std::int32_t nValue1;
    std::int32_t nValue2;
};
static_assert(sizeof(OperationRecord) == 16, "the operation log record is 16 bytes");

// Host traffic records.
struct TRANS_INFO {
    std::int32_t nSerial;
    std::int32_t nReqType;
    std::int32_t nTimeStamp;
    std::int32_t nSize;
    bool bPush;
};
static_assert(sizeof(TRANS_INFO) == 20, "TRANS_INFO is the host's 20-byte record");

struct MONITOR_SERVER_INFO {
    CString strServerName;
    BOOL bIsProxy = FALSE;
    CString strTime;
    std::int32_t nRetryTime = 0;
};

// Statistics of one request type.
struct TRANS_STAT {
    std::int32_t nSum = 0;
    std::int32_t nTime = 0;
    std::int32_t nSendSize = 0;
    std::int32_t nRecvSize = 0;
    std::int32_t nSumNone = 0;
    std::int32_t nTimeNone = 0;
    std::int32_t nSendSizeNone = 0;
    std::int32_t nRecvSizeNone = 0;
};

// Machine description records.
struct _CPUINFORMATION {
    CString strCPUName;
    CString strCPUSpeed;
    CString strCPUIdentify;
    CString strCPUProductor;
};

struct _MEMINFORMATION {
    CString strRAMSize;
    CString strRAMAvailable;
    CString strVirtualMemory;
    CString strVirtualMemoryAvailable;
};

struct _MONITORINFOS {
    CString strMonitorName;
    CString strMonitorResolution;
    CString strMonitorFresh;
};

struct _MACINFOS {
    CString strMacID;
    CString strMacName;
};

struct _DRIVEINFORMATION {
    CString strDriveName;
    CString strDriveLabel;
    CString strDriveFileSystem;
    CString strDriveSpaceTotal;
    CString strDriveSpaceAvailable;
};

// Speed tests.
struct ServerPingEntry {
    CString strServer;
    std::int32_t nPingTime = -7;
};

struct WebTestEntry {
    CString strURL;
    std::int32_t nOpenTime = -1;
};
