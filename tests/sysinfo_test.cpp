// The system information file: keys, their order and spelling, the rebuild on every run, the
// scrambled form, the document update, and the file a real run writes for this machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/HostEnvironment.h"
#include "host/Markup.h"
#include "platform/Probes.h"
#include "platform/Profile.h"
#include "platform/TextConv.h"
#include "store/Container.h"
#include "sysinfo/ProbeTexts.h"
#include "tests/support/FileBytes.h"
#include "tests/support/MonitorTestAccess.h"

namespace {

using A = MonitorTestAccess;
namespace fs = std::filesystem;

CString Wide(const fs::path& path) {
    return CString(NarrowToWide(path.string()));
}

// A plain copy of a scrambled file, beside it, replacing an earlier copy. Copied through the
// bytes: the Windows build's std::filesystem::copy_file refuses to overwrite any existing file
// (the C runtime's stat reports no file identity there, so every destination looks like the
// source).
fs::path Unscrambled(const fs::path& scrambled) {
    const fs::path copy = scrambled.string() + ".plain";
    WriteAll(copy, ReadAll(scrambled));
    EXPECT_TRUE(UnscrambleFile(copy.string().c_str()));
    return copy;
}

// The keys of a profile file's lines, in file order.
std::vector<std::wstring> Keys(const fs::path& path) {
    std::vector<std::wstring> keys;
    std::wistringstream lines(NarrowToWide(ReadAll(path)));
    std::wstring line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find(L'=');
        if (eq != std::wstring::npos) keys.push_back(line.substr(0, eq));
    }
    return keys;
}

const std::vector<std::wstring> kFixedKeys = {
    L"WindowsVersion",    L"CPUName",         L"CPUSpeed",        L"CPUIdentify",           L"CPUProductor",
    L"RAMSize",           L"RAMAvailable",    L"VirtualMemory",   L"VirtualMemoryvailable", L"DriveName",
    L"DriveLable",        L"DriveFileSystem", L"DriveSpaceTotal", L"DriveSpaceAvailable",   L"MonitorName",
    L"MonitorResolution", L"MonitorFresh"};

// An offline monitor whose machine description the test fills in.
class SysInfoTest : public ::testing::Test {
protected:
    SysInfoTest() {
        fs::create_directories(host.DataDir());
        A::m_strWindowsVersion(monitor) = L"Test OS 1.0";
        auto* cpu =
            new _CPUINFORMATION{L"Test CPU", L"0000095a", L"AMD64 Family 23 Model 1 Stepping 2", L"AuthenticAMD"};
        A::m_vecCPUInfo(monitor).push_back(cpu);
        A::m_vecCPUInfo(monitor).push_back(new _CPUINFORMATION{L"Second", L"00000000", L"", L""});
        A::m_pMemInfo(monitor) = new _MEMINFORMATION{L"2048 MB", L"1024 MB", L"134217728 MB", L"134217000 MB"};
        A::m_pDriveInfo(monitor) = new _DRIVEINFORMATION{L"硬盘", L"无", L"ext4", L"512000 MB", L"3 MB"};
        A::m_pMonitorInfo(monitor) = new _MONITORINFOS{L"", L"0 x 0", L"硬件默认扫描频率"};
    }
    ~SysInfoTest() override {
        // An offline monitor does not free the machine description: the test does.
        for (auto* cpu : A::m_vecCPUInfo(monitor)) delete cpu;
        A::m_vecCPUInfo(monitor).clear();
        delete A::m_pMemInfo(monitor);
        delete A::m_pDriveInfo(monitor);
        delete A::m_pMonitorInfo(monitor);
        delete[] A::m_pMacInfo(monitor);
        A::m_pMemInfo(monitor) = nullptr;
        A::m_pDriveInfo(monitor) = nullptr;
        A::m_pMonitorInfo(monitor) = nullptr;
        A::m_pMacInfo(monitor) = nullptr;
    }
    void Adapters(int count) {
        delete[] A::m_pMacInfo(monitor);
        A::m_pMacInfo(monitor) = count ? new _MACINFOS[count] : nullptr;
        A::m_nMacCount(monitor) = count;
        for (int i = 0; i < count; ++i) {
            A::m_pMacInfo(monitor)[i].strMacID.Format(L"00-1A-2B-3C-4D-%02X ", i);
            A::m_pMacInfo(monitor)[i].strMacName.Format(L"网卡 %d", i + 1);
        }
    }
    fs::path Output() {
        const fs::path path = host.DataDir() / "DATC";
        A::OutputSysInfo(monitor, Wide(path));
        return path;
    }

