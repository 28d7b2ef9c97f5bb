// POSIX backend of the machine probes: /proc, /sys, os-release, getifaddrs, statvfs.
//
// The texts are parsed by the pure functions of ProbeParsers.cpp; this file only finds and reads
// them and makes the system calls.
#include "platform/ProbeBackend.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "platform/File.h"
#include "platform/ProbeParsers.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "platform/posix/PosixIo.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFirstLine(const std::string& path) {
    std::string text;
    if (!ReadWholeFile(path, text)) return std::string();
    const size_t end = text.find('\n');
    return end == std::string::npos ? text : text.substr(0, end);
}

bool ReadHexFile(const std::string& path, unsigned& value) {
    const std::string text = ReadFirstLine(path);
    if (text.empty()) return false;
    try {
        size_t used = 0;
        value = static_cast<unsigned>(std::stoul(text, &used, 16));
        return used > 0;
    } catch (const std::exception&) {
        return false;
    }
}

utsname Uname() {
    utsname names{};
    if (::uname(&names) != 0) names = utsname{};
    return names;
}

// The PCI name of a sysfs device folder (its "vendor" and "device" files), or empty.
std::string PciName(const std::string& deviceDir) {
    unsigned vendor = 0, device = 0;
    if (!ReadHexFile(deviceDir + "/vendor", vendor) || !ReadHexFile(deviceDir + "/device", device)) return {};
    for (const char* list : {"/usr/share/misc/pci.ids", "/usr/share/hwdata/pci.ids", "/usr/share/pci.ids"}) {
        std::string ids, name;
        if (ReadWholeFile(list, ids) && LookupPciName(ids, vendor, device, name)) return name;
    }
    return {};
}

// The name of the driver bound to a sysfs device folder, or empty.
std::string DriverName(const std::string& deviceDir) {
    std::error_code ec;
    const fs::path target = fs::read_symlink(deviceDir + "/driver", ec);
    return ec ? std::string() : target.filename().string();
}

// The drive letter of a root text ("C:\", "c:" ...), or 0.
wchar_t DriveLetter(const CString& root) {
    if (root.IsEmpty()) return 0;
    wchar_t letter = root.GetAt(0);
    if (letter >= L'a' && letter <= L'z') letter = static_cast<wchar_t>(letter - L'a' + L'A');
    return letter;
}

// The executable directory, resolved, and the mount that holds it.
bool ExecutableMount(std::string& path, MountEntry& mount) {
    std::error_code ec;
    fs::path dir = NativePath(GetExecutableDir());
    if (dir.empty()) return false;
    // A directory that does not exist yet lives on the file system of its nearest parent.
    while (!fs::exists(dir, ec) && dir.has_parent_path() && dir.parent_path() != dir) dir = dir.parent_path();
    const fs::path resolved = fs::canonical(dir, ec);
    if (ec) return false;
    path = resolved.string();
    std::string mountinfo;
    return ReadWholeFile("/proc/self/mountinfo", mountinfo) && FindMount(mountinfo, path, mount);
}

bool IsRemovable(const MountEntry& mount) {
    const std::string dev = "/sys/dev/block/" + std::to_string(mount.major) + ":" + std::to_string(mount.minor);
    std::error_code ec;
    const fs::path device = fs::canonical(dev, ec);
    if (ec) return false;
    for (const fs::path& candidate : {device / "removable", device.parent_path() / "removable"}) {
        const std::string flag = ReadFirstLine(candidate.string());
        if (!flag.empty()) return flag == "1";
    }
    return false;
}

std::string VolumeLabel(const MountEntry& mount) {
    std::error_code ec;
    const fs::path byLabel = "/dev/disk/by-label";
    if (!fs::is_directory(byLabel, ec)) return {};
    const fs::path source = fs::canonical(mount.source, ec);
    const dev_t mountDev = makedev(mount.major, mount.minor);
    for (const auto& entry : fs::directory_iterator(byLabel, ec)) {
        struct stat st;
        if (::stat(entry.path().c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) continue;
        std::error_code linkError;
        const fs::path target = fs::canonical(entry.path(), linkError);
        if (st.st_rdev == mountDev || (!source.empty() && !linkError && target == source))
            return DecodeUdevEscapes(entry.path().filename().string());
    }
    return {};
}

}  // namespace

namespace probe_backend {

bool GetOsProductName(CString& name) {
    std::string osRelease;
    if (!ReadWholeFile("/etc/os-release", osRelease)) ReadWholeFile("/usr/lib/os-release", osRelease);
    const utsname names = Uname();
    const std::string text = OsProductName(osRelease, names.sysname, names.release);
    if (text.empty()) return false;
    name = NarrowToWide(text);
    return true;
}

bool GetProcessorDescription(int n, ProcessorDescription& description) {
    std::string cpuinfo;
    ReadWholeFile("/proc/cpuinfo", cpuinfo);
    const bool known = DescribeProcessor(cpuinfo, n, Uname().machine, description);
    if (!description.hasMHz && n >= 0) {
        // Processors whose /proc/cpuinfo has no clock: the frequency limit of cpufreq, in kHz.
        const std::string base = "/sys/devices/system/cpu/cpu" + std::to_string(n) + "/cpufreq/";
        for (const char* file : {"cpuinfo_max_freq", "scaling_max_freq"}) {
            const std::string khz = ReadFirstLine(base + file);
            try {
                if (!khz.empty()) {
                    description.mhz = static_cast<DWORD>((std::stoull(khz) + 500) / 1000);
                    description.hasMHz = true;
                    break;
                }
            } catch (const std::exception&) {
            }
        }
    }
    return known || description.hasMHz;
}

bool GlobalMemoryStatus(MemoryStatus& status) {
    std::string meminfo;
    if (!ReadWholeFile("/proc/meminfo", meminfo) || !ParseMemInfo(meminfo, status.totalPhys, status.availPhys))
        return false;
    // The process's virtual address space: its limit when one is set, else the size of the user
    // address space; what is free is what the process has not mapped yet.
    ULONGLONG total = 0;
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) total = limit.rlim_cur;
    std::string maps;
    if (total == 0 && ReadWholeFile("/proc/self/maps", maps)) total = ParseAddressSpaceSize(maps);
    std::string selfStatus;
    ULONGLONG used = 0;
    if (ReadWholeFile("/proc/self/status", selfStatus)) ParseKilobyteField(selfStatus, "VmSize", used);
    status.totalVirtual = total;
    status.availVirtual = total > used ? total - used : 0;
    return true;
}

