// The real machine queries behind platform/Probes.h, one backend per platform
// (platform/posix/Probes.cpp, platform/win/Probes.cpp). platform/Probes.cpp puts the test seam in
// front of them; each function here has the contract of its namesake in Probes.h. Internal to the
// platform layer.
#pragma once

#include <vector>

#include "platform/Probes.h"

namespace probe_backend {

bool GetVersionEx(OSVERSIONINFOEXW* info);
bool GetOsProductName(CString& name);
int GetNumberOfProcessors();
bool GetProcessorDescription(int n, ProcessorDescription& description);
bool GlobalMemoryStatus(MemoryStatus& status);
bool GetDisplayAdapterName(int n, CString& name);
ScreenCaps GetScreenCaps();
bool GetAdaptersInfo(std::vector<AdapterInfo>& adapters);
CString GetModuleFileNameWithDrive();
UINT GetDriveType(const CString& root);
bool GetVolumeInformation(const CString& root, CString& label, CString& fileSystem);
bool GetDiskFreeSpaceEx(const CString& root, ULONGLONG& totalBytes, ULONGLONG& totalFreeBytes);

}  // namespace probe_backend
