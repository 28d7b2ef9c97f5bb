// The tests' listening loopback socket, on Boost.Asio.
#include "tests/support/LoopbackListener.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address_v4.hpp>
#include <boost/asio/ip/address_v6.hpp>
#include <boost/asio/ip/tcp.hpp>

namespace asio = boost::asio;
using asio::ip::tcp;

struct LoopbackListener::Impl {
    asio::io_context io;
    tcp::acceptor acceptor{io};
};

LoopbackListener::LoopbackListener(bool v6) : m_impl(std::make_unique<Impl>()) {
    const tcp::endpoint endpoint =
        v6 ? tcp::endpoint(asio::ip::address_v6::loopback(), 0) : tcp::endpoint(asio::ip::address_v4::loopback(), 0);
    boost::system::error_code error;
    m_impl->acceptor.open(endpoint.protocol(), error);
    if (!error) m_impl->acceptor.bind(endpoint, error);
    if (!error) m_impl->acceptor.listen(4, error);
    if (!error) {
        const int port = m_impl->acceptor.local_endpoint(error).port();
        if (!error) m_port = port;
    }
}

LoopbackListener::~LoopbackListener() = default;

void LoopbackListener::Close() {
    boost::system::error_code ignored;
    m_impl->acceptor.close(ignored);
}
