// The wide-character-pointer adapters of the host framework classes forward to the host members
// of the same name. Each row makes one call twice, on two identical sets of real host services:
// once through the adapter (texts as wchar_t pointers) and once through the host member (texts as
// std::wstring). The results and the services' whole state afterwards must be the same, and the
// host member's result must be the one the row expects.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "host/CommandManager.h"
#include "host/ContextManager.h"
#include "host/MessagePublisher.h"
#include "host/NuvolibError.h"
#include "host/UIList.h"
#include "platform/TextConv.h"

namespace {

// A set of host services with the same content in every instance.
struct Hosts {
    CommandManager commands;
    ContextManager context;
    MessagePublisher publisher;
    UIList list{&commands};
    ParaManager* open = nullptr;
    std::vector<std::wstring> trace;

    Hosts() {
        open = commands.addfunction(
            std::wstring(L"Open"),
            [this](boost::any payload) {
                trace.push_back(L"Open(" + boost::any_cast<std::wstring>(payload) + L")");
                return boost::any(std::wstring(L"opened"));
            },
            NodeInfoData(L"Open chart", L"Opens a chart", L"F5", 4, 2));
        commands.addfunction(
            std::wstring(L"Close"), [](boost::any) { return boost::any(0); }, NodeInfoData(L"Close", 1));
        commands.addparam(std::wstring(L"Open"), std::wstring(L"Code"), boost::any(600000),
                          NodeInfoData(L"Code", L"Security code", 2));
        commands.addparam(std::wstring(L"Open"), std::wstring(L"Period"), boost::any(std::wstring(L"day")),
                          NodeInfoData(L"Period", 5));
        commands._addpreexecutor(std::wstring(L"Pre"), [this](std::wstring name, const std::wstring& second) {
            trace.push_back(L"pre " + name + L"," + second);
        });
        commands._addpostexecutor(std::wstring(L"Post"), [this](std::wstring name, const std::wstring& second) {
            trace.push_back(L"post " + name + L"," + second);
        });
        commands._addlistener(std::wstring(L"Trace"), [this](int code, boost::any, boost::any) {
            trace.push_back(L"notify " + std::to_wstring(code));
        });
        context.setcontext(std::wstring(L"Tab"), boost::any(7));
        publisher._subscribe(std::wstring(L"Msg"), std::wstring(L"a"), [](boost::any) {});
        publisher._subscribe(std::wstring(L"Msg"), std::wstring(L"b"), [](boost::any) {});
    }
};

std::string Narrow(const std::wstring& text) {
    return WideToNarrow(text);
}

std::string Show(bool value) {
    return value ? "true" : "false";
}
std::string Show(int value) {
    return "int " + std::to_string(value);
}
std::string Show(const std::wstring& text) {
    return "'" + Narrow(text) + "'";
}
std::string Show(const CString& text) {
    return Show(text.str());
}
std::string Show(const boost::any& value) {
    if (value.empty()) return "empty";
    if (const auto* i = boost::any_cast<int>(&value)) return Show(*i);
    if (const auto* s = boost::any_cast<std::wstring>(&value)) return Show(*s);
    return std::string("any ") + value.type().name();
}
std::string Show(const NodeInfoData& node) {
    return "{" + Narrow(node.strName) + "|" + Narrow(node.strDesc) + "|" + Narrow(node.strHotkey) + "|" +
           std::to_string(node.nAttr1) + "|" + std::to_string(node.nAttr2) + "}";
}
std::string Show(const ParaManager* paramgr) {
    return paramgr ? "paramgr " + Narrow(paramgr->getname()) : "null";
}
std::string Show(const CommandManager::Function& function) {
    return function ? "function -> " + Show(function(boost::any(std::wstring(L"probe")))) : "no function";
}

// Everything the services hold, as text.
std::string State(Hosts& h) {
    std::ostringstream out;
    for (const auto& [name, node] : h.commands.getfunctionlist()) {
        out << Narrow(name) << Show(node);
        for (const auto& [param, paramNode] : h.commands.getparamlist(name))
            out << " " << Narrow(param) << "=" << Show(h.commands.getparam(name, param)) << Show(paramNode);
        out << "; ";
    }
    out << "pre " << h.commands.haspreexecutor(std::wstring(L"Pre")) << " post "
        << h.commands.haspostexecutor(std::wstring(L"Post")) << "; ";
    for (const wchar_t* key : {L"Tab", L"Layout"})
        out << Narrow(key) << "=" << Show(h.context.getcontext(std::wstring(key))) << " ";
    out << "subscribers " << h.publisher.subscribers(std::wstring(L"Msg")) << "; list";
    for (unsigned i = 0; i < h.list.getcount(); ++i) {
        std::wstring function, param;
        NodeInfoData functionNode, paramNode;
        h.list.getdata(i, function, param, functionNode, paramNode);
        out << " " << Narrow(function) << "/" << Narrow(param);
    }
    out << "; trace";
    for (const auto& line : h.trace) out << " " << Narrow(line);
    return out.str();
}

// Texts as the adapter takes them, or as the host member takes them.
struct AsPointer {
    using Out = CString;
    const wchar_t* operator()(const wchar_t* text) const { return text; }
};
struct AsString {
    using Out = std::wstring;
    std::wstring operator()(const wchar_t* text) const { return text; }
};

struct Row {
    std::string member;
    std::string expected;  // the host member's result
    std::function<std::string(Hosts&)> viaAdapter;
    std::function<std::string(Hosts&)> viaHost;
};

template <class Call>
Row Forwards(std::string member, std::string expected, Call call) {
    return Row{std::move(member), std::move(expected), [call](Hosts& h) { return call(h, AsPointer{}); },
               [call](Hosts& h) { return call(h, AsString{}); }};
}

}  // namespace

