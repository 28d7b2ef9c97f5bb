// The host's command registry: functions with their parameter managers, executors, notifications
// and copies.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "host/CommandManager.h"
#include "host/NuvolibError.h"

namespace {

using Call = std::pair<std::wstring, std::wstring>;

// Records every notification a registry delivers.
struct Listener {
    std::vector<int> codes;
    std::vector<Call> names;
    void Attach(CommandManager& commands, const std::wstring& name = L"test") {
        commands._addlistener(name, [this](int code, boost::any first, boost::any second) {
            codes.push_back(code);
            auto text = [](const boost::any& v) {
                if (const auto* s = boost::any_cast<std::wstring>(&v)) return *s;
                if (const auto* i = boost::any_cast<int>(&v)) return std::to_wstring(*i);
                return std::wstring(L"-");
            };
            names.emplace_back(text(first), text(second));
        });
    }
};

boost::any Echo(boost::any payload) {
    return payload;
}

}  // namespace

TEST(CommandManager, NotifyHelperTurnsNotificationsOffThenOn) {
    CommandManager commands;
    Listener listener;
    listener.Attach(commands);
    EXPECT_TRUE(commands.getnotify());
    {
        CmdMgrNotifyHelper helper(&commands);
        EXPECT_FALSE(commands.getnotify());
        commands.addfunction(L"Quiet", Echo, NodeInfoData());  // not announced while off
        EXPECT_EQ(listener.codes, (std::vector<int>{5}));
        EXPECT_EQ(listener.names.back(), Call(L"0", L"0"));
    }
    EXPECT_TRUE(commands.getnotify());
    EXPECT_EQ(listener.codes, (std::vector<int>{5, 6}));

    // A copy holds the same registry and turns notifications on again when it goes.
    listener.codes.clear();
    {
        CmdMgrNotifyHelper first(&commands);
        { CmdMgrNotifyHelper copy(first); }
        EXPECT_TRUE(commands.getnotify());
    }
    EXPECT_EQ(listener.codes, (std::vector<int>{5, 6, 6}));
}

TEST(CommandManager, AnnouncesChangesToFunctionsAndParameters) {
    CommandManager commands;
    Listener listener;
    listener.Attach(commands);
    ParaManager* paramgr = commands.addfunction(L"Open", Echo, NodeInfoData(L"Open", 1));
    ASSERT_NE(paramgr, nullptr);
    EXPECT_EQ(commands.addfunction(L"Open", Echo, NodeInfoData()), nullptr);  // name taken
    EXPECT_TRUE(commands.addparam(L"Open", L"Code", boost::any(600000), NodeInfoData()));
    EXPECT_TRUE(paramgr->setparam(L"Period", boost::any(5), NodeInfoData()));
    EXPECT_TRUE(paramgr->delparam(L"Period"));
    EXPECT_TRUE(commands.clearfunction(L"Open", false));
    EXPECT_EQ(commands.getparamgr(L"Open"), paramgr);  // cleared, not removed
    EXPECT_TRUE(commands.delfunction(L"Open"));
    EXPECT_FALSE(commands.delfunction(L"Open"));
    EXPECT_EQ(listener.codes, (std::vector<int>{1, 3, 3, 4, 4, 2}));
    EXPECT_EQ(listener.names, (std::vector<Call>{{L"Open", L"-"},
                                                 {L"Open", L"Code"},
                                                 {L"Open", L"Period"},
                                                 {L"Open", L"Period"},
                                                 {L"Open", L""},
                                                 {L"Open", L"-"}}));
}

TEST(CommandManager, ExcuteRunsPreExecutorsFunctionAndPostExecutors) {
    CommandManager commands;
    std::vector<std::wstring> trace;
    commands.addfunction(
        L"Open",
        [&](boost::any payload) {
            trace.push_back(L"function " + boost::any_cast<std::wstring>(payload));
            return boost::any(42);
        },
        NodeInfoData());
    EXPECT_TRUE(commands._addpreexecutor(L"Pre", [&](std::wstring name, const std::wstring& second) {
        trace.push_back(L"pre " + name + L" " + second);
    }));
    EXPECT_TRUE(commands._addpostexecutor(L"Post", [&](std::wstring name, const std::wstring& second) {
        trace.push_back(L"post " + name + L" " + second);
    }));
    EXPECT_FALSE(commands._addpostexecutor(L"Post", [](std::wstring, const std::wstring&) {}));
    EXPECT_TRUE(commands.haspostexecutor(L"Post"));

    EXPECT_EQ(boost::any_cast<int>(commands.excute(L"Open", L"600000")), 42);
    EXPECT_EQ(trace, (std::vector<std::wstring>{L"pre Open 600000", L"function 600000", L"post Open 600000"}));

    // An unknown command still reaches the executors, and gives an empty payload.
    trace.clear();
    EXPECT_TRUE(commands.excute(L"Nothing", L"x").empty());
    EXPECT_EQ(trace, (std::vector<std::wstring>{L"pre Nothing x", L"post Nothing x"}));

    // A null second string is forwarded as an empty one.
    trace.clear();
    EXPECT_EQ(boost::any_cast<int>(commands.excute(L"Open", nullptr)), 42);
    EXPECT_EQ(trace, (std::vector<std::wstring>{L"pre Open ", L"function ", L"post Open "}));

    EXPECT_TRUE(commands.delpreexecutor(L"Pre"));
    EXPECT_TRUE(commands.delpostexecutor(L"Post"));
    EXPECT_FALSE(commands.delpostexecutor(L"Post"));
    trace.clear();
    commands.excute(L"Open", L"1");
    EXPECT_EQ(trace, (std::vector<std::wstring>{L"function 1"}));
}

