// The host's suggestion list over a command registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/CommandManager.h"
#include "host/UIList.h"

namespace {

class UIListTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto echo = [](boost::any payload) { return payload; };
        commands.addfunction(L"KLine", echo, NodeInfoData(L"K-line chart", L"Daily candles", L"F8", 1));
        commands.addfunction(L"Minute", echo, NodeInfoData(L"Intraday", L"Minute chart", L"F5", 1));
        commands.addfunction(L"Trade", echo, NodeInfoData());
        commands.addparam(L"KLine", L"Period", boost::any(1), NodeInfoData(L"Period", L"Candle period"));
        commands.addparam(L"KLine", L"Count", boost::any(2), NodeInfoData(L"Count", L"Candles shown"));
        commands.addparam(L"KLine", L"Adjust", boost::any(3), NodeInfoData(L"Adjust", L"Price adjustment"));
    }

    // The function and parameter names of every entry.
    std::vector<std::wstring> Entries() {
        std::vector<std::wstring> names;
        for (unsigned i = 0; i < list.getcount(); ++i) {
            CString function, param;
            NodeInfoData functionNode, paramNode;
            list.getdata(i, function, param, functionNode, paramNode);
            names.push_back(param.IsEmpty() ? function.str() : function.str() + L"/" + param.str());
        }
        return names;
    }

    CommandManager commands;
    UIList list{&commands};
};

using Names = std::vector<std::wstring>;

}  // namespace

TEST_F(UIListTest, SuggestsFunctionsByNameHotkeyOrDescription) {
    struct Case {
        const wchar_t* text;
        int maxCount;
        Names want;
    } cases[] = {
        {L"", 0, {L"KLine", L"Minute", L"Trade"}},
        {L"", 2, {L"KLine", L"Minute"}},
        {L"kl", 0, {L"KLine"}},      // own name, without case
        {L"intra", 0, {L"Minute"}},  // node record's name
        {L"f5", 0, {L"Minute"}},     // hot-key
        {L"CHART", 0, {L"Minute"}},  // inside the description
        {L"candle", 0, {L"KLine"}},  // inside the description
        {L"zzz", 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "text '" << std::wstring(c.text) << "' max " << c.maxCount);
        EXPECT_EQ(list.makesuggest(c.text, c.maxCount), static_cast<int>(c.want.size()));
        EXPECT_EQ(Entries(), c.want);
    }
}

TEST_F(UIListTest, SuggestsTheParametersOfOneFunction) {
    EXPECT_EQ(list.makesuggest(L"", L"KLine"), 3);
    EXPECT_EQ(Entries(), (Names{L"KLine/Adjust", L"KLine/Count", L"KLine/Period"}));
    EXPECT_EQ(list.makesuggest(L"candle", L"KLine"), 2);
    EXPECT_EQ(Entries(), (Names{L"KLine/Count", L"KLine/Period"}));
    EXPECT_EQ(list.makesuggest(L"", L"Unknown"), 0);
    EXPECT_EQ(list.getcount(), 0u);
}

TEST_F(UIListTest, FiltersHideAFunctionOrOneParameter) {
    list.addfilter(L"NoTrade", UIListItemCharArray(L"Trade"));
    list.addfilter(L"NoAdjust", UIListItemCharArray(L"KLine", L"Adjust"));
    list.makesuggest(L"", 0);
    EXPECT_EQ(Entries(), (Names{L"KLine", L"Minute"}));  // a parameter filter leaves its function
    list.makesuggest(L"", L"KLine");
    EXPECT_EQ(Entries(), (Names{L"KLine/Count", L"KLine/Period"}));

    list.addfilter(L"NoAdjust", UIListItemCharArray(L"KLine"));  // replaces the filter of that name
    EXPECT_EQ(list.makesuggest(L"", L"KLine"), 0);
    list.delfilter(L"NoAdjust");
    list.delfilter(L"NoTrade");
    EXPECT_EQ(list.makesuggest(L"", 0), 3);
}

TEST_F(UIListTest, DisplayAndDataOfAnEntry) {
    list.makesuggest(L"", 0);
    CString text, desc;
    list.getdisplay(0, text, desc);
    EXPECT_EQ(text.str(), L"K-line chart");
    EXPECT_EQ(desc.str(), L"Daily candles");
    list.getdisplay(2, text, desc);  // a record without a name shows the function's own
    EXPECT_EQ(text.str(), L"Trade");
    EXPECT_EQ(desc.str(), L"");

    list.makesuggest(L"per", L"KLine");
    CString function, param;
    NodeInfoData functionNode, paramNode;
    list.getdata(0, function, param, functionNode, paramNode);
    EXPECT_EQ(function.str(), L"KLine");
    EXPECT_EQ(param.str(), L"Period");
    EXPECT_EQ(functionNode.strHotkey, L"F8");
    EXPECT_EQ(paramNode.strDesc, L"Candle period");
    list.getdisplay(0, text, desc);
    EXPECT_EQ(text.str(), L"Period");

    // Past the end: empty texts and default records.
    list.getdata(5, function, param, functionNode, paramNode);
    list.getdisplay(5, text, desc);
    EXPECT_TRUE(function.IsEmpty() && param.IsEmpty() && text.IsEmpty() && desc.IsEmpty());
    EXPECT_EQ(functionNode.strName, L"");
    EXPECT_EQ(functionNode.nAttr1, 3);
    EXPECT_EQ(paramNode.nAttr2, 1);
}

TEST_F(UIListTest, ExecutesThroughTheRegistry) {
    std::vector<std::wstring> executed;
    commands._addpostexecutor(
        L"Seen", [&](std::wstring name, const std::wstring& second) { executed.push_back(name + L" " + second); });
    boost::any result = list.excutefunction(L"Minute", L"600000");
    EXPECT_EQ(boost::any_cast<std::wstring>(result), L"600000");
    EXPECT_EQ(executed, (Names{L"Minute 600000"}));

    UIList detached(nullptr);
    EXPECT_EQ(detached.makesuggest(L"", 0), 0);
    EXPECT_TRUE(detached.excutefunction(L"Minute", L"1").empty());
}
