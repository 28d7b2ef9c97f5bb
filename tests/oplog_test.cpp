// The operation log writer and the item store of XML documents.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/Markup.h"
#include "platform/File.h"
#include "platform/TextConv.h"
#include "tests/support/MonitorTestAccess.h"
#include "tests/support/OpLogTestUtil.h"

namespace fs = std::filesystem;

namespace {

// An offline monitor pointed at a log in the scratch folder: WriteOperation opens it on the first
// record, as it does after a failed open at start-up.
class OperationLog : public ::testing::Test {
protected:
    OperationLog() : monitor(std::make_unique<CMonitorControl>(true)) {
        logPath = scratch.Dir() / "DATA4706";
        MonitorTestAccess::m_pstrOpLogFile(*monitor) = new CString(NarrowToWide(logPath.string()));
        OperationCode menu;
        menu.nType = 1;
        menu.mapValue1 = {{L"||系统|连接行情服务器", 12}, {L"Open", 3}, {L"0", 99}};
        menu.mapValue2 = {{L"x", 5}, {L"0", 77}};
        OperationCode popup;
        popup.nType = 5;
        MonitorTestAccess::m_mapOperationByName(*monitor) = {{L"MenuCommand", menu}, {L"PopupMenuOpen", popup}};
    }
    ~OperationLog() override {
        delete MonitorTestAccess::m_pstrOpLogFile(*monitor);
        MonitorTestAccess::m_pstrOpLogFile(*monitor) = nullptr;
    }
    void Write(const wchar_t* kind, const wchar_t* value1, const wchar_t* value2) {
        MonitorTestAccess::WriteOperation(*monitor, kind, value1, value2);
    }
    std::vector<OperationRecord> Records() { return ReadMonitorLog(*monitor, logPath); }

    ScratchHost scratch;
    TestClock clock;
    std::unique_ptr<CMonitorControl> monitor;
    fs::path logPath;
};

TEST_F(OperationLog, RecordsCodeTimeKindAndValues) {
    struct Case {
        int hour, minute, second;
        const wchar_t* kind;
        const wchar_t* value1;
        const wchar_t* value2;
        std::optional<OperationRecord> expected;
    };
    const Case cases[] = {
        {14, 5, 9, L"MenuCommand", L"||系统|连接行情服务器", L"x", OperationRecord{140509, 1, 12, 5}},
        // Same second again: same time of day.
        {14, 5, 9, L"MenuCommand", L"Open", L"0", OperationRecord{140509, 1, 3, 0}},
        // "0" is code 0 even where the table lists "0" with another code.
        {0, 0, 5, L"MenuCommand", L"0", L"0", OperationRecord{5, 1, 0, 0}},
        // Unlisted, wrong case, empty: -1.
        {23, 59, 59, L"MenuCommand", L"open", L"", OperationRecord{235959, 1, -1, -1}},
        {23, 59, 59, L"PopupMenuOpen", L"0", L"0", OperationRecord{235959, 5, 0, 0}},
        // Kinds that the table lacks are not recorded.
        {10, 0, 0, L"DialogShow", L"0", L"0", std::nullopt},
        {10, 0, 0, L"menucommand", L"0", L"0", std::nullopt},
        {10, 0, 0, L"", L"0", L"0", std::nullopt},
    };
    std::vector<OperationRecord> expected;
    for (const Case& c : cases) {
        clock.SetLocal(2023, 11, 15, c.hour, c.minute, c.second);
        Write(c.kind, c.value1, c.value2);
        if (c.expected) expected.push_back(*c.expected);
        EXPECT_EQ(Records(), expected) << "after kind \"" << WideToNarrow(std::wstring(c.kind)) << "\" at " << c.hour
                                       << ":" << c.minute << ":" << c.second;
    }
    // Little-endian on disk, whatever the machine.
    const std::string bytes = ReadAll(logPath);
    EXPECT_EQ(bytes.substr(16 * 3, 16),
              std::string("\xb7\x99\x03\x00\x01\x00\x00\x00\xff\xff\xff\xff\xff\xff\xff\xff", 16));
}

TEST_F(OperationLog, FailedLocalTimeGivesMinusOnePartsAndOpTimeText) {
    clock.SetLocal(2009, 3, 7, 9, 5, 0);
    EXPECT_EQ(MonitorTestAccess::GetCurrentOpTime(*monitor), L"2009/3/7-9:5:0");
    SetLocalTimeFailureForTesting(true);
    EXPECT_EQ(MonitorTestAccess::GetCurrentOpTime(*monitor), L"0/0/0--1:-1:-1");
    Write(L"PopupMenuOpen", L"0", L"0");
    SetLocalTimeFailureForTesting(false);
    EXPECT_EQ(Records(), (std::vector<OperationRecord>{{-10101, 5, 0, 0}}));
}

TEST_F(OperationLog, RecordIsLostWhileTheLogCannotBeOpenedAndTheNextOneReopens) {
    clock.SetLocal(2023, 11, 15, 8, 0, 0);
    {
        CFile holder;
        ASSERT_TRUE(
            holder.Open(NarrowToWide(logPath.string()), CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive));
        Write(L"PopupMenuOpen", L"0", L"0");
        EXPECT_FALSE(MonitorTestAccess::m_bOpLogOpen(*monitor));
    }
    EXPECT_EQ(fs::file_size(logPath), 0u);
    Write(L"PopupMenuOpen", L"0", L"0");
    EXPECT_TRUE(MonitorTestAccess::m_bOpLogOpen(*monitor));
    EXPECT_EQ(Records(), (std::vector<OperationRecord>{{80000, 5, 0, 0}}));
}

TEST_F(OperationLog, FailedWriteLosesOnlyItsOwnRecord) {
    clock.SetLocal(2023, 11, 15, 8, 0, 0);
    Write(L"PopupMenuOpen", L"0", L"0");
    // The disk fills up half-way through the second record.
    ASSERT_TRUE(SetFileSizeLimitForTesting(24));
    clock.Advance(1);
    EXPECT_NO_THROW(Write(L"MenuCommand", L"Open", L"x"));
    // The 8 bytes that did go out are cut off again: the log ends on a record boundary even if
    // nothing is written after the failure.
    EXPECT_EQ(fs::file_size(logPath), 16u);
    ASSERT_TRUE(SetFileSizeLimitForTesting(0));
    clock.Advance(1);
    Write(L"MenuCommand", L"0", L"0");
    EXPECT_EQ(Records(), (std::vector<OperationRecord>{{80000, 5, 0, 0}, {80002, 1, 0, 0}}));
}

TEST_F(OperationLog, ExistingLogIsAppendedTo) {
    std::ofstream(logPath, std::ios::binary) << std::string("0123456789abcdef", 16);
    clock.SetLocal(2023, 11, 15, 8, 0, 1);
    Write(L"PopupMenuOpen", L"0", L"0");
    const std::vector<OperationRecord> records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(ReadAll(logPath).substr(0, 16), "0123456789abcdef");
    EXPECT_EQ(records[1], (OperationRecord{80001, 5, 0, 0}));
}

// A fragment of a record at the end of the log (a write cut short by a crash or a full disk in an
// earlier run) is cut off when the log is opened, so that the new record and every later one
// start on a record boundary.
TEST_F(OperationLog, FragmentAtTheEndIsCutWhenTheLogIsOpened) {
    const std::string whole = std::string("0123456789abcdef") + "fedcba9876543210";
    for (const size_t fragment : {size_t{0}, size_t{1}, size_t{7}, size_t{15}}) {
        SCOPED_TRACE("fragment of " + std::to_string(fragment) + " bytes");
        // Each case opens the log afresh.
        MonitorTestAccess::m_fileOpLog(*monitor).Abort();
        MonitorTestAccess::m_bOpLogOpen(*monitor) = false;
        std::ofstream(logPath, std::ios::binary | std::ios::trunc) << whole + std::string(fragment, 'x');
        clock.SetLocal(2023, 11, 15, 8, 0, 1);
        Write(L"PopupMenuOpen", L"0", L"0");
        CloseOperationLog(*monitor);
        const std::string bytes = ReadAll(logPath);
        ASSERT_EQ(bytes.size(), whole.size() + 16);
        EXPECT_EQ(bytes.substr(0, whole.size()), whole);
        EXPECT_EQ(Records().back(), (OperationRecord{80001, 5, 0, 0}));
    }
}

// The item store: one named element under "ROOT" per item.
class ItemStore : public ::testing::Test {
protected:
    // The texts of the children of ROOT named `name`, in document order.
    std::vector<std::wstring> Items(const std::wstring& name) {
        CMarkup doc;
        EXPECT_TRUE(doc.Load(file));
        EXPECT_TRUE(doc.FindElem(L"ROOT"));
        doc.IntoElem();
        std::vector<std::wstring> texts;
        while (doc.FindElem(name.c_str())) texts.push_back(doc.GetData().str());
        return texts;
    }

