// monitor-host: the reference host program. It sets up the host services, loads the monitor
// plug-in from its own folder, calls QZLibInitialize, plays a scripted terminal session through
// the host services, and calls QZLibDestroy.
//
//   monitor-host            runs the built-in short session
//   monitor-host SCRIPT     runs the script (format in README.md, "Host scripts")
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/HostEnvironment.h"
#include "host/ObjectManager.h"
#include "platform/Module.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "shell/MonitorTypes.h"

namespace {

const char* kBuiltInSession = R"(# A short terminal session.
workspace 默认工作区
menu \\系统\连接行情服务器
toolbar \\报价
popup
dialog 系统设置
tab 沪深A股
command OpenQuote 600000
logon quote1.example.test 0 09:30:01 0
send 1 2001 1000 64
recv 1 2001 1040 2048
download 812
weburl http://news.example.test/
webtime 230
)";

struct Session {
    HostEnvironment& host;
    int lineNumber = 0;
    int messages = 0;

    static std::vector<std::string> Split(const std::string& line) {
        std::vector<std::string> words;
        std::istringstream in(line);
        std::string word;
        while (in >> word) words.push_back(word);
        return words;
    }

    static std::wstring Rest(const std::string& line, size_t words) {
        // The text after the first `words` words, blanks inside kept.
        size_t pos = 0;
        for (size_t i = 0; i < words; ++i) {
            pos = line.find_first_not_of(" \t", pos);
            if (pos == std::string::npos) return std::wstring();
            pos = line.find_first_of(" \t", pos);
            if (pos == std::string::npos) return std::wstring();
        }
        pos = line.find_first_not_of(" \t", pos);
        return pos == std::string::npos ? std::wstring() : NarrowToWide(line.substr(pos));
    }

    bool Fail(const std::string& what) {
        std::cerr << "monitor-host: line " << lineNumber << ": " << what << "\n";
        return false;
    }

    static TRANS_INFO Traffic(const std::vector<std::string>& w) {
        TRANS_INFO info{};
        info.nSerial = std::stoi(w[1]);
        info.nReqType = std::stoi(w[2]);
        info.nTimeStamp = std::stoi(w[3]);
        info.nSize = std::stoi(w[4]);
        info.bPush = w.size() > 5 && w[5] == "push";
        return info;
    }

