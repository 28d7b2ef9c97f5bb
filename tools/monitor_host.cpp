// monitor-host: the reference host program. It sets up the host services, loads the monitor
// plug-in from its own folder, calls QZLibInitialize, plays a scripted terminal session through
// the host services, and calls QZLibDestroy.
//
//   monitor-host            runs the built-in short session
//   monitor-host SCRIPT     runs the script (format in README.md, "Host scripts"); a script with a
//                           line it cannot read is refused whole, before the plug-in is loaded
#include <boost/tuple/tuple.hpp>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "host/HostEnvironment.h"
#include "host/ObjectManager.h"
#include "platform/File.h"
#include "platform/Module.h"
#include "platform/System.h"
#include "platform/TextConv.h"
#include "shell/MonitorTypes.h"
#include "tools/ProgramMain.h"

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

// A whole decimal number in [min, max], the whole word: "1.5" or "64abc" is refused, not read
// as 1 or 64. Throws std::invalid_argument (not a number at all), WholeNumberError (a number
// with something after it) or std::out_of_range.
struct WholeNumberError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};
int Whole(const std::string& word, long long min = INT32_MIN, long long max = INT32_MAX) {
    long long value = 0;
    const char* begin = word.data() + (word[0] == '+' ? 1 : 0);
    const char* end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error == std::errc::result_out_of_range) throw std::out_of_range(word);
    if (error != std::errc() || stop == begin) throw std::invalid_argument(word);
    if (stop != end) throw WholeNumberError(word);
    if (value < min || value > max) throw std::out_of_range(word);
    return static_cast<int>(value);
}

struct Session {
    HostEnvironment& host;
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

