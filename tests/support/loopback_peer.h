// The far side of the network tests, on plain blocking sockets over 127.0.0.1: a peer
// that connects to the engine's listener, and a one-shot HTTP server thread. Every wait
// is a poll() with a bounded timeout; nothing sleeps.
#pragma once

#include <cstdint>
#include <string>
#include <thread>

namespace loopback {

class Peer {
public:
    Peer() = default;
    explicit Peer(int fd) : fd_(fd) {}
    ~Peer();
    Peer(Peer&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Peer& operator=(Peer&& other) noexcept;
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    // Connects to 127.0.0.1:port (the listen backlog completes it without an accept).
    static Peer Connect(std::uint16_t port, int receive_buffer_bytes = 0);
    bool valid() const { return fd_ >= 0; }
    bool SendAll(const std::string& bytes);
    // As many of `bytes` from `from` on as the socket takes now, without waiting; the
    // count taken.
    std::size_t SendWhatFits(const std::string& bytes, std::size_t from);
    // Up to `n` bytes, waiting at most `timeout_ms` for each piece; fewer when the wait
    // runs out or the engine closes.
    std::string Receive(std::size_t n, int timeout_ms);
    // What is waiting now, without waiting.
    std::string ReceiveWaiting();
    // Until the engine closes or `timeout_ms` passes without news.
    std::string ReceiveUntilClose(int timeout_ms);
    void Close();

private:
    int fd_ = -1;
};

// One connection served on a thread: the request is read whole (headers, then the bytes
// its Content-Length announces), then `response` is written and the connection closed.
// With `hold_open`, the server instead keeps the connection until the client closes.
class HttpServer {
public:
    HttpServer(std::string response, bool hold_open = false);
    ~HttpServer();
    std::uint16_t port() const { return port_; }
    // Waits for the thread; the request bytes as received.
    std::string Finish();

private:
    void Serve();
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::string response_;
    bool hold_open_;
    std::string request_;
    std::thread thread_;
};

// Milliseconds of the system's monotonic clock (not the engine's manual clock), to bound
// how long a test waits.
std::int64_t MonotonicMs();

// A port on 127.0.0.1 that nobody listens on (bound, then closed).
std::uint16_t UnusedPort();

}  // namespace loopback