// DRM entries of /sys/class/drm: cards ("card0") and their connectors ("card0-HDMI-A-1").
std::vector<std::string> DrmEntries(bool connectors) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/sys/class/drm", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("card", 0) != 0) continue;
        if ((name.find('-') != std::string::npos) == connectors) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool GetDisplayAdapterName(int n, CString& name) {
    const auto cards = DrmEntries(false);
    if (n < 1 || static_cast<size_t>(n) > cards.size()) return false;
    const std::string device = "/sys/class/drm/" + cards[static_cast<size_t>(n - 1)] + "/device";
    std::string text = PciName(device);
    if (text.empty()) text = DriverName(device);
    if (text.empty()) return false;
    name = NarrowToWide(text);
    return true;
}

ScreenCaps GetScreenCaps() {
    ScreenCaps caps;
    for (const auto& connector : DrmEntries(true)) {
        const std::string dir = "/sys/class/drm/" + connector + "/";
        if (ReadFirstLine(dir + "status") != "connected") continue;
        std::string edid, modes;
        if (ReadWholeFile(dir + "edid", edid) && ParseEdidPreferredMode(edid, caps)) return caps;
        if (ReadWholeFile(dir + "modes", modes) && ParseDrmMode(modes, caps.width, caps.height)) return caps;
    }
    return caps;
}

bool GetAdaptersInfo(std::vector<AdapterInfo>& adapters) {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return false;
    struct Found {
        std::vector<BYTE> address;
        std::string ip;
        bool loopback = false;
    };
    std::map<unsigned, std::string> byIndex;  // system order: interface index
    std::map<std::string, Found> found;
    for (ifaddrs* item = list; item; item = item->ifa_next) {
        if (!item->ifa_name) continue;
        Found& entry = found[item->ifa_name];
        if (item->ifa_flags & IFF_LOOPBACK) entry.loopback = true;
        if (!item->ifa_addr) continue;
        if (item->ifa_addr->sa_family == AF_PACKET) {
            const auto* link = reinterpret_cast<const sockaddr_ll*>(item->ifa_addr);
            const size_t length = std::min<size_t>(link->sll_halen, sizeof link->sll_addr);
            entry.address.assign(link->sll_addr, link->sll_addr + length);
            byIndex[static_cast<unsigned>(link->sll_ifindex)] = item->ifa_name;
        } else if (item->ifa_addr->sa_family == AF_INET && entry.ip.empty()) {
            char text[INET_ADDRSTRLEN] = {};
            const auto* in = reinterpret_cast<const sockaddr_in*>(item->ifa_addr);
            if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) entry.ip = text;
        }
    }
    ::freeifaddrs(list);

    adapters.clear();
    for (const auto& [index, name] : byIndex) {
        const Found& entry = found[name];
        if (entry.loopback || entry.address.empty()) continue;
        AdapterInfo adapter;
        const std::string device = "/sys/class/net/" + name + "/device";
        std::string description = PciName(device);
        if (description.empty()) description = DriverName(device);
        adapter.description = description.empty() ? name : description + " (" + name + ")";
        adapter.address = entry.address;
        adapter.ipAddress = entry.ip.empty() ? "0.0.0.0" : entry.ip;
        adapters.push_back(std::move(adapter));
    }
    return true;
}

UINT GetDriveType(const CString& root) {
    if (DriveLetter(root) != kExecutableDriveLetter) return kDriveNoRootDir;
    std::string path;
    MountEntry mount;
    if (!ExecutableMount(path, mount)) return kDriveUnknown;
    return DriveTypeOfFileSystem(mount.fsType, IsRemovable(mount));
}

bool GetVolumeInformation(const CString& root, CString& label, CString& fileSystem) {
    if (DriveLetter(root) != kExecutableDriveLetter) return false;
    std::string path;
    MountEntry mount;
    if (!ExecutableMount(path, mount)) return false;
    label = NarrowToWide(VolumeLabel(mount));
    fileSystem = NarrowToWide(mount.fsType);
    return true;
}

bool GetDiskFreeSpaceEx(const CString& root, ULONGLONG& totalBytes, ULONGLONG& totalFreeBytes) {
    if (DriveLetter(root) != kExecutableDriveLetter) return false;
    std::string path;
    MountEntry mount;
    if (!ExecutableMount(path, mount)) return false;
    struct statvfs st;
    if (::statvfs(path.c_str(), &st) != 0) return false;
    totalBytes = static_cast<ULONGLONG>(st.f_blocks) * st.f_frsize;
    totalFreeBytes = static_cast<ULONGLONG>(st.f_bfree) * st.f_frsize;
    return true;
}

bool GetVersionEx(OSVERSIONINFOEXW*) {
    return false;  // POSIX has no Windows version record
}

int GetNumberOfProcessors() {
    const long count = ::sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<int>(count) : 1;
}

CString GetModuleFileNameWithDrive() {
    return CString(kExecutableDriveLetter) + L":" + GetModuleFileName();
}

}  // namespace probe_backend
