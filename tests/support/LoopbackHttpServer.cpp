// The tests' loopback HTTP server, on POSIX sockets (test support only).
#include "tests/support/LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

LoopbackHttpServer::LoopbackHttpServer() {
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listen, 16) != 0 || ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("loopback server: cannot listen");
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Run(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    m_stop = true;
    m_thread.join();
    ::close(m_listen);
}

void LoopbackHttpServer::SetBody(const std::string& body) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_body = body;
}

std::wstring LoopbackHttpServer::BaseUrl() const {
    return L"http://127.0.0.1:" + std::to_wstring(m_port);
}

std::string LoopbackHttpServer::LastPath() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastPath;
}

void LoopbackHttpServer::Run() {
    while (!m_stop) {
        pollfd p{m_listen, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        Handle(client);
        ::close(client);
    }
}

namespace {

bool SendAll(int fd, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

void LoopbackHttpServer::Handle(int client) {
    // Read the request head (a connect-time ping closes without sending anything).
    std::string request;
    while (request.find("\r\n\r\n") == std::string::npos && !m_stop) {
        pollfd p{client, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        char buffer[2048];
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        request.append(buffer, static_cast<size_t>(n));
    }
    if (m_stop) return;
    ++m_requests;
    {
        const size_t start = request.find(' ');
        const size_t end = start == std::string::npos ? start : request.find(' ', start + 1);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastPath = end == std::string::npos ? std::string() : request.substr(start + 1, end - start - 1);
    }

    switch (m_mode.load()) {
        case Mode::Serve: {
            std::string body;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                body = m_body;
            }
            SendAll(client, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                                std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
            break;
        }
        case Mode::NotFound:
            SendAll(client, "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot found");
            break;
        case Mode::Endless: {
            if (!SendAll(client, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n")) break;
            const std::string chunk(4096, 'x');
            while (!m_stop && SendAll(client, chunk)) {
            }
            break;
        }
        case Mode::Silent:
            // Hold the connection until the client gives up.
            while (!m_stop) {
                pollfd p{client, POLLIN, 0};
                if (::poll(&p, 1, 20) <= 0) continue;
                char buffer[256];
                if (::recv(client, buffer, sizeof buffer, 0) <= 0) break;
            }
            break;
    }
}