    static TRANS_INFO Traffic(const std::vector<std::string>& w) {
        TRANS_INFO info{};
        info.nSerial = Whole(w[1]);
        info.nReqType = Whole(w[2]);
        info.nTimeStamp = Whole(w[3]);
        info.nSize = Whole(w[4]);
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

    // The action of one script line, checked before anything is published: empty for a blank
    // line or a comment; `error` says what is wrong with a line that cannot be played.
    std::function<void()> Parse(const std::string& line, std::string& error) {
        const std::vector<std::string> w = Split(line);
        if (w.empty() || w[0][0] == '#') return {};
        const std::string& verb = w[0];
        MessagePublisher& bus = host.Publisher();
        auto count = [this] { ++messages; };
        try {
            if (verb == "workspace") {
                return [&bus, name = CString(Rest(line, 1)), count] {
                    bus.publish(L"WorkspaceChanged", boost::any(boost::make_tuple(name, CString())));
                    count();
                };
            } else if (verb == "menu" || verb == "toolbar") {
                return [&bus, message = verb == "menu" ? L"MenuCommand" : L"ToolbarCommand",
                        path = CString(Rest(line, 1)), count] {
                    bus.publish(message, boost::any(path));
                    count();
                };
            } else if (verb == "popup") {
                return [&bus, count] {
                    bus.publish(L"PopupMenuOpen", boost::any(0));
                    count();
                };
            } else if (verb == "dialog") {
                return [this, &bus, title = Rest(line, 1), count] {
                    HWND window = host.CreateDialogWindow(title);
                    bus.publish(L"DialogShow", boost::any(window));
                    host.DestroyDialogWindow(window);
                    count();
                };
            } else if (verb == "tab") {
                return [this, &bus, text = Rest(line, 1), count] {
                    tagQuoteTabInfo tab;
                    tab.strText = text;
                    // The host links only its own library: the standard-string member, not the
                    // plug-in's wide-character-pointer adapter.
                    host.Context().setcontext(std::wstring(L"CONTEXT_CURRENTQUOTETAB"), boost::any(tab));
                    bus.publish(L"TabWndActive", boost::any(0));
                    count();
                };
            } else if (verb == "command" && w.size() >= 2) {
                return [this, name = NarrowToWide(w[1]), argument = Rest(line, 2), count] {
                    host.Commands().excute(name, argument);
                    count();
                };
            } else if (verb == "logon" && w.size() >= 5) {
                MONITOR_SERVER_INFO info;
                info.strServerName = NarrowToWide(w[1]);
                info.bIsProxy = Whole(w[2], 0, 1) != 0;
                info.strTime = NarrowToWide(w[3]);
                info.nRetryTime = Whole(w[4]);
                return [&bus, info, count] {
                    bus.publish(L"MonitorServerInfo", boost::any(info));
                    count();
                };
            } else if (verb == "send" && w.size() >= 5) {
                return [&bus, info = Traffic(w), count]() mutable {
                    bus.publish(L"TransInfoSend", boost::any(&info));
                    count();
                };
            } else if (verb == "recv" && w.size() >= 5) {
                return [&bus, info = Traffic(w), count] {
                    bus.publish(L"TransInfoRecv", boost::any(info));
                    count();
                };
            } else if ((verb == "download" || verb == "webtime" || verb == "profileversion") && w.size() >= 2) {
                const wchar_t* message = verb == "download"  ? L"MoniterDownloadSpeedTest"
                                         : verb == "webtime" ? L"MoniterHTMLSpeedTestTime"
                                                             : L"MoniterServerProfileVersion";
                return [&bus, message, value = Whole(w[1]), count] {
                    bus.publish(message, boost::any(value));
                    count();
                };
            } else if (verb == "weburl") {
                return [&bus, url = CString(Rest(line, 1)), count] {
                    bus.publish(L"MoniterHTMLSpeedTestURL", boost::any(url));
                    count();
                };
            } else if (verb == "traffic" && w.size() >= 3) {
                const int threads = Whole(w[1], 1, 64);
                const int pairs = Whole(w[2], 0);
                return [this, threads, pairs] {
                    PublishTraffic(threads, pairs);
                    messages += threads * pairs * 2;
                };
            } else if (verb == "sleep" && w.size() >= 2) {
                return [ms = Whole(w[1], 0, 3600000)] { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
            }
            error = "cannot read \"" + line + "\"";
        } catch (const WholeNumberError&) {
            error = "not a whole number in \"" + line + "\"";
        } catch (const std::invalid_argument&) {
            error = "not a number in \"" + line + "\"";
        } catch (const std::out_of_range&) {
            error = "number out of range in \"" + line + "\"";
        }
        return {};
    }
};

}  // namespace

int ProgramMain(const std::vector<std::string>& args) {
    const char* usage =
        "usage: monitor-host [SCRIPT]\n"
        "Loads the monitor plug-in from this program's folder, plays SCRIPT (or a built-in\n"
        "short session) through the host services, then shuts the plug-in down.\n"
        "\n"
        "SCRIPT is UTF-8 text (a byte-order mark is allowed), one host message per line; '#' starts\n"
        "a comment. The whole script is checked first: a line it cannot read plays nothing.\n"
        "Numbers are whole decimal numbers.\n"
        "  workspace NAME                       WorkspaceChanged\n"
        "  menu PATH | toolbar PATH             MenuCommand | ToolbarCommand, e.g. menu \\\\File\\Exit\n"
        "  popup                                PopupMenuOpen\n"
        "  dialog TITLE                         DialogShow with a window titled TITLE\n"
        "  tab TEXT                             the current quote tab, then TabWndActive\n"
        "  command NAME [ARGUMENT]              runs NAME through the command registry\n"
        "  logon SERVER PROXY TIME RETRY        MonitorServerInfo (PROXY 0 or 1)\n"
        "  send|recv SERIAL TYPE STAMP SIZE [push]  TransInfoSend | TransInfoRecv\n"
        "  download MS | webtime MS             the download and web page speed-test times\n"
        "  weburl URL                           the web page speed-test address\n"
        "  profileversion N                     the server profile version\n"
        "  traffic THREADS COUNT                COUNT send/receive pairs from each of 1 to 64 threads\n"
        "  sleep MS                             waits (at most 3600000)\n"
        "\n"
        "Exit codes: 0 played, 1 a script line could not be read or the plug-in could not be\n"
        "loaded, 2 bad usage or a script file that cannot be read.\n";
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << usage;
        return 0;
    }
    if (args.size() > 1) {
        std::cerr << "monitor-host: one SCRIPT at most (monitor-host --help shows the usage)\n";
        return 2;
    }
    if (args.size() == 1 && args[0].rfind("-", 0) == 0) {
        std::cerr << "monitor-host: unknown option " << args[0] << " (monitor-host --help shows the usage)\n";
        return 2;
    }
    std::string script = kBuiltInSession;
    if (args.size() == 1) {
        // A folder opens as a stream on some systems and reads as empty: ask for a regular file.
        const std::filesystem::path path = PathFromUtf8(args[0]);
        std::error_code ec;
        const std::filesystem::file_status status = std::filesystem::status(path, ec);
        std::ifstream in;
        if (std::filesystem::is_regular_file(status)) in.open(path, std::ios::binary);
        std::ostringstream text;
        if (in) text << in.rdbuf();
        if (!in.is_open() || in.bad()) {
            const std::string why = status.type() == std::filesystem::file_type::not_found ? "no such file"
                                    : std::filesystem::is_directory(status)                ? "a directory"
                                    : ec || std::filesystem::is_regular_file(status)       ? "cannot be read"
                                                                                           : "not a regular file";
            std::cerr << "monitor-host: script " << args[0] << ": " << why << "\n";
            return 2;
        }
        script = text.str();
        // Editors on Windows often save UTF-8 with a byte-order mark.
        if (script.rfind("\xEF\xBB\xBF", 0) == 0) script.erase(0, 3);
    }

    // The whole script is checked before the plug-in is loaded: a bad line plays nothing.
    HostEnvironment host;
    Session session{host};
    std::vector<std::function<void()>> actions;
    {
        std::istringstream lines(script);
        std::string line;
        for (int number = 1; std::getline(lines, line); ++number) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::string error;
            std::function<void()> action = session.Parse(line, error);
            if (!error.empty()) {
                std::cerr << "monitor-host: line " << number << ": " << error << "\n";
                return 1;
            }
            if (action) actions.push_back(std::move(action));
        }
    }

    // The module is loaded by the Windows-shaped path the monitor uses throughout; the user is
    // shown the native one.
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

    std::cout << "monitor-host: loaded " << NativePath(pluginPath) << "\n";
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

    for (const auto& action : actions) action();
    std::cout << "monitor-host: published " << session.messages << " messages\n";

    destroy();
    std::cout << "monitor-host: plug-in destroyed\n";
    FreeModule(plugin);
    return 0;
}