    // Request/reply and push traffic from several host threads at once: each thread sends `count`
    // requests over ten request types (serials of its own, replies 20 to 300 ms later) and every
    // tenth message is a push message.
    void PublishTraffic(int threads, int count) {
        static const int kTypes[] = {2003, 2011, 2020, 2021, 2022, 2030, 2032, 2040, 2051, 2062};
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([this, t, count] {
                MessagePublisher& bus = host.Publisher();
                std::uint32_t seed = 7919u * static_cast<std::uint32_t>(t + 1);
                auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
                int clock = static_cast<int>(next() % 60000);
                for (int i = 0; i < count; ++i) {
                    const int type = kTypes[next() % 10];
                    const bool push = i % 10 == 9;
                    TRANS_INFO send{};
                    send.nSerial = push ? 0 : t * 1000000 + i + 1;
                    send.nReqType = type;
                    send.nTimeStamp = clock;
                    send.nSize = 48 + static_cast<int>(next() % 200);
                    send.bPush = push;
                    TRANS_INFO reply = send;
                    clock = (clock + 20 + static_cast<int>(next() % 280)) % 60000;
                    reply.nTimeStamp = clock;
                    reply.nSize = 256 + static_cast<int>(next() % 8000);
                    bus.publish(L"TransInfoSend", boost::any(&send));
                    bus.publish(L"TransInfoRecv", boost::any(reply));
                }
            });
        }
        for (auto& worker : workers) worker.join();
    }

    bool Run(const std::string& line) {
        const std::vector<std::string> w = Split(line);
        if (w.empty() || w[0][0] == '#') return true;
        const std::string& verb = w[0];
        MessagePublisher& bus = host.Publisher();
        try {
            if (verb == "workspace") {
                bus.publish(L"WorkspaceChanged", boost::any(std::make_tuple(CString(Rest(line, 1)), CString())));
            } else if (verb == "menu") {
                bus.publish(L"MenuCommand", boost::any(CString(Rest(line, 1))));
            } else if (verb == "toolbar") {
                bus.publish(L"ToolbarCommand", boost::any(CString(Rest(line, 1))));
            } else if (verb == "popup") {
                bus.publish(L"PopupMenuOpen", boost::any(0));
            } else if (verb == "dialog") {
                HWND window = host.CreateDialogWindow(Rest(line, 1));
                bus.publish(L"DialogShow", boost::any(window));
                host.DestroyDialogWindow(window);
            } else if (verb == "tab") {
                tagQuoteTabInfo tab;
                tab.strText = Rest(line, 1);
                // The host links only its own library: the standard-string member, not the
                // plug-in's wide-character-pointer adapter.
                host.Context().setcontext(std::wstring(L"CONTEXT_CURRENTQUOTETAB"), boost::any(tab));
                bus.publish(L"TabWndActive", boost::any(0));
            } else if (verb == "command" && w.size() >= 2) {
                host.Commands().excute(NarrowToWide(w[1]), Rest(line, 2));
            } else if (verb == "logon" && w.size() >= 5) {
                MONITOR_SERVER_INFO info;
                info.strServerName = NarrowToWide(w[1]);
                info.bIsProxy = std::stoi(w[2]) != 0;
                info.strTime = NarrowToWide(w[3]);
                info.nRetryTime = std::stoi(w[4]);
                bus.publish(L"MonitorServerInfo", boost::any(info));
            } else if (verb == "send" && w.size() >= 5) {
                TRANS_INFO info = Traffic(w);
                bus.publish(L"TransInfoSend", boost::any(&info));
            } else if (verb == "recv" && w.size() >= 5) {
                bus.publish(L"TransInfoRecv", boost::any(Traffic(w)));
            } else if (verb == "download" && w.size() >= 2) {
                bus.publish(L"MoniterDownloadSpeedTest", boost::any(std::stoi(w[1])));
            } else if (verb == "weburl") {
                bus.publish(L"MoniterHTMLSpeedTestURL", boost::any(CString(Rest(line, 1))));
            } else if (verb == "webtime" && w.size() >= 2) {
                bus.publish(L"MoniterHTMLSpeedTestTime", boost::any(std::stoi(w[1])));
            } else if (verb == "profileversion" && w.size() >= 2) {
                bus.publish(L"MoniterServerProfileVersion", boost::any(std::stoi(w[1])));
            } else if (verb == "traffic" && w.size() >= 3) {
                const int threads = std::stoi(w[1]);
                const int count = std::stoi(w[2]);
                if (threads < 1 || threads > 64 || count < 0) return Fail("traffic takes 1 to 64 threads");
                PublishTraffic(threads, count);
                messages += threads * count * 2 - 1;
            } else if (verb == "sleep" && w.size() >= 2) {
                std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(w[1])));
                return true;
            } else {
                return Fail("cannot read \"" + line + "\"");
            }
        } catch (const std::invalid_argument&) {
            return Fail("not a number in \"" + line + "\"");
        } catch (const std::out_of_range&) {
            return Fail("number out of range in \"" + line + "\"");
        }
        ++messages;
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 || (argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")))) {
        std::cout << "usage: monitor-host [SCRIPT]\n"
                     "Loads the monitor plug-in from this program's folder, plays SCRIPT (or a built-in\n"
                     "short session) through the host services, then shuts the plug-in down.\n";
        return argc > 2 ? 2 : 0;
    }
    std::string script = kBuiltInSession;
    if (argc == 2) {
        std::ifstream in(argv[1], std::ios::binary);
        if (!in) {
            std::cerr << "monitor-host: cannot read script " << argv[1] << "\n";
            return 2;
        }
        std::ostringstream text;
        text << in.rdbuf();
        script = text.str();
    }

    HostEnvironment host;
    const CString pluginPath = GetExecutableDir() + L"\\" + ModuleFileName(L"qzmonitor");
    std::string error;
    void* plugin = LoadModule(pluginPath, &error);
    if (!plugin) {
        std::cerr << "monitor-host: cannot load the plug-in: " << error << "\n";
        return 1;
    }
    auto initialize = reinterpret_cast<void (*)()>(GetModuleSymbol(plugin, "QZLibInitialize"));
    auto destroy = reinterpret_cast<void (*)()>(GetModuleSymbol(plugin, "QZLibDestroy"));
    if (!initialize || !destroy) {
        std::cerr << "monitor-host: the plug-in lacks QZLibInitialize or QZLibDestroy\n";
        FreeModule(plugin);
        return 1;
    }

    std::cout << "monitor-host: loaded " << WideToNarrow(pluginPath) << "\n";
    initialize();
    std::cout << "monitor-host: plug-in initialised; registry holds CMonitorControl: "
              << (CQZObjectManager::Get(L"CMonitorControl") ? "yes" : "no") << "\n";
    int subscribed = 0;
    for (const wchar_t* name :
         {L"WorkspaceChanged", L"MenuCommand", L"ToolbarCommand", L"PopupMenuOpen", L"DialogShow", L"TabWndActive",
          L"MonitorServerInfo", L"TransInfoRecv", L"TransInfoSend", L"MoniterDownloadSpeedTest",
          L"MoniterHTMLSpeedTestTime", L"MoniterHTMLSpeedTestURL", L"MoniterServerProfileVersion"})
        subscribed += host.Publisher().subscribers(name) > 0 ? 1 : 0;
    std::cout << "monitor-host: messages subscribed: " << subscribed << " of 13; post-executor: "
              << (host.Commands().haspostexecutor(L"PostExecutorMonitor") ? "PostExecutorMonitor" : "none") << "\n";

    Session session{host};
    std::istringstream lines(script);
    std::string line;
    bool ok = true;
    while (std::getline(lines, line)) {
        ++session.lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ok = session.Run(line) && ok;
    }
    std::cout << "monitor-host: published " << session.messages << " messages\n";

    destroy();
    std::cout << "monitor-host: plug-in destroyed\n";
    FreeModule(plugin);
    return ok ? 0 : 1;
}