    ScratchHost host;
    CMonitorControl monitor{true};
};

TEST_F(SysInfoTest, KeysInOrderWithoutAdapters) {
    const fs::path file = Output();
    EXPECT_NE(ReadAll(file).substr(0, 4), "[ROO");  // stored scrambled
    const fs::path plain = Unscrambled(file);
    EXPECT_EQ(Keys(plain), kFixedKeys);
    const CString path = Wide(plain);
    EXPECT_EQ(GetPrivateProfileString(L"ROOT", L"WindowsVersion", L"", path).str(), L"Test OS 1.0");
    EXPECT_EQ(GetPrivateProfileString(L"ROOT", L"CPUName", L"", path).str(), L"Test CPU");  // the first processor
    EXPECT_EQ(GetPrivateProfileString(L"ROOT", L"CPUSpeed", L"", path).str(), L"0000095a");
    EXPECT_EQ(GetPrivateProfileString(L"ROOT", L"VirtualMemoryvailable", L"", path).str(), L"134217000 MB");
    EXPECT_EQ(GetPrivateProfileString(L"ROOT", L"DriveName", L"", path).str(), L"硬盘");
    EXPECT_EQ(GetPrivateProfileString(L"ROOT", L"DriveLable", L"", path).str(), L"无");
    EXPECT_EQ(GetPrivateProfileString(L"ROOT", L"MonitorFresh", L"", path).str(), L"硬件默认扫描频率");
    EXPECT_EQ(GetPrivateProfileString(L"ROOT", L"MonitorName", L"unset", path).str(), L"");
}

TEST_F(SysInfoTest, AdapterKeysAreNumberedInRecordOrder) {
    Adapters(2);
    std::vector<std::wstring> expected = kFixedKeys;
    for (const wchar_t* key : {L"MacName1", L"MacID1", L"MacName2", L"MacID2"}) expected.push_back(key);
    const fs::path plain = Unscrambled(Output());
    EXPECT_EQ(Keys(plain), expected);
    EXPECT_EQ(GetPrivateProfileString(L"ROOT", L"MacName2", L"", Wide(plain)).str(), L"网卡 2");
    EXPECT_EQ(GetPrivateProfileString(L"ROOT", L"MacID1", L"", Wide(plain)).str().substr(0, 17), L"00-1A-2B-3C-4D-00");

    // The tenth record is named by the character after '9'.
    Adapters(10);
    const auto keys = Keys(Unscrambled(Output()));
    ASSERT_EQ(keys.size(), kFixedKeys.size() + 20);
    EXPECT_EQ(keys[keys.size() - 2], L"MacName:");
    EXPECT_EQ(keys.back(), L"MacID:");
}

TEST_F(SysInfoTest, TheThirteenthAdapterIsWrittenAndReadUnderKeysHoldingEquals) {
    // The 13th record is named by character 0x3D, '=': its keys are "MacName=" and "MacID=".
    Adapters(14);
    const fs::path plain = Unscrambled(Output());
    const std::string text = ReadAll(plain);
    EXPECT_NE(text.find("\r\nMacName==网卡 13\r\nMacID==00-1A-2B-3C-4D-0C \r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nMacName>=网卡 14\r\n"), std::string::npos);
    const CString path = Wide(plain);
    EXPECT_EQ(GetPrivateProfileString(L"ROOT", L"MacName=", L"", path).str(), L"网卡 13");
    EXPECT_EQ(GetPrivateProfileString(L"ROOT", L"MacID=", L"", path).str(), L"00-1A-2B-3C-4D-0C");
    EXPECT_EQ(GetPrivateProfileString(L"ROOT", L"MacName<", L"", path).str(), L"网卡 12");
    EXPECT_EQ(GetPrivateProfileString(L"ROOT", L"MacName>", L"", path).str(), L"网卡 14");
}