    ScratchHost scratch;
    CMonitorControl monitor{true};
    CString file = NarrowToWide((scratch.Dir() / "DATB4706").string());
};

TEST_F(ItemStore, ReadItemCreatesAMissingItemOnceWithZero) {
    CMarkup root;
    root.AddElem(L"ROOT");
    root.IntoElem();
    root.AddElem(L"SampleCount", L"12");
    ASSERT_TRUE(root.Save(file));

    CString value = L"stale";
    MonitorTestAccess::ReadItem(monitor, file, CString(L"SampleCount"), value);
    EXPECT_EQ(value, L"12");
    for (int i = 0; i < 2; ++i) {
        value = L"stale";
        MonitorTestAccess::ReadItem(monitor, file, CString(L"CPUPeak"), value);
        EXPECT_EQ(value, L"0");
        EXPECT_EQ(Items(L"CPUPeak"), std::vector<std::wstring>{L"0"});
    }
    EXPECT_EQ(Items(L"SampleCount"), std::vector<std::wstring>{L"12"});
}

TEST_F(ItemStore, WriteItemReplacesInPlaceAndAddsNewItemsLast) {
    MonitorTestAccess::WriteItem(monitor, file, CString(L"MemoryPeak"), CString(L"12.5"));
    MonitorTestAccess::WriteItem(monitor, file, CString(L"CPUPeak"), CString(L"40"));
    MonitorTestAccess::WriteItem(monitor, file, CString(L"MemoryPeak"), CString(L"80.25"));
    EXPECT_EQ(Items(L"MemoryPeak"), std::vector<std::wstring>{L"80.25"});
    EXPECT_EQ(Items(L"CPUPeak"), std::vector<std::wstring>{L"40"});

    CMarkup doc;
    ASSERT_TRUE(doc.Load(file));
    ASSERT_TRUE(doc.FindElem(L"ROOT"));
    doc.IntoElem();
    std::vector<std::wstring> order;
    while (doc.FindElem()) order.push_back(doc.GetTagName().str());
    EXPECT_EQ(order, (std::vector<std::wstring>{L"MemoryPeak", L"CPUPeak"}));

    CString value;
    MonitorTestAccess::ReadItem(monitor, file, CString(L"MemoryPeak"), value);
    EXPECT_EQ(value, L"80.25");
}

}  // namespace
