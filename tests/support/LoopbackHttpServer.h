// A tiny HTTP server on 127.0.0.1 for tests, on a port the system chooses. It answers one
// connection at a time, in the way the test asks: with a body, with 404, with an endless body, or
// not at all. Plain TCP connections that send nothing (a connect-time ping) are accepted too.
//
// Boost.Asio stays inside the .cpp: on Windows it brings the system's headers, which must not meet
// the platform layer's Windows-shaped declarations in one translation unit.
#pragma once

#include <memory>
#include <string>

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

    void SetMode(Mode mode);
    void SetBody(const std::string& body);
    int Port() const;
    // "http://127.0.0.1:PORT"
    std::wstring BaseUrl() const;
    // HTTP requests received, and the path of the last one.
    int Requests() const;
    std::string LastPath() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
