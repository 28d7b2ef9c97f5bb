// Parsers of the texts the POSIX probes read (/proc/cpuinfo, /proc/meminfo, /proc/self/status,
// /proc/self/maps, os-release, mountinfo, EDID blocks, DRM mode lists, the PCI name list).
//
// Each is a pure function over the text, kept apart from the code that reads the files so that
// it can be tested with literal snippets, malformed ones included: a parser never indexes a token
// it has not checked, and a text it cannot read gives false or an empty result.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/Probes.h"

// /proc/cpuinfo: one block per processor ("key<TAB>: value" lines, blocks separated by blank
// lines). Keys and values are trimmed; the first occurrence of a key in a block wins.
using CpuInfoBlock = std::map<std::string, std::string>;
QZ_HOST_API std::vector<CpuInfoBlock> ParseCpuInfo(const std::string& text);
// The description of processor `n` (the block whose "processor" is n): name, clock in whole MHz
// (rounded), identifier in the Windows form ("AMD64 Family 23 Model 1 Stepping 2") and vendor.
// `machine` is the kernel's machine name (uname -m), which names the architecture. False when
// there is no block for `n`.
QZ_HOST_API bool DescribeProcessor(const std::string& cpuinfo, int n, const std::string& machine,
                                   ProcessorDescription& description);

// /proc/meminfo: total and available physical memory in bytes. Available is MemAvailable, or
// MemFree + Buffers + Cached on kernels without it. False without MemTotal.
QZ_HOST_API bool ParseMemInfo(const std::string& text, ULONGLONG& totalBytes, ULONGLONG& availableBytes);
// A "Key:   N kB" line of /proc/self/status (or /proc/meminfo), in bytes; false when absent.
QZ_HOST_API bool ParseKilobyteField(const std::string& text, const std::string& key, ULONGLONG& bytes);
// /proc/self/maps: the size of the user address space, taken as the highest user mapping's end
// rounded up to a power of two (2^47 on x86-64); 0 when no mapping can be read.
QZ_HOST_API ULONGLONG ParseAddressSpaceSize(const std::string& maps);

// os-release (shell-style KEY=value lines, values possibly quoted) and the kernel release: the
// system's own name, "PRETTY_NAME kernel" ("Debian GNU/Linux 12 (bookworm) 6.1.0-18-amd64").
// Falls back to NAME and VERSION, then to `systemName` (uname -s). Empty when nothing is known.
QZ_HOST_API std::string OsProductName(const std::string& osRelease, const std::string& systemName,
                                      const std::string& kernelRelease);

// /proc/self/mountinfo: the mount that holds `path` (absolute, symbolic links resolved): the
// entry whose mount point is the longest leading component sequence of the path; a later entry
// of the same mount point wins (it hides the earlier one).
struct MountEntry {
    std::string mountPoint;
    std::string fsType;
    std::string source;
    unsigned major = 0;
    unsigned minor = 0;
};
QZ_HOST_API bool FindMount(const std::string& mountinfo, const std::string& path, MountEntry& entry);
// Decodes the octal escapes of mountinfo ("\040" for a blank) and the "\x20" escapes of udev's
// /dev/disk/by-label names.
QZ_HOST_API std::string DecodeMountEscapes(const std::string& text);
QZ_HOST_API std::string DecodeUdevEscapes(const std::string& text);
// The Windows drive kind of a file system: remote for network file systems, RAM disk for tmpfs,
// CD-ROM for iso9660/udf, removable when the block device says so, fixed otherwise; unknown for
// an empty type.
QZ_HOST_API UINT DriveTypeOfFileSystem(const std::string& fsType, bool removable);

// An EDID block: the screen's preferred mode (its first detailed timing), with the refresh rate
// rounded to whole hertz. False for a block without the EDID header or without a timing.
QZ_HOST_API bool ParseEdidPreferredMode(const std::string& edid, ScreenCaps& caps);
// The first line of a DRM connector's "modes" file ("1920x1080"); false when it does not read.
QZ_HOST_API bool ParseDrmMode(const std::string& modes, int& width, int& height);

// The PCI name list (pci.ids): "Vendor Device" for the pair, or false when it is not listed.
QZ_HOST_API bool LookupPciName(const std::string& pciIds, unsigned vendor, unsigned device, std::string& name);