TEST(CommandManager, NullTextToAnAdapterIsReportedNotDereferenced) {
    CommandManager commands;
    const wchar_t* none = nullptr;
    EXPECT_THROW(commands.excute(none, L"x"), nuvoliberror);
    EXPECT_THROW(commands.addfunction(none, Echo, NodeInfoData()), nuvoliberror);
    try {
        commands.delparam(L"Open", none);
        FAIL() << "no exception";
    } catch (const nuvoliberror& error) {
        const nuvoliberror copy(error);
        EXPECT_STREQ(copy.what(), "CommandManager::delparam: null text argument");
    }
}

// Each registry deletes the parameter managers it owns exactly once: copies and assignments get
// managers of their own. A parameter holding a shared token shows when every manager is gone;
// a manager deleted twice shows under AddressSanitizer.
TEST(CommandManager, EveryParameterManagerIsDeletedOnceWhateverIsCopied) {
    auto token = std::make_shared<int>(0);
    {
        CommandManager original;
        ParaManager* open = original.addfunction(L"Open", Echo, NodeInfoData());
        ParaManager* close = original.addfunction(L"Close", Echo, NodeInfoData());
        ASSERT_TRUE(open && close);
        open->addparam(L"Token", boost::any(token), NodeInfoData());
        close->addparam(L"Token", boost::any(token), NodeInfoData());
        EXPECT_EQ(token.use_count(), 3);

        CommandManager copy(original);
        EXPECT_EQ(token.use_count(), 5);
        EXPECT_NE(copy.getparamgr(L"Open"), open);
        EXPECT_EQ(copy.getparamgr(L"Open")->getowner(), &copy);
        EXPECT_EQ(copy.getparamgr(L"Close")->getname(), L"Close");

        CommandManager assigned;
        assigned.addfunction(L"Old", Echo, NodeInfoData())->addparam(L"Token", boost::any(token), NodeInfoData());
        EXPECT_EQ(token.use_count(), 6);
        assigned = original;  // the old entry's manager goes now
        EXPECT_EQ(token.use_count(), 7);
        EXPECT_EQ(assigned.getparamgr(L"Old"), nullptr);
        EXPECT_EQ(assigned.getparamgr(L"Close")->getowner(), &assigned);
        assigned = assigned;
        EXPECT_EQ(token.use_count(), 7);

        // The copies are independent of the original.
        copy.delfunction(L"Open");
        EXPECT_EQ(token.use_count(), 6);
        EXPECT_NE(original.getparamgr(L"Open"), nullptr);
    }
    EXPECT_EQ(token.use_count(), 1);
}

// An executor whose copy throws once armed: a registry copy fails part-way, after its function
// table (the first thing copied) is already made.
struct ThrowingCopy {
    static inline bool armed = false;
    ThrowingCopy() = default;
    ThrowingCopy(const ThrowingCopy&) {
        if (armed) throw std::runtime_error("copy refused");
    }
    void operator()(std::wstring, const std::wstring&) const {}
};

TEST(CommandManager, ACopyThatFailsPartWayFreesTheParameterManagersItMade) {
    auto token = std::make_shared<int>(0);
    CommandManager original;
    original.addfunction(L"Open", Echo, NodeInfoData())->addparam(L"Token", boost::any(token), NodeInfoData());
    original._addpostexecutor(L"Throwing", ThrowingCopy());
    ThrowingCopy::armed = true;
    EXPECT_THROW(CommandManager copy(original), std::runtime_error);
    EXPECT_EQ(token.use_count(), 2) << "the copy's parameter manager was not freed";
    CommandManager assigned;
    EXPECT_THROW(assigned = original, std::runtime_error);
    EXPECT_EQ(token.use_count(), 2) << "the assignment's parameter manager was not freed";
    ThrowingCopy::armed = false;
}

TEST(CommandManager, CopiesAnnounceToTheirOwnListenersAndKeepTheSwitches) {
    CommandManager original;
    original.addfunction(L"Open", Echo, NodeInfoData());
    original.SetEscMode(true);
    original.setnotify(false);
    CommandManager copy(original);
    EXPECT_TRUE(copy.GetEscMode());
    EXPECT_FALSE(copy.getnotify());
    copy.setnotify(true);

    Listener onOriginal, onCopy;
    onOriginal.Attach(original, L"mine");
    onCopy.Attach(copy, L"mine");
    copy.getparamgr(L"Open")->addparam(L"Code", boost::any(1), NodeInfoData());
    EXPECT_TRUE(onOriginal.codes.empty());
    EXPECT_EQ(onCopy.codes, (std::vector<int>{3}));
}
