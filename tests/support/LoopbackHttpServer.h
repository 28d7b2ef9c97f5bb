// A tiny HTTP server on 127.0.0.1 for tests, on a port the system chooses. It answers one
// connection at a time, in the way the test asks: with a body, with 404, with an endless body, or
// not at all. Plain TCP connections that send nothing (a connect-time ping) are accepted too.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

class LoopbackHttpServer {
public:
    enum class Mode {
        Serve,     // 200 with the body
        NotFound,  // 404 with a short body
        Endless,   // 200 without a length, then bytes until the client goes away
        Silent,    // reads the request and never answers
    };

    LoopbackHttpServer();
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    void SetMode(Mode mode) { m_mode = mode; }
    void SetBody(const std::string& body);
    int Port() const { return m_port; }
    // "http://127.0.0.1:PORT"
    std::wstring BaseUrl() const;
    // HTTP requests received, and the path of the last one.
    int Requests() const { return m_requests; }
    std::string LastPath() const;

private:
    void Run();
    void Handle(int client);

    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<Mode> m_mode{Mode::Serve};
    std::atomic<int> m_requests{0};
    mutable std::mutex m_mutex;
    std::string m_body;
    std::string m_lastPath;
    std::thread m_thread;
};