TEST_F(SysInfoTest, AnEarlierFileIsReplacedNotMerged) {
    const fs::path file = host.DataDir() / "DATC";
    std::ofstream(file) << "[ROOT]\nStale=1\nMacName3=old\n[Other]\nKey=1\n";
    A::m_strWindowsVersion(monitor).Empty();
    Output();
    const fs::path plain = Unscrambled(file);
    EXPECT_EQ(Keys(plain), kFixedKeys);
    EXPECT_EQ(ReadAll(plain).find("Other"), std::string::npos);
    EXPECT_EQ(GetPrivateProfileString(L"ROOT", L"WindowsVersion", L"unset", Wide(plain)).str(), L"");
}

TEST_F(SysInfoTest, ModifySysInfoUpdatesChangedTextsAndRebuildsTheAdapters) {
    const fs::path file = host.DataDir() / "DATC.xml";
    {
        CMarkup doc;
        doc.AddElem(L"ROOT");
        doc.IntoElem();
        doc.AddElem(L"WindowsVersion", L"Old OS");
        doc.AddElem(L"CPU");
        doc.IntoElem();
        for (const wchar_t* name : {L"CPUName", L"CPUSpeed", L"CPUIdentify", L"CPUProductor"})
            doc.AddElem(name, L"old");
        doc.OutOfElem();
        doc.AddElem(L"RAM");
        doc.IntoElem();
        doc.AddElem(L"RAMSize", L"2048 MB");  // already current
        doc.AddElem(L"RAMAvailable", L"1 MB");
        doc.AddElem(L"VirtualMemory", L"1 MB");
        doc.AddElem(L"VirtualMemoryvailable", L"1 MB");
        doc.OutOfElem();
        doc.AddElem(L"Drive");
        doc.AddElem(L"Monitor");
        doc.AddElem(L"Mac");
        doc.IntoElem();
        doc.AddElem(L"1");
        doc.IntoElem();
        doc.AddElem(L"MacName", L"gone");
        doc.AddElem(L"MacID", L"gone");
        doc.OutOfElem();
        doc.OutOfElem();
        ASSERT_TRUE(doc.Save(Wide(file)));
    }
    ASSERT_TRUE(ScrambleFile(file.string().c_str()));
    Adapters(2);

    A::ModifySysInfo(monitor, Wide(file));

    CMarkup doc;
    ASSERT_TRUE(doc.Load(Wide(Unscrambled(file))));
    ASSERT_TRUE(doc.FindElem(L"ROOT"));
    doc.IntoElem();
    ASSERT_TRUE(doc.FindElem(L"WindowsVersion"));
    EXPECT_EQ(doc.GetData().str(), L"Test OS 1.0");
    ASSERT_TRUE(doc.FindElem(L"CPU"));
    doc.IntoElem();
    ASSERT_TRUE(doc.FindElem(L"CPUName"));
    EXPECT_EQ(doc.GetData().str(), L"Test CPU");
    doc.OutOfElem();
    ASSERT_TRUE(doc.FindElem(L"RAM"));
    doc.IntoElem();
    ASSERT_TRUE(doc.FindElem(L"RAMSize"));
    EXPECT_EQ(doc.GetData().str(), L"2048 MB");
    ASSERT_TRUE(doc.FindElem(L"RAMAvailable"));
    EXPECT_EQ(doc.GetData().str(), L"1024 MB");
    doc.OutOfElem();
    ASSERT_TRUE(doc.FindElem(L"Mac"));
    doc.IntoElem();
    for (const wchar_t* number : {L"1", L"2"}) {
        ASSERT_TRUE(doc.FindElem(number)) << number;
        doc.IntoElem();
        ASSERT_TRUE(doc.FindElem(L"MacName"));
        EXPECT_EQ(doc.GetData().str(), std::wstring(L"网卡 ") + number);
        ASSERT_TRUE(doc.FindElem(L"MacID"));
        EXPECT_NE(doc.GetData().str(), L"gone");
        doc.OutOfElem();
    }
    EXPECT_FALSE(doc.FindElem());
}

