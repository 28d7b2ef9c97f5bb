// The platform layer used from several threads at once: profile writers, exclusive opens, timers
// and seams. Run under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/File.h"
#include "platform/Profile.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "platform/Timer.h"
#include "tests/support/MonitorTestAccess.h"

namespace {

CString PathIn(const ScratchHost& scratch, const wchar_t* name) {
    return CString(NarrowToWide(scratch.Dir().string())) + L"\\" + name;
}

}  // namespace

TEST(PlatformConcurrency, ProfileWritersNeverLoseAKey) {
    ScratchHost scratch;
    const CString path = PathIn(scratch, L"stats.ini");
    constexpr int kThreads = 4;
    constexpr int kKeys = 15;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&, t] {
            for (int k = 0; k < kKeys; ++k) {
                CString key;
                key.Format(L"Key%d_%d", t, k);
                WritePrivateProfileString(t % 2 ? L"Odd" : L"Even", key, key, path);
                GetPrivateProfileString(L"Even", L"Key0_0", L"", path);
            }
        });
    }
    for (auto& writer : writers) writer.join();
    for (int t = 0; t < kThreads; ++t) {
        for (int k = 0; k < kKeys; ++k) {
            CString key;
            key.Format(L"Key%d_%d", t, k);
            EXPECT_EQ(GetPrivateProfileString(t % 2 ? L"Odd" : L"Even", key, L"", path), key);
        }
    }
}

TEST(PlatformConcurrency, OneExclusiveOpenWinsAmongThreads) {
    ScratchHost scratch;
    const CString path = PathIn(scratch, L"DATA4706");
    constexpr int kThreads = 8;
    std::atomic<int> opened{0};
    std::atomic<int> refused{0};
    std::vector<CFile> files(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            CFileException error;
            if (files[t].Open(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite, &error))
                ++opened;
            else if (error.m_cause == CFileException::sharingViolation)
                ++refused;
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(opened.load(), 1);
    EXPECT_EQ(refused.load(), kThreads - 1);
}

TEST(PlatformConcurrency, TimersAndSeamsAcrossThreads) {
    CWaitableTimer timer;
    std::atomic<bool> stop{false};
    std::thread sampler([&] {
        if (!timer.Create(L"MonitorWaitableTimer") || !timer.Set(-10000, 0)) return;  // 1 ms
        while (!stop && timer.Wait() == CWaitableTimer::WaitFired) timer.Set(-10000, 0);
    });
    std::thread clocks([&] {
        for (int i = 0; i < 200; ++i) {
            SetTickCountForTesting(i % 2 ? std::function<DWORD()>([] { return DWORD{7}; }) : nullptr);
            GetTickCount();
            SetExecutableDirOverride(i % 2 ? CString(L"\\x") : CString());
            GetExecutableDir();
        }
    });
    for (int i = 0; i < 200; ++i) {
        GetTickCount();
        GetModuleFileName();
    }
    clocks.join();
    stop = true;
    timer.Wake();
    sampler.join();
    SetTickCountForTesting(nullptr);
    SetExecutableDirOverride(CString());
    EXPECT_EQ(timer.Wait(), CWaitableTimer::WaitWoken);
}
