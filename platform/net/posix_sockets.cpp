// POSIX side of the socket calls: accept4 with SOCK_NONBLOCK | SOCK_CLOEXEC, recv and
// send that never block and never raise SIGPIPE (MSG_DONTWAIT, MSG_NOSIGNAL), one poll()
// per pass, and errno turned into WinSock codes.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/net/socket_system.h"

namespace socket_system {

namespace {

struct ErrnoCode {
    int errno_value;
    int code;
};

// WinSock codes are 10000 + the BSD number; the Linux numbers differ, hence the table.
constexpr ErrnoCode kErrnoCodes[] = {
    {EINTR, 10004},        {EBADF, 10009},        {EACCES, 10013},       {EFAULT, 10014},
    {EINVAL, 10022},       {EMFILE, 10024},       {ENFILE, 10024},       {EAGAIN, 10035},
    {EINPROGRESS, 10036},  {EALREADY, 10037},     {ENOTSOCK, 10038},     {EMSGSIZE, 10040},
    {EOPNOTSUPP, 10045},   {EADDRINUSE, 10048},   {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},
    {ENETUNREACH, 10051},  {ECONNABORTED, 10053}, {ECONNRESET, 10054},   {EPIPE, 10054},
    {ENOBUFS, 10055},      {ENOMEM, 10055},       {EISCONN, 10056},      {ENOTCONN, 10057},
    {ESHUTDOWN, 10058},    {ETIMEDOUT, 10060},    {ECONNREFUSED, 10061}, {EHOSTUNREACH, 10065},
};

int Fail(int* error) {
    if (error != nullptr) *error = WinSockErrorFromErrno(errno);
    return -1;
}

}  // namespace

int WinSockErrorFromErrno(int errno_value) {
    if (errno_value == 0) return 0;
    if (errno_value == EWOULDBLOCK) return 10035;
    for (const ErrnoCode& e : kErrnoCodes) {
        if (e.errno_value == errno_value) return e.code;
    }
    return 10000 + errno_value;
}

int Accept(int listener, Peer* peer, int* error) {
    sockaddr_in address{};
    socklen_t length = sizeof(address);
    const int fd = ::accept4(listener, reinterpret_cast<sockaddr*>(&address), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return Fail(error);
    if (peer != nullptr) {
        std::memcpy(peer->address, &address.sin_addr.s_addr, 4);
        peer->port = address.sin_port;
    }
    return fd;
}

int Receive(int fd, void* buffer, int length, bool peek, int* error) {
    if (length < 0) {
        errno = EINVAL;
        return Fail(error);
    }
    ssize_t got;
    do {
        got = ::recv(fd, buffer, static_cast<size_t>(length), MSG_DONTWAIT | (peek ? MSG_PEEK : 0));
    } while (got < 0 && errno == EINTR);
    if (got < 0) return Fail(error);
    return static_cast<int>(got);
}

int Send(int fd, const void* buffer, int length, int* error) {
    if (length < 0) {
        errno = EINVAL;
        return Fail(error);
    }
    ssize_t sent;
    do {
        sent = ::send(fd, buffer, static_cast<size_t>(length), MSG_DONTWAIT | MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) return Fail(error);
    return static_cast<int>(sent);
}

int Close(int fd) { return ::close(fd); }

int MakeNonBlocking(int fd, int* error) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return Fail(error);
    return 0;
}

int PendingBytes(int fd) {
    int bytes = 0;
    if (::ioctl(fd, FIONREAD, &bytes) < 0) return 0;
    return bytes;
}

int TakeSocketError(int fd) {
    int value = 0;
    socklen_t length = sizeof(value);
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &value, &length) < 0) return WinSockErrorFromErrno(errno);
    return WinSockErrorFromErrno(value);
}

void PollOnce(Watch* watches, int count, int timeout_ms) {
    std::vector<pollfd> fds(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        fds[i].fd = watches[i].fd;
        fds[i].events = static_cast<short>((watches[i].want_read ? POLLIN | POLLRDHUP : 0) |
                                           (watches[i].want_write ? POLLOUT : 0));
        fds[i].revents = 0;
    }
    int ready;
    do {
        ready = ::poll(fds.data(), static_cast<nfds_t>(count), timeout_ms);
    } while (ready < 0 && errno == EINTR);
    for (int i = 0; i < count; ++i) {
        const short r = ready > 0 ? fds[i].revents : 0;
        watches[i].readable = (r & POLLIN) != 0;
        watches[i].writable = (r & POLLOUT) != 0;
        watches[i].hung_up = (r & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
    }
}

int OpenLoopbackListener(std::uint16_t* port, int* error) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return Fail(error);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) < 0 || ::listen(fd, 64) < 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) < 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return Fail(error);
    }
    if (port != nullptr) *port = ntohs(address.sin_port);
    return fd;
}

int StartLoopbackConnect(std::uint16_t port, int* refused, int* error) {
    *refused = 0;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return Fail(error);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) < 0 && errno != EINPROGRESS) {
        // A refused connection is reported like one that fails later: through the
        // socket's pending error, at the next pass.
        if (errno != ECONNREFUSED) {
            const int saved = errno;
            ::close(fd);
            errno = saved;
            return Fail(error);
        }
        *refused = WinSockErrorFromErrno(ECONNREFUSED);
    }
    return fd;
}

}  // namespace socket_system
