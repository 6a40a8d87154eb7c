// The platform's socket calls: a table of open sockets (opaque SOCKET value -> file
// descriptor and notification state), the calls the network room makes, and the pass
// that turns socket readiness into window notifications. Relies on socket_system for
// the POSIX side and on PostMessageA for delivery.
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/net/async_select.h"
#include "platform/net/socket_system.h"
#include "platform/net_hooks.h"
#include "platform/winsock.h"

namespace {

struct SocketEntry {
    int fd = -1;
    HWND window = nullptr;
    UINT message = 0;
    LONG events = 0;
    bool listening = false;
    bool connecting = false;
    int refused = 0;  // a refusal known when the connect started
    bool connect_failed = false;
    // FD_READ goes out when bytes wait and either a recv answered the last one or the
    // count of waiting bytes changed since it was posted.
    bool read_rearmed = true;
    int read_posted_count = -1;
    bool write_armed = true;
    bool accept_armed = true;
    bool close_posted = false;
};

struct Post {
    HWND window;
    UINT message;
    SOCKET socket;
    LPARAM lparam;
};

std::mutex g_mutex;
std::unordered_map<SOCKET, SocketEntry> g_sockets;
SOCKET g_next_socket = 1;
int g_send_cap = 0;  // the most bytes one send() passes on; 0 for no limit
thread_local int t_last_error = 0;

int Fail(int code) {
    t_last_error = code;
    return SOCKET_ERROR;
}

SOCKET Register(const SocketEntry& entry) {
    const SOCKET value = g_next_socket++;
    g_sockets[value] = entry;
    return value;
}

SocketEntry* Find(SOCKET socket) {
    auto it = g_sockets.find(socket);
    return it == g_sockets.end() ? nullptr : &it->second;
}

bool Watched(const SocketEntry& e) { return e.window != nullptr && e.events != 0; }

// What the pass asks poll() for on one socket.
socket_system::Watch WatchFor(const SocketEntry& e) {
    socket_system::Watch w{};
    w.fd = e.fd;
    if (e.connecting) {
        w.want_write = true;
        return w;
    }
    if (e.connect_failed) return w;
    if (e.listening) {
        w.want_read = (e.events & FD_ACCEPT) != 0 && e.accept_armed;
        return w;
    }
    w.want_read = (e.events & (FD_READ | FD_CLOSE)) != 0;
    w.want_write = (e.events & FD_WRITE) != 0 && e.write_armed;
    return w;
}

LPARAM Event(LONG event, int error) {
    return static_cast<LPARAM>(static_cast<DWORD>(event) | (static_cast<DWORD>(error & 0xFFFF) << 16));
}

// The notifications one socket's readiness gives; updates what is armed.
void Notify(SOCKET socket, SocketEntry& e, const socket_system::Watch& w, std::vector<Post>& posts) {
    auto post = [&](LONG event, int error) {
        if ((e.events & event) != 0) posts.push_back(Post{e.window, e.message, socket, Event(event, error)});
    };
    if (e.connecting) {
        if (e.refused == 0 && !w.writable && !w.hung_up) return;
        const int error = e.refused != 0 ? e.refused : socket_system::TakeSocketError(e.fd);
        e.refused = 0;
        e.connecting = false;
        e.connect_failed = error != 0;
        post(FD_CONNECT, error);
        if (error != 0) return;
    }
    if (e.connect_failed) return;
    if (e.listening) {
        if (w.readable && e.accept_armed && (e.events & FD_ACCEPT) != 0) {
            e.accept_armed = false;
            post(FD_ACCEPT, 0);
        }
        return;
    }
    const int waiting = socket_system::PendingBytes(e.fd);
    if (w.readable && waiting > 0 && (e.events & FD_READ) != 0 &&
        (e.read_rearmed || waiting != e.read_posted_count)) {
        e.read_rearmed = false;
        e.read_posted_count = waiting;
        post(FD_READ, 0);
    }
    if (w.writable && e.write_armed && (e.events & FD_WRITE) != 0) {
        e.write_armed = false;
        post(FD_WRITE, 0);
    }
    const bool closed = w.hung_up || (w.readable && waiting == 0);
    if (closed && !e.close_posted && (e.events & FD_CLOSE) != 0) {
        e.close_posted = true;
        post(FD_CLOSE, socket_system::TakeSocketError(e.fd));
    }
}

}  // namespace

namespace platform_net {

void RunAsyncSelectPass() {
    std::vector<Post> posts;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        std::vector<SOCKET> sockets;
        std::vector<socket_system::Watch> watches;
        for (auto& [value, entry] : g_sockets) {
            if (!Watched(entry)) continue;
            const socket_system::Watch w = WatchFor(entry);
            if (!w.want_read && !w.want_write) continue;
            sockets.push_back(value);
            watches.push_back(w);
        }
        if (watches.empty()) return;
        socket_system::PollOnce(watches.data(), static_cast<int>(watches.size()), 0);
        for (std::size_t i = 0; i < watches.size(); ++i) {
            if (SocketEntry* e = Find(sockets[i])) Notify(sockets[i], *e, watches[i], posts);
        }
    }
    for (const Post& p : posts) PostMessageA(p.window, p.message, static_cast<WPARAM>(p.socket), p.lparam);
}

}  // namespace platform_net

