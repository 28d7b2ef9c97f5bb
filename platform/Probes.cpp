// Machine probes: the test seam (SetProbeOverridesForTesting) in front of the platform's backend
// (ProbeBackend.h). Each query takes the override a test installed, or else asks the backend; the
// out parameters are reset first where the backend fills them piecemeal, so an override and the
// real query start from the same empty record.
#include "platform/Probes.h"

#include <mutex>

#include "platform/ProbeBackend.h"

namespace {

std::mutex g_overrideMutex;
ProbeOverrides g_overrides;

// The override a test installed for one query, or an empty function.
template <typename F>
F Override(F ProbeOverrides::*member) {
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    return g_overrides.*member;
}

}  // namespace

void SetProbeOverridesForTesting(const ProbeOverrides& overrides) {
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    g_overrides = overrides;
}

bool GetVersionEx(OSVERSIONINFOEXW* info) {
    if (auto f = Override(&ProbeOverrides::getVersionEx)) return f(info);
    return probe_backend::GetVersionEx(info);
}

bool GetOsProductName(CString& name) {
    if (auto f = Override(&ProbeOverrides::getOsProductName)) return f(name);
    return probe_backend::GetOsProductName(name);
}

int GetNumberOfProcessors() {
    if (auto f = Override(&ProbeOverrides::getNumberOfProcessors)) return f();
    return probe_backend::GetNumberOfProcessors();
}

bool GetProcessorDescription(int n, ProcessorDescription& description) {
    description = ProcessorDescription();
    if (auto f = Override(&ProbeOverrides::getProcessorDescription)) return f(n, description);
    return probe_backend::GetProcessorDescription(n, description);
}

bool GlobalMemoryStatus(MemoryStatus& status) {
    status = MemoryStatus();
    if (auto f = Override(&ProbeOverrides::globalMemoryStatus)) return f(status);
    return probe_backend::GlobalMemoryStatus(status);
}

bool GetDisplayAdapterName(int n, CString& name) {
    if (auto f = Override(&ProbeOverrides::getDisplayAdapterName)) return f(n, name);
    return probe_backend::GetDisplayAdapterName(n, name);
}

ScreenCaps GetScreenCaps() {
    if (auto f = Override(&ProbeOverrides::getScreenCaps)) return f();
    return probe_backend::GetScreenCaps();
}

bool GetAdaptersInfo(std::vector<AdapterInfo>& adapters) {
    adapters.clear();
    if (auto f = Override(&ProbeOverrides::getAdaptersInfo)) return f(adapters);
    return probe_backend::GetAdaptersInfo(adapters);
}

CString GetModuleFileNameWithDrive() {
    if (auto f = Override(&ProbeOverrides::getModuleFileNameWithDrive)) return f();
    return probe_backend::GetModuleFileNameWithDrive();
}

UINT GetDriveType(const CString& root) {
    if (auto f = Override(&ProbeOverrides::getDriveType)) return f(root);
    return probe_backend::GetDriveType(root);
}

bool GetVolumeInformation(const CString& root, CString& label, CString& fileSystem) {
    label.Empty();
    fileSystem.Empty();
    if (auto f = Override(&ProbeOverrides::getVolumeInformation)) return f(root, label, fileSystem);
    return probe_backend::GetVolumeInformation(root, label, fileSystem);
}

bool GetDiskFreeSpaceEx(const CString& root, ULONGLONG& totalBytes, ULONGLONG& totalFreeBytes) {
    if (auto f = Override(&ProbeOverrides::getDiskFreeSpaceEx)) return f(root, totalBytes, totalFreeBytes);
    return probe_backend::GetDiskFreeSpaceEx(root, totalBytes, totalFreeBytes);
}
