// Operations recorded from several host threads at once: every record lands whole.
#include <gtest/gtest.h>

#include <boost/tuple/tuple.hpp>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "host/HostEnvironment.h"
#include "tests/support/MonitorConfigWriter.h"
#include "tests/support/MonitorTestAccess.h"
#include "tests/support/OpLogTestUtil.h"

namespace {

constexpr int kThreads = 4;
constexpr int kPerThread = 200;

std::wstring MenuPath(int thread) {
    return L"\\\\菜单\\项目" + std::to_wstring(thread);
}

TEST(OperationLogConcurrency, RecordsFromManyThreadsNeverInterleave) {
    ScratchHost scratch;
    TestClock clock;
    clock.SetDay(4706);
    std::vector<ConfigKind> kinds = {{L"WorkspaceChanged", 0, {{L"工作区", 1}}, {}}, {L"MenuCommand", 1, {}, {}}};
    for (int t = 0; t < kThreads; ++t) {
        std::wstring key = MenuPath(t);
        for (auto& ch : key)
            if (ch == L'\\') ch = L'|';
        kinds[1].value1.emplace_back(key, 100 + t);
    }
    ASSERT_TRUE(WriteMonitorConfig(scratch.Dir(), kinds));

    HostEnvironment host;
    QZLibInitialize();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&host, t] {
            const CString path(MenuPath(t));
            for (int i = 0; i < kPerThread; ++i) host.Publisher().publish(L"MenuCommand", path);
        });
    }
    threads.emplace_back([&host, &clock] {
        for (int i = 0; i < kPerThread; ++i) {
            clock.Advance(1);
            host.Publisher().publish(L"WorkspaceChanged", boost::make_tuple(CString(L"工作区"), CString()));
        }
    });
    for (auto& thread : threads) thread.join();
    ::testing::internal::CaptureStdout();
    QZLibDestroy();
    ::testing::internal::GetCapturedStdout();

    std::map<int, int> perCode;
    int workspaceChanges = 0;
    for (const OperationRecord& r : ReadRecords(scratch.DataDir() / "DATA4706")) {
        if (r.nType == 0) {
            ++workspaceChanges;
            EXPECT_EQ(r.nValue1, 1);
            continue;
        }
        ASSERT_EQ(r.nType, 1);
        EXPECT_EQ(r.nValue2, 0);
        ++perCode[r.nValue1];
    }
    EXPECT_EQ(workspaceChanges, kPerThread);
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(perCode[100 + t], kPerThread) << "thread " << t;
    EXPECT_EQ(perCode.size(), static_cast<size_t>(kThreads));
}

}  // namespace
