// Machine probes: the edition table, the display texts, the probe operations over injected and
// real machine facts, and the parsers of the POSIX probe texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/ProbeParsers.h"
#include "platform/Probes.h"
#include "platform/TextConv.h"
#include "sysinfo/ProbeTexts.h"
#include "tests/support/MonitorTestAccess.h"

namespace {

using A = MonitorTestAccess;

// An offline monitor in a scratch installation; probe overrides are undone afterwards.
class ProbesTest : public ::testing::Test {
protected:
    ~ProbesTest() override {
        SetProbeOverridesForTesting(ProbeOverrides());
        // An offline monitor leaves the machine description to whoever made it.
        delete[] A::m_pMacInfo(monitor);
        A::m_pMacInfo(monitor) = nullptr;
    }
    ScratchHost host;
    CMonitorControl monitor{true};
};

OSVERSIONINFOEXW Version(DWORD major, DWORD minor, BYTE product, WORD suite, WORD servicePack, const wchar_t* csd) {
    OSVERSIONINFOEXW info{};
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    info.wProductType = product;
    info.wSuiteMask = suite;
    info.wServicePackMajor = servicePack;
    std::wcsncpy(info.szCSDVersion, csd, 127);
    return info;
}

TEST(EditionTable, EveryRowWithItsSuffix) {
    struct Row {
        DWORD major, minor;
        BYTE product;
        WORD suite, servicePack;
        const wchar_t* csd;
        bool extended;
        const wchar_t* expected;
    };
    const Row rows[] = {
        {4, 10, 0, 0, 0, L" A", true, L"Windows 98 Second Edition"},
        {4, 10, 0, 0, 0, L"", true, L"Windows 98"},
        {4, 90, 0, 0, 0, L"", true, L"Windows ME"},
        {4, 0, 0, 0, 0, L"", true, L"before"},
        {5, 0, 1, 0, 0, L"", true, L"Windows 2000 Professional  Gold Edition"},
        {5, 0, 3, 0x80 | 0x2, 1, L"Service Pack 1", true,
         L"Windows 2000 Datacenter Edition Service Pack 1 Second Edition 1"},
        {5, 0, 3, 0x2, 2, L"Service Pack 2", true, L"Windows 2000 Advanced Server Service Pack 2 Second Edition 2"},
        {5, 0, 3, 0, 3, L"Service Pack 3", true, L"Windows 2000 Server Service Pack 3 Second Edition 3"},
        {5, 0, 2, 0, 4, L"Service Pack 4", true, L"before Second Edition 4"},
        {5, 0, 1, 0, 5, L"Service Pack 5", true, L"Windows 2000 Professional Service Pack 5 Second Edition 5"},
        {5, 0, 1, 0, 6, L"Service Pack 6", true, L"Windows 2000 Professional Service Pack 6"},
        {5, 1, 1, 0x200, 0, L"", true, L"Windows XP Home Edition  Gold"},
        {5, 1, 1, 0, 2, L"Service Pack 2", true, L"Windows XP Professional Service Pack 2 Second Edition 2"},
        {5, 1, 3, 0, 1, L"Service Pack 1", true, L"before Second Edition 1"},
        {5, 1, 1, 0, 3, L"Service Pack 3", true, L"Windows XP Professional Service Pack 3"},
        {5, 2, 3, 0x80 | 0x400, 0, L"", true, L"Windows Server 2003 Datacenter Edition  Gold"},
        {5, 2, 3, 0x2, 1, L"Service Pack 1", true,
         L"Windows Server 2003 Enterprise Edition Service Pack 1 Second Edition 1"},
        {5, 2, 3, 0x400, 2, L"Service Pack 2", true,
         L"Windows Server 2003 Web Edition Service Pack 2 Second Edition 2"},
        {5, 2, 3, 0x410, 2, L"Service Pack 2", true,
         L"Windows Server 2003 Standard EditionService Pack 2 Second Edition 2"},
        {5, 2, 3, 0, 3, L"Service Pack 3", true, L"Windows Server 2003 Standard EditionService Pack 3"},
        // Only the plain record: the rows that need the product type or suite mask keep the
        // text, and the service pack reads as 0.
        {5, 1, 1, 0, 2, L"Service Pack 2", false, L"before Gold"},
        {5, 0, 1, 0, 2, L"Service Pack 2", false, L"before Gold Edition"},
        {5, 3, 1, 0, 0, L"", true, L"before"},
        {6, 1, 1, 0, 1, L"Service Pack 1", true, L"before"},
        {10, 0, 1, 0, 0, L"", true, L"before"},
        {3, 51, 1, 0, 0, L"", true, L"before"},
    };
    for (const auto& row : rows) {
        CString text = L"before";
        ApplyEditionTable(Version(row.major, row.minor, row.product, row.suite, row.servicePack, row.csd), row.extended,
                          text);
        EXPECT_EQ(text.str(), row.expected) << row.major << "." << row.minor << " product " << int(row.product)
                                            << " suite " << row.suite << " sp " << row.servicePack;
    }
}

TEST_F(ProbesTest, PlatformCheckQueriesTheExtendedRecordThenThePlainOne) {
    std::vector<DWORD> sizes;
    ProbeOverrides overrides;
    overrides.getOsProductName = [](CString&) { return false; };
    overrides.getVersionEx = [&sizes](OSVERSIONINFOEXW* info) {
        sizes.push_back(info->dwOSVersionInfoSize);
        if (info->dwOSVersionInfoSize != kOsVersionInfoSize) return false;
        *info = Version(5, 1, 1, 0x200, 2, L"Service Pack 2");  // fields the plain record lacks are ignored
        return true;
    };
    SetProbeOverridesForTesting(overrides);
    EXPECT_TRUE(A::PlatformCheck(monitor));
    EXPECT_EQ(sizes, (std::vector<DWORD>{284, 276}));
    EXPECT_EQ(A::m_strWindowsVersion(monitor).str(), L" Gold");

    // Windows 10: the table does not know it; the text stays empty and the check succeeds.
    A::m_strWindowsVersion(monitor).Empty();
    overrides.getVersionEx = [](OSVERSIONINFOEXW* info) {
        *info = Version(10, 0, 1, 0, 0, L"");
        return true;
    };
    SetProbeOverridesForTesting(overrides);
    EXPECT_TRUE(A::PlatformCheck(monitor));
    EXPECT_TRUE(A::m_strWindowsVersion(monitor).IsEmpty());

    // Both queries fail: false, text unchanged (the caller then marks it "ERROR").
    overrides.getVersionEx = [](OSVERSIONINFOEXW*) { return false; };
    SetProbeOverridesForTesting(overrides);
    A::m_strWindowsVersion(monitor) = L"kept";
    EXPECT_FALSE(A::PlatformCheck(monitor));
    EXPECT_EQ(A::m_strWindowsVersion(monitor).str(), L"kept");
}

TEST_F(ProbesTest, PlatformCheckNamesThisSystem) {
    ASSERT_TRUE(A::PlatformCheck(monitor));
#if defined(_WIN32)
    // Windows answers with its version record (the edition table leaves versions after 5.2
    // unnamed); the extended query succeeds and says which system family it is.
    CString name;
    EXPECT_FALSE(GetOsProductName(name));
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = kOsVersionInfoExSize;
    ASSERT_TRUE(GetVersionEx(&info));
    EXPECT_GE(info.dwMajorVersion, 5u);
    EXPECT_EQ(info.dwPlatformId, 2u);  // the NT family
#else
    EXPECT_FALSE(A::m_strWindowsVersion(monitor).IsEmpty());
#endif
}

TEST_F(ProbesTest, ProcessorTextsFromTheDescription) {
    ProbeOverrides overrides;
    overrides.getProcessorDescription = [](int n, ProcessorDescription& d) {
        if (n != 1) return false;  // processor 0 is unreadable
        d.hasName = d.hasMHz = d.hasIdentifier = d.hasVendor = true;
        d.name = L"Test CPU @ 2.39GHz";
        d.mhz = 2394;
        d.identifier = L"Intel64 Family 6 Model 158 Stepping 10";
        d.vendor = L"GenuineIntel";
        return true;
    };
    SetProbeOverridesForTesting(overrides);
    _CPUINFORMATION cpu;
    EXPECT_TRUE(A::GetCPUInfo(monitor, 1, &cpu));
    EXPECT_EQ(cpu.strCPUName.str(), L"Test CPU @ 2.39GHz");
    EXPECT_EQ(cpu.strCPUSpeed.str(), L"0000095a");
    EXPECT_EQ(cpu.strCPUIdentify.str(), L"Intel64 Family 6 Model 158 Stepping 10");
    EXPECT_EQ(cpu.strCPUProductor.str(), L"GenuineIntel");

    _CPUINFORMATION unreadable;
    EXPECT_TRUE(A::GetCPUInfo(monitor, 0, &unreadable));
    EXPECT_TRUE(unreadable.strCPUName.IsEmpty());
    EXPECT_EQ(unreadable.strCPUSpeed.str(), L"00000000");
    EXPECT_TRUE(unreadable.strCPUProductor.IsEmpty());

    EXPECT_EQ(CpuSpeedText(3400).str(), L"00000d48");
    EXPECT_EQ(CpuSpeedText(0x12345678).str(), L"12345678");
}

TEST_F(ProbesTest, DisplayTexts) {
    struct Case {
        ScreenCaps caps;
        const wchar_t* resolution;
        const wchar_t* refresh;
    };
    const Case cases[] = {
        {{1920, 1080, 60}, L"1920 x 1080", L"60Hz"},
        {{1280, 1024, 1}, L"1280 x 1024", L"硬件默认扫描频率"},
        {{1280, 1024, 0}, L"1280 x 1024", L"硬件默认扫描频率"},
        {{0, 0, 0}, L"0 x 0", L"硬件默认扫描频率"},  // no screen
    };
    for (const auto& c : cases) {
        ProbeOverrides overrides;
        overrides.getScreenCaps = [&c] { return c.caps; };
        overrides.getDisplayAdapterName = [](int n, CString& name) {
            if (n != 1) return false;
            name = L"Test Graphics Adapter";
            return true;
        };
        SetProbeOverridesForTesting(overrides);
        _MONITORINFOS info;
        info.strMonitorName = L"earlier";
        EXPECT_TRUE(A::GetMONITORINFOS(monitor, 1, &info));
        EXPECT_EQ(info.strMonitorName.str(), L"Test Graphics Adapter");
        EXPECT_EQ(info.strMonitorResolution.str(), c.resolution);
        EXPECT_EQ(info.strMonitorFresh.str(), c.refresh);
        // An adapter that has no name leaves the text as it was.
        info.strMonitorName = L"earlier";
        A::GetMONITORINFOS(monitor, 2, &info);
        EXPECT_EQ(info.strMonitorName.str(), L"earlier");
    }
}

AdapterInfo Adapter(const char* description, std::vector<BYTE> address, const char* ip) {
    AdapterInfo adapter;
    adapter.description = description;
    adapter.address = std::move(address);
    adapter.ipAddress = ip;
    return adapter;
}

// An adapter name beyond ASCII that the system's ANSI code page can hold, since the adapter list
// gives its descriptions in that page: Chinese where the page has it (UTF-8 on Linux, 936 on a
// Chinese Windows), accented Latin where the page is a Western one (1252).
std::wstring NonAsciiAdapterName() {
    for (const std::wstring name : {L"有线网卡 one", L"Carte réseau one"})
        if (AnsiToWide(WideToAnsi(name)) == name) return name;
    return L"wired one";
}

TEST_F(ProbesTest, AdaptersWithAnAddressAreListedInOrderAndJoinedIntoTheIdentity) {
    const std::wstring name = NonAsciiAdapterName();
    ProbeOverrides overrides;
    overrides.getAdaptersInfo = [name](std::vector<AdapterInfo>& list) {
        const std::string description = WideToAnsi(name);
        list.push_back(Adapter(description.c_str(), {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, "192.0.2.7"));
        list.push_back(Adapter("unplugged", {0x02, 0, 0, 0, 0, 1}, "0.0.0.0"));
        list.push_back(Adapter("no address", {0x02, 0, 0, 0, 0, 2}, ""));
        list.push_back(Adapter("two", {0xa0, 0xb1, 0xc2, 0xd3, 0xe4, 0xf5}, "10.1.2.3"));
        return true;
    };
    SetProbeOverridesForTesting(overrides);
    EXPECT_TRUE(A::GetMacInfo(monitor, nullptr));
    ASSERT_EQ(A::m_nMacCount(monitor), 2);
    const _MACINFOS* macs = A::m_pMacInfo(monitor);
    EXPECT_EQ(macs[0].strMacID.str(), L"00-1A-2B-3C-4D-5E ");
    EXPECT_EQ(macs[0].strMacName.str(), name);
    EXPECT_EQ(macs[1].strMacID.str(), L"A0-B1-C2-D3-E4-F5 ");
    EXPECT_EQ(macs[1].strMacName.str(), L"two");
    EXPECT_EQ(A::m_strMacID(monitor).str(), L"00-1A-2B-3C-4D-5E |A0-B1-C2-D3-E4-F5 ");
}

TEST_F(ProbesTest, NoAdapterWithAnAddressGivesNoRecordsAndAnEmptyIdentity) {
    for (bool listReadable : {true, false}) {
        ProbeOverrides overrides;
        overrides.getAdaptersInfo = [listReadable](std::vector<AdapterInfo>& list) {
            list.push_back(Adapter("unplugged", {0x02, 0, 0, 0, 0, 1}, "0.0.0.0"));
            return listReadable;
        };
        SetProbeOverridesForTesting(overrides);
        // An unreadable list is not a failure of the probe; a list without addresses is.
        EXPECT_EQ(A::GetMacInfo(monitor, nullptr), !listReadable);
        EXPECT_EQ(A::m_nMacCount(monitor), 0);
        EXPECT_EQ(A::m_pMacInfo(monitor), nullptr);
        EXPECT_TRUE(A::m_strMacID(monitor).IsEmpty());
    }
}

TEST_F(ProbesTest, DriveTexts) {
    ProbeOverrides overrides;
    overrides.getDriveType = [](const CString& root) -> UINT {
        switch (root.GetAt(0)) {
            case L'A':
                return kDriveRemovable;
            case L'C':
                return kDriveFixed;
            case L'E':
                return kDriveRemovable;
            case L'N':
                return kDriveRemote;
            case L'R':
                return kDriveCdrom;
            case L'T':
                return kDriveRamDisk;
            case L'U':
                return kDriveUnknown;
            case L'X':
                return 7;
            default:
                return kDriveNoRootDir;
        }
    };
    overrides.getVolumeInformation = [](const CString& root, CString& label, CString& fs) {
        EXPECT_EQ(root.GetLength(), 2);  // letter and colon, no backslash
        if (root == L"C:") {
            label = L"系统";
            fs = L"ext4";
        }
        return true;
    };
    overrides.getDiskFreeSpaceEx = [](const CString& root, ULONGLONG& total, ULONGLONG& free) {
        EXPECT_EQ(root.Right(2).str(), L":\\");
        total = 500ull << 30;  // 500 GB
        free = (3ull << 20) + 1023;
        return true;
    };
    SetProbeOverridesForTesting(overrides);

    struct Case {
        const wchar_t* drive;
        const wchar_t *name, *label, *fs, *total, *free;
    };
    const Case cases[] = {
        {L"C", L"硬盘", L"系统", L"ext4", L"512000 MB", L"3 MB"},
        {L"A", L"软盘", L"无", L"无", L"524288000 KB", L"3072 KB"},
        {L"E", L"抽取式大容量磁盘", L"无", L"无", L"512000 MB", L"3 MB"},
        {L"N", L"网络磁盘", L"无", L"无", L"512000 MB", L"3 MB"},
        {L"R", L"CDROM/DVD 光盘", L"无", L"无", L"512000 MB", L"3 MB"},
        {L"T", L"虚拟磁盘", L"无", L"无", L"512000 MB", L"3 MB"},
        {L"U", L"无法辨识设备", L"无", L"无", L"512000 MB", L"3 MB"},
        {L"X", L"", L"无", L"无", L"512000 MB", L"3 MB"},
    };
    for (const auto& c : cases) {
        _DRIVEINFORMATION drive;
        EXPECT_TRUE(A::GetDriveInfo(monitor, CString(c.drive), &drive)) << c.drive;
        EXPECT_EQ(drive.strDriveName.str(), c.name) << c.drive;
        EXPECT_EQ(drive.strDriveLabel.str(), c.label) << c.drive;
        EXPECT_EQ(drive.strDriveFileSystem.str(), c.fs) << c.drive;
        EXPECT_EQ(drive.strDriveSpaceTotal.str(), c.total) << c.drive;
        EXPECT_EQ(drive.strDriveSpaceAvailable.str(), c.free) << c.drive;
    }

    // No root directory: "0" and nothing else. Not a letter (a network path): nothing at all.
    for (const wchar_t* drive : {L"D", L"\\", L"c", L"1", L""}) {
        _DRIVEINFORMATION info;
        EXPECT_FALSE(A::GetDriveInfo(monitor, CString(drive), &info)) << drive;
        EXPECT_EQ(info.strDriveName.str(), std::wstring(drive) == L"D" ? L"0" : L"") << drive;
        EXPECT_TRUE(info.strDriveLabel.IsEmpty() && info.strDriveFileSystem.IsEmpty() &&
                    info.strDriveSpaceTotal.IsEmpty() && info.strDriveSpaceAvailable.IsEmpty())
            << drive;
    }

    // A host started from a network path: the first character is a backslash.
    overrides.getModuleFileNameWithDrive = [] { return CString(L"\\\\server\\share\\host.exe"); };
    SetProbeOverridesForTesting(overrides);
    _DRIVEINFORMATION unc;
    EXPECT_FALSE(A::GetDriveInfo(monitor, A::GetCurrWorkingDirDisk(monitor), &unc));
    EXPECT_TRUE(unc.strDriveName.IsEmpty());
}

// The probes against this machine's own facts.
TEST_F(ProbesTest, ThisMachine) {
    const int processors = A::GetCPUNumber(monitor);
    ASSERT_GE(processors, 1);
    _CPUINFORMATION cpu;
    A::GetCPUInfo(monitor, 0, &cpu);
    EXPECT_FALSE(cpu.strCPUName.IsEmpty());
    EXPECT_EQ(cpu.strCPUSpeed.GetLength(), 8);

    _MEMINFORMATION mem;
    A::GetMemoryInfo(monitor, &mem);
    for (const CString* text :
         {&mem.strRAMSize, &mem.strRAMAvailable, &mem.strVirtualMemory, &mem.strVirtualMemoryAvailable})
        EXPECT_EQ(text->Right(3).str(), L" MB") << text->str();
    EXPECT_GT(std::stoll(mem.strRAMSize.str()), 0);
    EXPECT_GE(std::stoll(mem.strRAMSize.str()), std::stoll(mem.strRAMAvailable.str()));
    EXPECT_GE(std::stoll(mem.strVirtualMemory.str()), std::stoll(mem.strVirtualMemoryAvailable.str()));

    // The executable's drive is the drive the platform names for it, and it answers.
    const CString letter = A::GetCurrWorkingDirDisk(monitor);
#if defined(_WIN32)
    ASSERT_EQ(letter.GetLength(), 1);
    EXPECT_TRUE(letter.GetAt(0) >= L'A' && letter.GetAt(0) <= L'Z') << letter.str();
#else
    EXPECT_EQ(letter.str(), std::wstring(1, kExecutableDriveLetter));
#endif
    _DRIVEINFORMATION drive;
    EXPECT_TRUE(A::GetDriveInfo(monitor, letter, &drive));
    EXPECT_FALSE(drive.strDriveName.IsEmpty());
    EXPECT_NE(drive.strDriveFileSystem.str(), L"无");
    // The volume query is made with the letter and colon alone ("C:"): it answers as for the root.
    CString label, fileSystem, rootLabel, rootFileSystem;
    EXPECT_TRUE(GetVolumeInformation(letter + L":", label, fileSystem));
    EXPECT_TRUE(GetVolumeInformation(letter + L":\\", rootLabel, rootFileSystem));
    EXPECT_EQ(fileSystem.str(), rootFileSystem.str());
    EXPECT_EQ(label.str(), rootLabel.str());
    EXPECT_EQ(drive.strDriveSpaceTotal.Right(3).str(), L" MB");
    EXPECT_GT(std::stoll(drive.strDriveSpaceTotal.str()), 0);

    _MONITORINFOS display;
    A::GetMONITORINFOS(monitor, 1, &display);
    EXPECT_NE(display.strMonitorResolution.Find(L" x "), -1);
    EXPECT_FALSE(display.strMonitorFresh.IsEmpty());

    std::vector<AdapterInfo> adapters;
    ASSERT_TRUE(GetAdaptersInfo(adapters));
    int withAddress = 0;
    for (const auto& adapter : adapters) {
        EXPECT_FALSE(adapter.address.empty());
        if (adapter.ipAddress != "0.0.0.0") ++withAddress;
    }
    EXPECT_EQ(A::GetMacInfo(monitor, nullptr), withAddress > 0);
    EXPECT_EQ(A::m_nMacCount(monitor), withAddress);
}

// --- Parsers of the POSIX probe texts ---

TEST(ProbeParsers, CpuInfo) {
    const std::string x86 =
        "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 158\n"
        "model name\t: Test(R) CPU E-2176M @ 2.70GHz\nstepping\t: 10\ncpu MHz\t\t: 2394.499\n\n"
        "processor\t: 1\nvendor_id\t: AuthenticAMD\ncpu family\t: 23\nmodel\t\t: 1\nmodel name\t: Other\n"
        "stepping\t: 2\ncpu MHz\t\t: 3399.5\n";
    ProcessorDescription d;
    ASSERT_TRUE(DescribeProcessor(x86, 0, "x86_64", d));
    EXPECT_EQ(d.name.str(), L"Test(R) CPU E-2176M @ 2.70GHz");
    EXPECT_TRUE(d.hasMHz);
    EXPECT_EQ(d.mhz, 2394u);
    EXPECT_EQ(d.identifier.str(), L"Intel64 Family 6 Model 158 Stepping 10");
    EXPECT_EQ(d.vendor.str(), L"GenuineIntel");
    ASSERT_TRUE(DescribeProcessor(x86, 1, "x86_64", d));
    EXPECT_EQ(d.mhz, 3400u);
    EXPECT_EQ(d.identifier.str(), L"AMD64 Family 23 Model 1 Stepping 2");
    ASSERT_TRUE(DescribeProcessor(x86, 1, "i686", d));
    EXPECT_EQ(d.identifier.str(), L"x86 Family 23 Model 1 Stepping 2");
    EXPECT_FALSE(DescribeProcessor(x86, 2, "x86_64", d));
    EXPECT_FALSE(DescribeProcessor(x86, -1, "x86_64", d));

    const std::string arm =
        "processor\t: 0\nBogoMIPS\t: 50.00\nCPU implementer\t: 0x41\nCPU architecture: 8\nCPU variant\t: 0x3\n"
        "CPU part\t: 0xd0c\nCPU revision\t: 1\n";
    ASSERT_TRUE(DescribeProcessor(arm, 0, "aarch64", d));
    EXPECT_FALSE(d.hasName);
    EXPECT_FALSE(d.hasMHz);  // the backend then asks cpufreq
    EXPECT_EQ(d.identifier.str(), L"ARMv8 (64-bit) Family 8 Model D0C Revision 1");
    EXPECT_EQ(d.vendor.str(), L"0x41");

    // Malformed: no colon, empty values, a non-numeric clock and family, a garbled number.
    const std::string bad =
        "processor : 0\ngarbage line\nmodel name :\ncpu MHz : fast\ncpu family : six\nmodel : 1\n"
        "stepping : 1\n\nprocessor : x1\nmodel name : never\n";
    ASSERT_TRUE(DescribeProcessor(bad, 0, "x86_64", d));
    EXPECT_FALSE(d.hasName);
    EXPECT_FALSE(d.hasMHz);
    EXPECT_FALSE(d.hasIdentifier);
    EXPECT_FALSE(DescribeProcessor(bad, 1, "x86_64", d));
    EXPECT_FALSE(DescribeProcessor("", 0, "x86_64", d));
}

TEST(ProbeParsers, MemoryAndAddressSpace) {
    ULONGLONG total = 0, available = 0;
    ASSERT_TRUE(
        ParseMemInfo("MemTotal:       16303684 kB\nMemFree:  100 kB\nMemAvailable:   8151842 kB\n", total, available));
    EXPECT_EQ(total >> 20, 15921u);
    EXPECT_EQ(available, 8151842ull << 10);
    // Older kernels: free + buffers + cached.
    ASSERT_TRUE(ParseMemInfo("MemTotal: 2048 kB\nMemFree: 100 kB\nBuffers: 20 kB\nCached: 300 kB\n", total, available));
    EXPECT_EQ(available, 420ull << 10);
    EXPECT_FALSE(ParseMemInfo("MemFree: 100 kB\n", total, available));
    EXPECT_FALSE(ParseMemInfo("MemTotal: lots kB\n", total, available));
    EXPECT_FALSE(ParseMemInfo("MemTotal:\n", total, available));
    EXPECT_FALSE(ParseMemInfo("MemTotal: 99999999999999999999 kB\n", total, available));

    ULONGLONG bytes = 0;
    EXPECT_TRUE(ParseKilobyteField("Name:\tx\nVmSize:\t  123456 kB\n", "VmSize", bytes));
    EXPECT_EQ(bytes, 123456ull << 10);
    EXPECT_FALSE(ParseKilobyteField("VmSizeX: 1 kB\n", "VmSize", bytes));

    const std::string maps =
        "55d0c0a00000-55d0c0a02000 r--p 00000000 fd:01 1 /usr/bin/cat\n"
        "7ffc1c6b2000-7ffc1c6d3000 rw-p 00000000 00:00 0 [stack]\n"
        "ffffffffff600000-ffffffffff601000 --xp 00000000 00:00 0 [vsyscall]\n"
        "not a mapping line\n";
    EXPECT_EQ(ParseAddressSpaceSize(maps), 1ull << 47);
    EXPECT_EQ(ParseAddressSpaceSize("garbage\n-\nzz-yy\n"), 0u);
}

TEST(ProbeParsers, OsRelease) {
    EXPECT_EQ(OsProductName("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n", "Linux",
                            "6.1.0-18-amd64\n"),
              "Debian GNU/Linux 12 (bookworm) 6.1.0-18-amd64");
    EXPECT_EQ(OsProductName("# comment\nNAME='Test OS'\nVERSION=\"1.0 \\\"LTS\\\"\"\n", "Linux", "5.4"),
              "Test OS 1.0 \"LTS\" 5.4");
    EXPECT_EQ(OsProductName("garbage\n=\nPRETTY_NAME=\"unterminated\n", "Linux", ""), "unterminated");
    EXPECT_EQ(OsProductName("", "Linux", "6.1"), "Linux 6.1");
    EXPECT_EQ(OsProductName("", "", ""), "");
}

TEST(ProbeParsers, Mounts) {
    const std::string mountinfo =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "30 22 0:40 / /home/user/my\\040disk rw - xfs /dev/sdb1 rw\n"
        "31 22 0:41 / /home/user/my rw master:3 - tmpfs tmpfs rw\n"
        "32 22 0:42 / /mnt/net rw - nfs4 server:/export rw\n"
        "33 22 0:43 / /mnt/net rw - cifs //server/share rw\n"
        "broken line without separator\n"
        "34 22 zz / /opt rw - ext4 /dev/sdc rw\n";
    MountEntry mount;
    ASSERT_TRUE(FindMount(mountinfo, "/home/user/my disk/bin", mount));
    EXPECT_EQ(mount.mountPoint, "/home/user/my disk");
    EXPECT_EQ(mount.fsType, "xfs");
    ASSERT_TRUE(FindMount(mountinfo, "/home/user/my", mount));
    EXPECT_EQ(mount.fsType, "tmpfs");
    ASSERT_TRUE(FindMount(mountinfo, "/home/user/mydir", mount));  // not under /home/user/my
    EXPECT_EQ(mount.fsType, "ext4");
    EXPECT_EQ(mount.major, 8u);
    EXPECT_EQ(mount.minor, 1u);
    ASSERT_TRUE(FindMount(mountinfo, "/mnt/net/x", mount));
    EXPECT_EQ(mount.fsType, "cifs");  // the later mount hides the earlier one
    ASSERT_TRUE(FindMount(mountinfo, "/opt/x", mount));
    EXPECT_EQ(mount.mountPoint, "/");  // the /opt line does not read
    EXPECT_FALSE(FindMount("garbage\n", "/", mount));

    EXPECT_EQ(DriveTypeOfFileSystem("ext4", false), kDriveFixed);
    EXPECT_EQ(DriveTypeOfFileSystem("vfat", true), kDriveRemovable);
    EXPECT_EQ(DriveTypeOfFileSystem("nfs4", false), kDriveRemote);
    EXPECT_EQ(DriveTypeOfFileSystem("tmpfs", false), kDriveRamDisk);
    EXPECT_EQ(DriveTypeOfFileSystem("iso9660", true), kDriveCdrom);
    EXPECT_EQ(DriveTypeOfFileSystem("", false), kDriveUnknown);
    EXPECT_EQ(DecodeUdevEscapes("My\\x20Disk\\x2"), "My Disk\\x2");
    EXPECT_EQ(DecodeMountEscapes("a\\040b\\134c\\04"), "a b\\c\\04");
}

TEST(ProbeParsers, Display) {
    // A 1920 x 1080 screen at 60 Hz: 148.5 MHz, 2200 x 1125 total.
    std::string edid(128, '\0');
    const unsigned char header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::memcpy(edid.data(), header, 8);
    const unsigned char timing[8] = {0x02, 0x3A, 0x80, 0x18, 0x71, 0x38, 0x2D, 0x40};
    std::memcpy(edid.data() + 54, timing, 8);
    ScreenCaps caps;
    ASSERT_TRUE(ParseEdidPreferredMode(edid, caps));
    EXPECT_EQ(caps.width, 1920);
    EXPECT_EQ(caps.height, 1080);
    EXPECT_EQ(caps.refresh, 60);
    EXPECT_FALSE(ParseEdidPreferredMode(edid.substr(0, 100), caps));
    std::string noTiming = edid;
    noTiming[54] = noTiming[55] = 0;
    EXPECT_FALSE(ParseEdidPreferredMode(noTiming, caps));
    std::string badHeader = edid;
    badHeader[0] = 1;
    EXPECT_FALSE(ParseEdidPreferredMode(badHeader, caps));

    int width = 0, height = 0;
    EXPECT_TRUE(ParseDrmMode("2560x1440\n1920x1080\n", width, height));
    EXPECT_EQ(width, 2560);
    EXPECT_EQ(height, 1440);
    EXPECT_TRUE(ParseDrmMode("1920x1080i\n", width, height));
    EXPECT_FALSE(ParseDrmMode("", width, height));
    EXPECT_FALSE(ParseDrmMode("x\n", width, height));
    EXPECT_FALSE(ParseDrmMode("1920x\n", width, height));

    const std::string ids =
        "# list\n1af4  Test Virtual Devices\n\t1000  Test network device\n\t\t1af4 0001  Subsystem\n"
        "\t1050  Test GPU\n8086  Other Vendor\n\t1000  Not this one\nC 00  Class\n";
    std::string name;
    ASSERT_TRUE(LookupPciName(ids, 0x1af4, 0x1050, name));
    EXPECT_EQ(name, "Test Virtual Devices Test GPU");
    EXPECT_FALSE(LookupPciName(ids, 0x1af4, 0x0001, name));  // a subsystem line is not a device
    EXPECT_FALSE(LookupPciName(ids, 0x1234, 0x1000, name));
    EXPECT_FALSE(LookupPciName("\t\t\nzzzz\n\tzz\n", 0x1af4, 0x1000, name));
}

}  // namespace