TEST(FrameworkAdapters, EveryAdapterForwardsToTheHostMember) {
    const NodeInfoData node(L"Volume", L"Traded volume", L"V", 8, 9);
    const std::vector<Row> rows = {
        // ParaManager
        Forwards("ParaManager::addparam", "true",
                 [&](Hosts& h, auto T) { return Show(h.open->addparam(T(L"Volume"), boost::any(12), node)); }),
        Forwards("ParaManager::getparam(name, value, node)", "true 'day' {Period|Period||5|1}",
                 [](Hosts& h, auto T) {
                     boost::any value;
                     NodeInfoData got;
                     bool found = h.open->getparam(T(L"Period"), value, got);
                     return Show(found) + " " + Show(value) + " " + Show(got);
                 }),
        Forwards("ParaManager::getparam(name)", "int 600000",
                 [](Hosts& h, auto T) { return Show(h.open->getparam(T(L"Code"))); }),
        Forwards("ParaManager::setparam", "true",
                 [&](Hosts& h, auto T) { return Show(h.open->setparam(T(L"Code"), boost::any(1), node)); }),
        Forwards("ParaManager::delparam", "true", [](Hosts& h, auto T) { return Show(h.open->delparam(T(L"Code"))); }),
        Forwards("ParaManager::getnodeinfodata", "{Code|Security code| |2|1}",
                 [](Hosts& h, auto T) { return Show(h.open->getnodeinfodata(T(L"Code"))); }),
        // CommandManager
        Forwards("CommandManager::addfunction", "paramgr Draw",
                 [&](Hosts& h, auto T) {
                     return Show(h.commands.addfunction(
                         T(L"Draw"), [](boost::any) { return boost::any(3); }, node));
                 }),
        Forwards("CommandManager::delfunction", "true",
                 [](Hosts& h, auto T) { return Show(h.commands.delfunction(T(L"Close"))); }),
        Forwards("CommandManager::clearfunction", "true",
                 [](Hosts& h, auto T) { return Show(h.commands.clearfunction(T(L"Open"), false)); }),
        Forwards(
            "CommandManager::addparam", "true",
            [&](Hosts& h, auto T) { return Show(h.commands.addparam(T(L"Close"), T(L"Force"), boost::any(1), node)); }),
        Forwards(
            "CommandManager::setparam", "true",
            [&](Hosts& h, auto T) { return Show(h.commands.setparam(T(L"Open"), T(L"Period"), boost::any(2), node)); }),
        Forwards("CommandManager::delparam", "true",
                 [](Hosts& h, auto T) { return Show(h.commands.delparam(T(L"Open"), T(L"Period"))); }),
        Forwards("CommandManager::getparam", "'day'",
                 [](Hosts& h, auto T) { return Show(h.commands.getparam(T(L"Open"), T(L"Period"))); }),
        Forwards("CommandManager::getfunction(name, function, node)",
                 "paramgr Open function -> 'opened' {Open chart|Opens a chart|F5|4|2}",
                 [](Hosts& h, auto T) {
                     CommandManager::Function function;
                     NodeInfoData got;
                     ParaManager* paramgr = h.commands.getfunction(T(L"Open"), function, got);
                     return Show(paramgr) + " " + Show(function) + " " + Show(got);
                 }),
        Forwards("CommandManager::getfunction(name)", "function -> int 0",
                 [](Hosts& h, auto T) { return Show(h.commands.getfunction(T(L"Close"))); }),
        Forwards("CommandManager::getparamgr", "paramgr Close",
                 [](Hosts& h, auto T) { return Show(h.commands.getparamgr(T(L"Close"))); }),
        Forwards("CommandManager::getnodeinfodata(function)", "{Close|Close||1|1}",
                 [](Hosts& h, auto T) { return Show(h.commands.getnodeinfodata(T(L"Close"))); }),
        Forwards("CommandManager::getnodeinfodata(function, param)", "{Code|Security code| |2|1}",
                 [](Hosts& h, auto T) { return Show(h.commands.getnodeinfodata(T(L"Open"), T(L"Code"))); }),
        Forwards("CommandManager::excute", "'opened'",
                 [](Hosts& h, auto T) { return Show(h.commands.excute(T(L"Open"), T(L"600000"))); }),
        Forwards("CommandManager::delpreexecutor", "true",
                 [](Hosts& h, auto T) { return Show(h.commands.delpreexecutor(T(L"Pre"))); }),
        Forwards("CommandManager::delpostexecutor", "true",
                 [](Hosts& h, auto T) { return Show(h.commands.delpostexecutor(T(L"Post"))); }),
        // ContextManager
        Forwards("ContextManager::addcontext", "true",
                 [](Hosts& h, auto T) { return Show(h.context.addcontext(T(L"Layout"), boost::any(3))); }),
        Forwards("ContextManager::setcontext", "true",
                 [](Hosts& h, auto T) { return Show(h.context.setcontext(T(L"Tab"), boost::any(8))); }),
        Forwards("ContextManager::getcontext(key, value)", "true int 7",
                 [](Hosts& h, auto T) {
                     boost::any value;
                     bool found = h.context.getcontext(T(L"Tab"), value);
                     return Show(found) + " " + Show(value);
                 }),
        Forwards("ContextManager::getcontext(key)", "int 7",
                 [](Hosts& h, auto T) { return Show(h.context.getcontext(T(L"Tab"))); }),
        Forwards("ContextManager::delcontext", "true",
                 [](Hosts& h, auto T) { return Show(h.context.delcontext(T(L"Tab"))); }),
        // UIList
        Forwards("UIList::makesuggest(text, count)", "int 1",
                 [](Hosts& h, auto T) { return Show(h.list.makesuggest(T(L"op"), 5)); }),
        Forwards("UIList::makesuggest(text, function)", "int 1",
                 [](Hosts& h, auto T) { return Show(h.list.makesuggest(T(L"per"), T(L"Open"))); }),
        Forwards("UIList::addfilter", "int 1",
                 [](Hosts& h, auto T) {
                     h.list.addfilter(T(L"HideOpen"), UIListItemCharArray(L"Open"));
                     return Show(h.list.makesuggest(std::wstring(), 0));
                 }),
        Forwards("UIList::delfilter", "int 2",
                 [](Hosts& h, auto T) {
                     h.list.addfilter(std::wstring(L"HideOpen"), UIListItemCharArray(L"Open"));
                     h.list.delfilter(T(L"HideOpen"));
                     return Show(h.list.makesuggest(std::wstring(), 0));
                 }),
        Forwards("UIList::getdisplay", "'Code' 'Security code'",
                 [](Hosts& h, auto T) {
                     h.list.makesuggest(std::wstring(), std::wstring(L"Open"));
                     typename decltype(T)::Out text, desc;
                     h.list.getdisplay(0, text, desc);
                     return Show(text) + " " + Show(desc);
                 }),
        Forwards("UIList::getdata", "'Open' 'Period' {Open chart|Opens a chart|F5|4|2} {Period|Period||5|1}",
                 [](Hosts& h, auto T) {
                     h.list.makesuggest(std::wstring(), std::wstring(L"Open"));
                     typename decltype(T)::Out function, param;
                     NodeInfoData functionNode, paramNode;
                     h.list.getdata(1, function, param, functionNode, paramNode);
                     return Show(function) + " " + Show(param) + " " + Show(functionNode) + " " + Show(paramNode);
                 }),
        Forwards("UIList::excutefunction", "'opened'",
                 [](Hosts& h, auto T) { return Show(h.list.excutefunction(T(L"Open"), T(L"600001"))); }),
        // MessagePublisher
        Forwards("MessagePublisher::unsubscribe(name)", "true",
                 [](Hosts& h, auto T) { return Show(h.publisher.unsubscribe(T(L"Msg"))); }),
        Forwards("MessagePublisher::unsubscribe(name, tag)", "true",
                 [](Hosts& h, auto T) { return Show(h.publisher.unsubscribe(T(L"Msg"), T(L"b"))); }),
    };

    for (const Row& row : rows) {
        SCOPED_TRACE(row.member);
        Hosts adapterSide, hostSide;
        const std::string adapterResult = row.viaAdapter(adapterSide);
        const std::string hostResult = row.viaHost(hostSide);
        EXPECT_EQ(hostResult, row.expected);
        EXPECT_EQ(adapterResult, hostResult);
        EXPECT_EQ(State(adapterSide), State(hostSide));
    }
}

TEST(FrameworkAdapters, NullTextsAreReportedAsErrors) {
    Hosts h;
    const wchar_t* none = nullptr;
    EXPECT_THROW(h.open->getparam(none), nuvoliberror);
    EXPECT_THROW(h.context.getcontext(none), nuvoliberror);
    EXPECT_THROW(h.list.makesuggest(none, 1), nuvoliberror);
    EXPECT_THROW(h.publisher.unsubscribe(L"Msg", none), nuvoliberror);
    EXPECT_EQ(h.publisher.subscribers(std::wstring(L"Msg")), 2u);
}
