// The command registry and the suggestion list used from several threads at once: functions and
// parameters come and go while others execute, copy, suggest and switch notifications.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "host/CommandManager.h"
#include "host/UIList.h"

TEST(CommandManagerConcurrency, ChangesExecutionsCopiesAndSuggestionsInterleave) {
    CommandManager commands;
    UIList list(&commands);
    std::atomic<int> executed{0};
    std::atomic<int> notified{0};
    commands._addpostexecutor(L"Count", [&](std::wstring, const std::wstring&) { ++executed; });
    commands._addlistener(L"Count", [&](int, boost::any, boost::any) { ++notified; });
    auto echo = [](boost::any payload) { return payload; };

    constexpr int kRounds = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&, t] {
            const std::wstring name = L"F" + std::to_wstring(t);
            for (int i = 0; i < kRounds; ++i) {
                if (ParaManager* paramgr = commands.addfunction(name, echo, NodeInfoData())) {
                    paramgr->setparam(L"P", boost::any(i), NodeInfoData());
                    commands.addparam(name, L"Q", boost::any(i), NodeInfoData());
                }
                commands.getparam(name, L"P");
                commands.delfunction(name);
            }
        });
    }
    threads.emplace_back([&] {
        for (int i = 0; i < kRounds; ++i) commands.excute(L"F0", L"x");
    });
    threads.emplace_back([&] {
        for (int i = 0; i < kRounds; ++i) {
            CommandManager copy(commands);
            copy = commands;
            CmdMgrNotifyHelper quiet(&commands);
            list.makesuggest(L"", 0);
            list.makesuggest(L"", L"F1");
        }
    });
    for (auto& thread : threads) thread.join();

    EXPECT_EQ(executed.load(), kRounds);
    EXPECT_GT(notified.load(), 0);
    EXPECT_TRUE(commands.getfunctionlist().empty());
    EXPECT_TRUE(commands.getnotify());
}
