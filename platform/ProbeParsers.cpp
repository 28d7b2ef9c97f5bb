// Parsers of the texts the POSIX probes read. Pure functions: no file is opened here.
//
// Written by hand because these are the kernel's and the distribution's own line formats, for
// which no maintained parsing library exists; each parser checks every token it uses.
#include "platform/ProbeParsers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>

#include "platform/TextConv.h"

namespace {

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (in >> field) fields.push_back(field);
    return fields;
}

// Whole unsigned number in the given base; the entire text must be digits.
template <typename T>
bool ToUnsigned(const std::string& text, T& value, int base = 10) {
    if (text.empty()) return false;
    const char* begin = text.data();
    const char* end = begin + text.size();
    auto [ptr, ec] = std::from_chars(begin, end, value, base);
    return ec == std::errc() && ptr == end;
}

bool ToHex(const std::string& text, unsigned& value) {
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits = digits.substr(2);
    return ToUnsigned(digits, value, 16);
}

// A decimal number that may have a fraction ("1996.248"); rounded to the nearest whole.
bool ToRoundedDecimal(const std::string& text, unsigned long long& value) {
    const size_t dot = text.find('.');
    unsigned long long whole = 0;
    if (!ToUnsigned(text.substr(0, dot), whole)) return false;
    if (dot != std::string::npos) {
        const std::string fraction = text.substr(dot + 1);
        if (!fraction.empty() &&
            !std::all_of(fraction.begin(), fraction.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        if (!fraction.empty() && fraction[0] >= '5') ++whole;
    }
    value = whole;
    return true;
}

const std::string* Lookup(const CpuInfoBlock& block, const char* key) {
    auto it = block.find(key);
    if (it == block.end() || it->second.empty()) return nullptr;
    return &it->second;
}

}  // namespace

std::vector<CpuInfoBlock> ParseCpuInfo(const std::string& text) {
    std::vector<CpuInfoBlock> blocks;
    CpuInfoBlock block;
    for (const auto& line : Lines(text)) {
        if (Trim(line).empty()) {
            if (!block.empty()) blocks.push_back(std::move(block));
            block.clear();
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string key = Trim(line.substr(0, colon));
        if (key.empty()) continue;
        block.emplace(key, Trim(line.substr(colon + 1)));
    }
    if (!block.empty()) blocks.push_back(std::move(block));
    return blocks;
}

bool DescribeProcessor(const std::string& cpuinfo, int n, const std::string& machine,
                       ProcessorDescription& description) {
    description = ProcessorDescription();
    if (n < 0) return false;
    for (const auto& block : ParseCpuInfo(cpuinfo)) {
        unsigned number = 0;
        const std::string* processor = Lookup(block, "processor");
        if (!processor || !ToUnsigned(*processor, number) || number != static_cast<unsigned>(n)) continue;

        for (const char* key : {"model name", "Processor", "cpu model", "cpu"}) {
            if (const std::string* name = Lookup(block, key)) {
                description.hasName = true;
                description.name = NarrowToWide(*name);
                break;
            }
        }
        unsigned long long mhz = 0;
        if (const std::string* clock = Lookup(block, "cpu MHz");
            clock && ToRoundedDecimal(*clock, mhz) && mhz <= 0xFFFFFFFFull) {
            description.hasMHz = true;
            description.mhz = static_cast<DWORD>(mhz);
        }
        const std::string* vendor = Lookup(block, "vendor_id");
        if (!vendor) vendor = Lookup(block, "CPU implementer");
        if (vendor) {
            description.hasVendor = true;
            description.vendor = NarrowToWide(*vendor);
        }

        // The identifier in the form Windows gives it.
        unsigned family = 0, model = 0, stepping = 0;
        const std::string* f = Lookup(block, "cpu family");
        const std::string* m = Lookup(block, "model");
        const std::string* s = Lookup(block, "stepping");
        if (f && m && s && ToUnsigned(*f, family) && ToUnsigned(*m, model) && ToUnsigned(*s, stepping)) {
            std::string arch = "x86";
            if (machine == "x86_64" || machine == "amd64")
                arch = (vendor && *vendor == "GenuineIntel") ? "Intel64" : "AMD64";
            description.hasIdentifier = true;
            description.identifier = NarrowToWide(arch + " Family " + std::to_string(family) + " Model " +
                                                  std::to_string(model) + " Stepping " + std::to_string(stepping));
        } else {
            unsigned architecture = 0, part = 0, revision = 0;
            const std::string* a = Lookup(block, "CPU architecture");
            const std::string* p = Lookup(block, "CPU part");
            const std::string* r = Lookup(block, "CPU revision");
            if (a && p && r && ToUnsigned(*a, architecture) && ToHex(*p, part) && ToUnsigned(*r, revision)) {
                std::ostringstream id;
                id << "ARMv" << architecture << (machine == "aarch64" ? " (64-bit)" : "") << " Family " << architecture
                   << " Model " << std::uppercase << std::hex << part << std::dec << " Revision " << revision;
                description.hasIdentifier = true;
                description.identifier = NarrowToWide(id.str());
            }
        }
        return true;
    }
    return false;
}

bool ParseKilobyteField(const std::string& text, const std::string& key, ULONGLONG& bytes) {
    for (const auto& line : Lines(text)) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos || line.substr(0, colon) != key) continue;
        const auto fields = Fields(line.substr(colon + 1));
        ULONGLONG kilobytes = 0;
        if (fields.empty() || !ToUnsigned(fields[0], kilobytes)) return false;
        if (fields.size() > 1 && fields[1] != "kB") return false;
        if (kilobytes > (~0ull >> 10)) return false;
        bytes = kilobytes << 10;
        return true;
    }
    return false;
}

