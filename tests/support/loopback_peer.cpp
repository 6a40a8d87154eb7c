// The network tests' far side over POSIX sockets; see loopback_peer.h.
#include "tests/support/loopback_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace loopback {

namespace {

constexpr int kServerWaitMs = 5000;

bool WaitReadable(int fd, int timeout_ms) {
    pollfd p{fd, POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeout_ms);
    } while (r < 0 && errno == EINTR);
    return r > 0;
}

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    return a;
}

bool WriteAll(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

}  // namespace

Peer::~Peer() { Close(); }

Peer& Peer::operator=(Peer&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

Peer Peer::Connect(std::uint16_t port, int receive_buffer_bytes) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return Peer();
    if (receive_buffer_bytes > 0) {
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer_bytes, sizeof(receive_buffer_bytes));
    }
    sockaddr_in a = Loopback(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) < 0) {
        ::close(fd);
        return Peer();
    }
    return Peer(fd);
}

bool Peer::SendAll(const std::string& bytes) { return fd_ >= 0 && WriteAll(fd_, bytes.data(), bytes.size()); }

std::size_t Peer::SendWhatFits(const std::string& bytes, std::size_t from) {
    std::size_t taken = 0;
    while (fd_ >= 0 && from + taken < bytes.size()) {
        const ssize_t w = ::send(fd_, bytes.data() + from + taken, bytes.size() - from - taken,
                                 MSG_DONTWAIT | MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) break;
        taken += static_cast<std::size_t>(w);
    }
    return taken;
}

std::string Peer::Receive(std::size_t n, int timeout_ms) {
    std::string out;
    char buffer[65536];
    while (fd_ >= 0 && out.size() < n && WaitReadable(fd_, timeout_ms)) {
        const std::size_t want = std::min(sizeof(buffer), n - out.size());
        const ssize_t r = ::recv(fd_, buffer, want, 0);
        if (r <= 0) break;
        out.append(buffer, static_cast<std::size_t>(r));
    }
    return out;
}

std::string Peer::ReceiveWaiting() {
    std::string out;
    char buffer[65536];
    for (;;) {
        const ssize_t r = ::recv(fd_, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (r <= 0) break;
        out.append(buffer, static_cast<std::size_t>(r));
    }
    return out;
}

std::string Peer::ReceiveUntilClose(int timeout_ms) {
    std::string out;
    char buffer[65536];
    while (fd_ >= 0 && WaitReadable(fd_, timeout_ms)) {
        const ssize_t r = ::recv(fd_, buffer, sizeof(buffer), 0);
        if (r <= 0) break;
        out.append(buffer, static_cast<std::size_t>(r));
    }
    return out;
}

void Peer::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

HttpServer::HttpServer(std::string response, bool hold_open) : response_(std::move(response)), hold_open_(hold_open) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = Loopback(0);
    socklen_t length = sizeof(a);
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof(a)) < 0 ||
        ::listen(listener_, 4) < 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length) < 0) {
        std::abort();
    }
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

HttpServer::~HttpServer() {
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) ::close(listener_);
}

std::string HttpServer::Finish() {
    if (thread_.joinable()) thread_.join();
    return request_;
}

void HttpServer::Serve() {
    if (!WaitReadable(listener_, kServerWaitMs)) return;
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    std::string request;
    char buffer[65536];
    std::size_t wanted = std::string::npos;
    while (request.size() < wanted && WaitReadable(fd, kServerWaitMs)) {
        const ssize_t r = ::recv(fd, buffer, sizeof(buffer), 0);
        if (r <= 0) break;
        request.append(buffer, static_cast<std::size_t>(r));
        if (wanted != std::string::npos) continue;
        std::size_t end = request.find("\r\n\r\n");
        std::size_t end_length = 4;
        if (end == std::string::npos) {
            end = request.find("\n\n");
            end_length = 2;
        }
        if (end == std::string::npos) continue;
        std::size_t body = 0;
        const std::size_t field = request.find("Content-Length: ");
        if (field != std::string::npos && field < end) body = std::strtoul(request.c_str() + field + 16, nullptr, 10);
        wanted = end + end_length + body;
    }
    request_ = request;
    WriteAll(fd, response_.data(), response_.size());
    if (hold_open_) {
        // Until the client closes its side.
        while (WaitReadable(fd, kServerWaitMs)) {
            if (::recv(fd, buffer, sizeof(buffer), 0) <= 0) break;
        }
    }
    ::close(fd);
}

std::int64_t MonotonicMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

std::uint16_t UnusedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = Loopback(0);
    socklen_t length = sizeof(a);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
}

}  // namespace loopback