SOCKET accept(SOCKET listener, SOCKADDR* address, int* length) {
    std::lock_guard<std::mutex> lock(g_mutex);
    SocketEntry* l = Find(listener);
    if (l == nullptr) {
        Fail(WSAENOTSOCK);
        return INVALID_SOCKET;
    }
    l->accept_armed = true;
    if (address != nullptr && (length == nullptr || *length < static_cast<int>(sizeof(SOCKADDR_IN)))) {
        Fail(WSAEFAULT);
        return INVALID_SOCKET;
    }
    socket_system::Peer peer{};
    int error = 0;
    const int fd = socket_system::Accept(l->fd, &peer, &error);
    if (fd < 0) {
        Fail(error);
        return INVALID_SOCKET;
    }
    // The new socket takes its listener's notifications until it is given its own.
    SocketEntry entry;
    entry.fd = fd;
    entry.window = l->window;
    entry.message = l->message;
    entry.events = l->events;
    const SOCKET value = Register(entry);
    if (address != nullptr) {
        SOCKADDR_IN in{};
        in.sin_family = AF_INET;
        in.sin_port = peer.port;
        for (int i = 0; i < 4; ++i) in.sin_addr.bytes[i] = peer.address[i];
        static_assert(sizeof(SOCKADDR_IN) == 16 && sizeof(SOCKADDR) == 16, "socket address records");
        *reinterpret_cast<SOCKADDR_IN*>(address) = in;
        *length = static_cast<int>(sizeof(SOCKADDR_IN));
    }
    return value;
}

int recv(SOCKET socket, char* buffer, int length, int flags) {
    std::lock_guard<std::mutex> lock(g_mutex);
    SocketEntry* e = Find(socket);
    if (e == nullptr) return Fail(WSAENOTSOCK);
    if (length < 0 || (buffer == nullptr && length > 0)) return Fail(WSAEFAULT);
    const bool peek = (flags & MSG_PEEK) != 0;
    int error = 0;
    const int got = socket_system::Receive(e->fd, buffer, length, peek, &error);
    if (got < 0) {
        if (error == WSAEWOULDBLOCK) e->read_rearmed = true;
        return Fail(error);
    }
    if (got > 0 && !peek) e->read_rearmed = true;
    return got;
}

int send(SOCKET socket, const char* buffer, int length, int /*flags*/) {
    std::lock_guard<std::mutex> lock(g_mutex);
    SocketEntry* e = Find(socket);
    if (e == nullptr) return Fail(WSAENOTSOCK);
    if (length < 0 || (buffer == nullptr && length > 0)) return Fail(WSAEFAULT);
    int error = 0;
    const int passed = g_send_cap > 0 && length > g_send_cap ? g_send_cap : length;
    const int sent = socket_system::Send(e->fd, buffer, passed, &error);
    if (sent < 0) {
        if (error == WSAEWOULDBLOCK) e->write_armed = true;
        return Fail(error);
    }
    // A short send means the socket is full: FD_WRITE tells when it has room again.
    if (sent < length) e->write_armed = true;
    return sent;
}

int closesocket(SOCKET socket) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_sockets.find(socket);
    if (it == g_sockets.end()) return Fail(WSAENOTSOCK);
    socket_system::Close(it->second.fd);
    g_sockets.erase(it);
    return 0;
}

int WSAAsyncSelect(SOCKET socket, HWND window, UINT message, LONG events) {
    std::lock_guard<std::mutex> lock(g_mutex);
    SocketEntry* e = Find(socket);
    if (e == nullptr) return Fail(WSAENOTSOCK);
    if (message == 0 && events == 0) {
        e->window = nullptr;
        e->message = 0;
        e->events = 0;
        return 0;
    }
    if (window == nullptr) return Fail(WSAEINVAL);
    int error = 0;
    if (socket_system::MakeNonBlocking(e->fd, &error) != 0) return Fail(error);
    e->window = window;
    e->message = message;
    e->events = events;
    e->read_rearmed = true;
    e->read_posted_count = -1;
    e->write_armed = true;
    e->accept_armed = true;
    e->close_posted = false;
    return 0;
}

int WSAGetLastError() { return t_last_error; }

int WSACleanup() { return 0; }

namespace platform_hooks {

SOCKET OpenLoopbackListener(WORD* port) {
    std::uint16_t chosen = 0;
    int error = 0;
    const int fd = socket_system::OpenLoopbackListener(&chosen, &error);
    if (fd < 0) {
        Fail(error);
        return INVALID_SOCKET;
    }
    if (port != nullptr) *port = chosen;
    std::lock_guard<std::mutex> lock(g_mutex);
    SocketEntry entry;
    entry.fd = fd;
    entry.listening = true;
    return Register(entry);
}

SOCKET StartLoopbackConnect(WORD port) {
    int refused = 0;
    int error = 0;
    const int fd = socket_system::StartLoopbackConnect(port, &refused, &error);
    if (fd < 0) {
        Fail(error);
        return INVALID_SOCKET;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    SocketEntry entry;
    entry.fd = fd;
    entry.connecting = true;
    entry.refused = refused;
    return Register(entry);
}

int WaitForSocketActivity(int timeout_ms) {
    std::vector<socket_system::Watch> watches;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        for (auto& [value, entry] : g_sockets) {
            if (!Watched(entry)) continue;
            if (entry.connecting && entry.refused != 0) return 1;
            socket_system::Watch w = WatchFor(entry);
            // A closed connection stays readable; it wakes the wait only while a
            // notification can still come of it.
            if (entry.close_posted && !entry.read_rearmed) w.want_read = false;
            if (w.want_read || w.want_write) watches.push_back(w);
        }
    }
    if (watches.empty()) return 0;
    socket_system::PollOnce(watches.data(), static_cast<int>(watches.size()), timeout_ms);
    for (const auto& w : watches) {
        if (w.readable || w.writable || w.hung_up) return 1;
    }
    return 0;
}

int CountOpenSockets() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return static_cast<int>(g_sockets.size());
}

void SetSendCap(int bytes) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_send_cap = bytes > 0 ? bytes : 0;
}

}  // namespace platform_hooks