bool ParseMemInfo(const std::string& text, ULONGLONG& totalBytes, ULONGLONG& availableBytes) {
    ULONGLONG total = 0;
    if (!ParseKilobyteField(text, "MemTotal", total)) return false;
    ULONGLONG available = 0;
    if (!ParseKilobyteField(text, "MemAvailable", available)) {
        ULONGLONG free = 0, buffers = 0, cached = 0;
        ParseKilobyteField(text, "MemFree", free);
        ParseKilobyteField(text, "Buffers", buffers);
        ParseKilobyteField(text, "Cached", cached);
        available = std::min(total, free + buffers + cached);
    }
    totalBytes = total;
    availableBytes = available;
    return true;
}

ULONGLONG ParseAddressSpaceSize(const std::string& maps) {
    ULONGLONG top = 0;
    for (const auto& line : Lines(maps)) {
        const auto fields = Fields(line);
        if (fields.empty()) continue;
        const size_t dash = fields[0].find('-');
        if (dash == std::string::npos) continue;
        ULONGLONG end = 0;
        if (!ToUnsigned(fields[0].substr(dash + 1), end, 16)) continue;
        if (end >> 63) continue;  // kernel addresses ([vsyscall]) are not the process's
        top = std::max(top, end);
    }
    if (top == 0) return 0;
    ULONGLONG size = 1;
    while (size < top) size <<= 1;
    return size;
}

std::string OsProductName(const std::string& osRelease, const std::string& systemName,
                          const std::string& kernelRelease) {
    std::map<std::string, std::string> values;
    for (const auto& raw : Lines(osRelease)) {
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == '#') continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        const std::string key = line.substr(0, eq);
        std::string value;
        const std::string rest = line.substr(eq + 1);
        char quote = 0;
        for (size_t i = 0; i < rest.size(); ++i) {
            const char ch = rest[i];
            if (quote) {
                if (ch == quote) {
                    quote = 0;
                } else if (ch == '\\' && quote == '"' && i + 1 < rest.size()) {
                    value += rest[++i];
                } else {
                    value += ch;
                }
            } else if (ch == '"' || ch == '\'') {
                quote = ch;
            } else if (ch == '\\' && i + 1 < rest.size()) {
                value += rest[++i];
            } else {
                value += ch;
            }
        }
        values.emplace(key, Trim(value));
    }
    std::string name;
    if (!values["PRETTY_NAME"].empty()) {
        name = values["PRETTY_NAME"];
    } else if (!values["NAME"].empty()) {
        name = values["NAME"];
        if (!values["VERSION"].empty()) name += " " + values["VERSION"];
    } else {
        name = Trim(systemName);
    }
    const std::string kernel = Trim(kernelRelease);
    if (!kernel.empty()) name = name.empty() ? kernel : name + " " + kernel;
    return name;
}

