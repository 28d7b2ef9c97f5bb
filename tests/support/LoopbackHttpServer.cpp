// The tests' loopback HTTP server, on Boost.Asio: one small asynchronous loop on the server's own
// thread, which the destructor stops (whatever a connection is doing) and joins.
#include "tests/support/LoopbackHttpServer.h"

#include <array>
#include <atomic>
#include <boost/asio/buffer.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address_v4.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace asio = boost::asio;
using asio::ip::tcp;
using boost::system::error_code;

namespace {

struct Session {
    explicit Session(asio::io_context& io) : socket(io) {}
    tcp::socket socket;
    std::array<char, 2048> buffer{};
    std::string request;
    std::string reply;
};

}  // namespace

// Everything but the counters, the mode and the guarded texts runs on `thread`, in `io`'s loop.
struct LoopbackHttpServer::Impl {
    using SessionPtr = std::shared_ptr<Session>;

    Impl() {
        error_code error;
        const tcp::endpoint endpoint(asio::ip::address_v4::loopback(), 0);
        // No address reuse: on Windows that would let another socket share the port.
        acceptor.open(endpoint.protocol(), error);
        if (!error) acceptor.bind(endpoint, error);
        if (!error) acceptor.listen(16, error);
        if (!error) port = acceptor.local_endpoint(error).port();
        if (error) throw std::runtime_error("loopback server: cannot listen: " + error.message());
        Accept();
        thread = std::thread([this] { io.run(); });
    }

    ~Impl() {
        // Stopping the loop abandons the pending operations; their connections close when the
        // context, which owns the handlers that hold them, is destroyed after the thread ended.
        io.stop();
        thread.join();
    }

    // One connection at a time: the next accept starts only when the current connection is done.
    void Accept() {
        auto session = std::make_shared<Session>(io);
        acceptor.async_accept(session->socket, [this, session](const error_code& error) {
            if (error) {
                if (error != asio::error::operation_aborted) Accept();
                return;
            }
            ReadHead(session);
        });
    }

    // Reads the request head; a connect-time ping closes without sending anything.
    void ReadHead(SessionPtr session) {
        session->socket.async_read_some(asio::buffer(session->buffer),
                                        [this, session](const error_code& error, size_t n) {
                                            if (error) return Finish(session);
                                            session->request.append(session->buffer.data(), n);
                                            if (session->request.find("\r\n\r\n") == std::string::npos)
                                                return ReadHead(session);
                                            Answer(session);
                                        });
    }

    void Answer(SessionPtr session) {
        ++requests;
        const std::string& request = session->request;
        {
            const size_t start = request.find(' ');
            const size_t end = start == std::string::npos ? start : request.find(' ', start + 1);
            std::lock_guard<std::mutex> lock(mutex);
            lastPath = end == std::string::npos ? std::string() : request.substr(start + 1, end - start - 1);
        }

        switch (mode.load()) {
            case Mode::Serve: {
                std::string body;
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    body = this->body;
                }
                SendThenFinish(session, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                                            std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                break;
            }
            case Mode::NotFound:
                SendThenFinish(session,
                               "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot found");
                break;
            case Mode::Endless:
                // The head, then one chunk after another until a write fails (the client went away).
                session->reply = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
                WriteEndless(session);
                break;
            case Mode::Silent:
                Drain(session);
                break;
        }
    }

    void SendThenFinish(SessionPtr session, std::string reply) {
        session->reply = std::move(reply);
        asio::async_write(session->socket, asio::buffer(session->reply),
                          [this, session](const error_code&, size_t) { Finish(session); });
    }

    void WriteEndless(SessionPtr session) {
        asio::async_write(session->socket, asio::buffer(session->reply),
                          [this, session](const error_code& error, size_t) {
                              if (error) return Finish(session);
                              session->reply.assign(4096, 'x');
                              WriteEndless(session);
                          });
    }

    // Holds the connection, reading whatever comes, until the client gives up.
    void Drain(SessionPtr session) {
        session->socket.async_read_some(asio::buffer(session->buffer),
                                        [this, session](const error_code& error, size_t) {
                                            if (error) return Finish(session);
                                            Drain(session);
                                        });
    }

    void Finish(SessionPtr session) {
        error_code ignored;
        session->socket.shutdown(tcp::socket::shutdown_send, ignored);
        session->socket.close(ignored);
        Accept();
    }

    asio::io_context io;
    tcp::acceptor acceptor{io};
    int port = 0;
    std::atomic<Mode> mode{Mode::Serve};
    std::atomic<int> requests{0};
    mutable std::mutex mutex;
    std::string body;
    std::string lastPath;
    std::thread thread;  // last: started once everything above exists, joined first
};

LoopbackHttpServer::LoopbackHttpServer() : m_impl(std::make_unique<Impl>()) {}

LoopbackHttpServer::~LoopbackHttpServer() = default;

void LoopbackHttpServer::SetMode(Mode mode) {
    m_impl->mode = mode;
}

void LoopbackHttpServer::SetBody(const std::string& body) {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    m_impl->body = body;
}

int LoopbackHttpServer::Port() const {
    return m_impl->port;
}

std::wstring LoopbackHttpServer::BaseUrl() const {
    return L"http://127.0.0.1:" + std::to_wstring(m_impl->port);
}

int LoopbackHttpServer::Requests() const {
    return m_impl->requests;
}

std::string LoopbackHttpServer::LastPath() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->lastPath;
}