TEST_F(SysInfoTest, ModifySysInfoLeavesAFileThatIsNotADescription) {
    const fs::path file = host.DataDir() / "other";
    std::ofstream(file) << "<OTHER><x>1</x></OTHER>";
    ASSERT_TRUE(ScrambleFile(file.string().c_str()));
    const std::string before = ReadAll(file);
    A::ModifySysInfo(monitor, Wide(file));
    EXPECT_EQ(ReadAll(Unscrambled(file)), "<OTHER><x>1</x></OTHER>");
    // A description cut off is not rewritten either: its tail would be lost.
    const std::string cut = "<ROOT><WindowsVersion>Old OS</WindowsVersion><CPU><CPUName>old</CPUName></CPU><RAM><RAMSi";
    std::ofstream(file, std::ios::trunc) << cut;
    ASSERT_TRUE(ScrambleFile(file.string().c_str()));
    A::ModifySysInfo(monitor, Wide(file));
    EXPECT_EQ(ReadAll(Unscrambled(file)), cut);
    A::ModifySysInfo(monitor, Wide(host.DataDir() / "missing"));
    EXPECT_FALSE(fs::exists(host.DataDir() / "missing"));
}

// A real run on this machine: the monitor's start writes the description of the machine.
class SysInfoRunTest : public ::testing::Test {
protected:
    ~SysInfoRunTest() override { SetProbeOverridesForTesting(ProbeOverrides()); }
    // Starts and stops a monitor; returns the plain copy of the DATC it wrote.
    fs::path Run() {
        { CMonitorControl monitor(false); }
        const fs::path datc = host.DataDir() / "DATC";
        if (!fs::exists(datc)) {
            ADD_FAILURE() << "the run wrote no DATC";
            return datc;
        }
        return Unscrambled(datc);
    }
    ScratchHost host;
    HostEnvironment env;
};

TEST_F(SysInfoRunTest, DescribesThisMachine) {
    const CString path = Wide(Run());
    auto value = [&path](const wchar_t* key) { return GetPrivateProfileString(L"ROOT", key, L"", path).str(); };
    // A system that names itself (Linux) is described by that name; Windows by its version record
    // through the edition table, which names no version after 5.2: from Vista on the text is empty.
    CString edition;
    if (GetOsProductName(edition)) {
        EXPECT_FALSE(edition.IsEmpty());
    } else {
        OSVERSIONINFOEXW info{};
        info.dwOSVersionInfoSize = kOsVersionInfoExSize;
        ASSERT_TRUE(GetVersionEx(&info));
        ApplyEditionTable(info, true, edition);
    }
    EXPECT_EQ(value(L"WindowsVersion"), edition.str());
    EXPECT_NE(value(L"WindowsVersion"), L"ERROR");
    EXPECT_FALSE(value(L"CPUName").empty());
    EXPECT_EQ(value(L"CPUSpeed").size(), 8u);
    for (const wchar_t* key : {L"RAMSize", L"RAMAvailable", L"VirtualMemory", L"VirtualMemoryvailable"}) {
        EXPECT_EQ(value(key).substr(value(key).size() - 3), L" MB") << key;
        EXPECT_GT(std::stoll(value(key)), 0) << key;
    }
    for (const wchar_t* key :
         {L"DriveName", L"DriveLable", L"DriveFileSystem", L"DriveSpaceTotal", L"DriveSpaceAvailable"})
        EXPECT_FALSE(value(key).empty()) << key;
    EXPECT_FALSE(value(L"MonitorResolution").empty());
    EXPECT_FALSE(value(L"MonitorFresh").empty());

    std::vector<AdapterInfo> adapters;
    GetAdaptersInfo(adapters);
    bool withAddress = false;
    for (const auto& adapter : adapters) withAddress = withAddress || adapter.ipAddress != "0.0.0.0";
    EXPECT_EQ(!value(L"MacID1").empty(), withAddress);
    if (withAddress) {
        EXPECT_EQ(value(L"MacID1").size(), 17u);  // the reader drops the trailing blank
    }
}

TEST_F(SysInfoRunTest, FailedVersionQueriesAreMarkedError) {
    ProbeOverrides overrides;
    overrides.getOsProductName = [](CString&) { return false; };
    overrides.getVersionEx = [](OSVERSIONINFOEXW*) { return false; };
    SetProbeOverridesForTesting(overrides);
    EXPECT_EQ(GetPrivateProfileString(L"ROOT", L"WindowsVersion", L"", Wide(Run())).str(), L"ERROR");
}

}  // namespace