std::string DecodeMountEscapes(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const std::string digits = text.substr(i + 1, 3);
            unsigned value = 0;
            if (digits.size() == 3 && ToUnsigned(digits, value, 8) && value < 256) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string DecodeUdevEscapes(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            unsigned value = 0;
            if (ToUnsigned(text.substr(i + 2, 2), value, 16)) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

bool FindMount(const std::string& mountinfo, const std::string& path, MountEntry& entry) {
    bool found = false;
    size_t bestLength = 0;
    for (const auto& line : Lines(mountinfo)) {
        const auto fields = Fields(line);
        // id parent major:minor root mount-point options [optional...] - type source super-options
        const auto separator = std::find(fields.begin(), fields.end(), "-");
        if (fields.size() < 6 || separator == fields.end() || separator - fields.begin() < 6 ||
            fields.end() - separator < 3)
            continue;
        const std::string mountPoint = DecodeMountEscapes(fields[4]);
        if (mountPoint.empty() || mountPoint[0] != '/') continue;
        const bool covers = mountPoint == "/" || path == mountPoint ||
                            (path.compare(0, mountPoint.size(), mountPoint) == 0 && path.size() > mountPoint.size() &&
                             path[mountPoint.size()] == '/');
        if (!covers || mountPoint.size() < bestLength) continue;
        MountEntry candidate;
        candidate.mountPoint = mountPoint;
        candidate.fsType = DecodeMountEscapes(*(separator + 1));
        candidate.source = DecodeMountEscapes(*(separator + 2));
        const size_t colon = fields[2].find(':');
        if (colon == std::string::npos || !ToUnsigned(fields[2].substr(0, colon), candidate.major) ||
            !ToUnsigned(fields[2].substr(colon + 1), candidate.minor))
            continue;
        entry = candidate;
        bestLength = mountPoint.size();
        found = true;
    }
    return found;
}

UINT DriveTypeOfFileSystem(const std::string& fsType, bool removable) {
    if (fsType.empty()) return kDriveUnknown;
    static const char* const remote[] = {"nfs", "nfs4", "cifs", "smb3",      "smbfs",      "ncpfs",
                                         "afs", "ceph", "9p",   "glusterfs", "fuse.sshfs", "fuse.glusterfs"};
    for (const char* name : remote)
        if (fsType == name) return kDriveRemote;
    if (fsType == "tmpfs" || fsType == "ramfs") return kDriveRamDisk;
    if (fsType == "iso9660" || fsType == "udf") return kDriveCdrom;
    return removable ? kDriveRemovable : kDriveFixed;
}

bool ParseEdidPreferredMode(const std::string& edid, ScreenCaps& caps) {
    static const unsigned char header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    if (edid.size() < 128) return false;
    const auto* b = reinterpret_cast<const unsigned char*>(edid.data());
    if (!std::equal(header, header + 8, b)) return false;
    const unsigned char* d = b + 54;                                        // first detailed timing descriptor
    const unsigned pixelClock = static_cast<unsigned>(d[0] | (d[1] << 8));  // in 10 kHz
    if (pixelClock == 0) return false;
    const unsigned hActive = d[2] | ((d[4] & 0xF0u) << 4);
    const unsigned hBlank = d[3] | ((d[4] & 0x0Fu) << 8);
    const unsigned vActive = d[5] | ((d[7] & 0xF0u) << 4);
    const unsigned vBlank = d[6] | ((d[7] & 0x0Fu) << 8);
    const unsigned long long total = static_cast<unsigned long long>(hActive + hBlank) * (vActive + vBlank);
    if (hActive == 0 || vActive == 0 || total == 0) return false;
    caps.width = static_cast<int>(hActive);
    caps.height = static_cast<int>(vActive);
    caps.refresh = static_cast<int>(std::llround(pixelClock * 10000.0 / static_cast<double>(total)));
    return true;
}

bool ParseDrmMode(const std::string& modes, int& width, int& height) {
    const auto lines = Lines(modes);
    if (lines.empty()) return false;
    const std::string mode = Trim(lines[0]);
    const size_t x = mode.find('x');
    if (x == std::string::npos) return false;
    std::string heightText = mode.substr(x + 1);
    // Interlaced modes end in "i" ("1920x1080i").
    if (!heightText.empty() && heightText.back() == 'i') heightText.pop_back();
    unsigned w = 0, h = 0;
    if (!ToUnsigned(mode.substr(0, x), w) || !ToUnsigned(heightText, h) || w > 100000 || h > 100000) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool LookupPciName(const std::string& pciIds, unsigned vendor, unsigned device, std::string& name) {
    std::string vendorName;
    bool inVendor = false;
    for (const auto& line : Lines(pciIds)) {
        if (line.empty() || line[0] == '#') continue;
        if (line[0] != '\t') {
            if (inVendor) return false;                       // the vendor's device list ended without the device
            if (line.compare(0, 2, "C ") == 0) return false;  // the class list follows the vendors
            unsigned id = 0;
            if (line.size() > 6 && ToUnsigned(line.substr(0, 4), id, 16) && id == vendor) {
                inVendor = true;
                vendorName = Trim(line.substr(4));
            }
            continue;
        }
        if (!inVendor || (line.size() > 1 && line[1] == '\t')) continue;  // subsystem lines
        unsigned id = 0;
        if (line.size() > 6 && ToUnsigned(line.substr(1, 4), id, 16) && id == device) {
            name = vendorName + " " + Trim(line.substr(5));
            return true;
        }
    }
    return false;
}
