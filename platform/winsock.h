// The socket calls of the platform layer, shaped after the interfaces the network room was
// written against: non-blocking TCP sockets named by SOCKET values, notifications posted
// to a window as one message per event, and the error of the last failing call.
// Backed by POSIX sockets (platform/net/); holds only what the engine calls.
#pragma once

#include <cstdint>

#include "platform/kernel_types.h"
#include "platform/window.h"

// A socket value is opaque: never 0, never INVALID_SOCKET, and not reused while the
// process lives, so a notification left in the queue for a closed socket names no other.
using SOCKET = std::uintptr_t;
constexpr SOCKET INVALID_SOCKET = ~static_cast<SOCKET>(0);
constexpr int SOCKET_ERROR = -1;

struct IN_ADDR {
    BYTE bytes[4];  // network order
};

struct SOCKADDR {
    WORD sa_family;
    char sa_data[14];
};

struct SOCKADDR_IN {
    short sin_family;
    WORD sin_port;  // network order
    IN_ADDR sin_addr;
    char sin_zero[8];
};

constexpr short AF_INET = 2;

// recv flags.
constexpr int MSG_PEEK = 0x2;

// Events of WSAAsyncSelect; a notification's lParam holds the event in its low word and
// the error (0, or a WSAE* code) in its high word; its wParam is the socket.
constexpr LONG FD_READ = 0x01;
constexpr LONG FD_WRITE = 0x02;
constexpr LONG FD_ACCEPT = 0x08;
constexpr LONG FD_CONNECT = 0x10;
constexpr LONG FD_CLOSE = 0x20;

// Error codes of WSAGetLastError.
constexpr int WSAEINTR = 10004;
constexpr int WSAEBADF = 10009;
constexpr int WSAEACCES = 10013;
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAEMFILE = 10024;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAEINPROGRESS = 10036;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAEMSGSIZE = 10040;
constexpr int WSAEADDRINUSE = 10048;
constexpr int WSAEADDRNOTAVAIL = 10049;
constexpr int WSAENETDOWN = 10050;
constexpr int WSAENETUNREACH = 10051;
constexpr int WSAECONNABORTED = 10053;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAENOBUFS = 10055;
constexpr int WSAENOTCONN = 10057;
constexpr int WSAESHUTDOWN = 10058;
constexpr int WSAETIMEDOUT = 10060;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAEHOSTUNREACH = 10065;

// The next pending connection of a listening socket, non-blocking like its listener;
// INVALID_SOCKET when none is waiting or the call fails. `address` (may be null) gets
// the peer's IPv4 address and port; `length` must hold at least 16.
SOCKET accept(SOCKET listener, SOCKADDR* address, int* length);
// Bytes received (0: the peer has closed and nothing is left) or SOCKET_ERROR, with
// WSAEWOULDBLOCK when nothing waits. MSG_PEEK leaves the bytes in the socket.
int recv(SOCKET socket, char* buffer, int length, int flags);
// Bytes accepted by the socket (possibly fewer than `length`) or SOCKET_ERROR, with
// WSAEWOULDBLOCK when none fit. Never raises a signal on a closed connection.
int send(SOCKET socket, const char* buffer, int length, int flags);
int closesocket(SOCKET socket);
// Makes the socket non-blocking and asks for `events` as `message` to `window`; 0 and 0
// stop the notifications. Each event is posted once and again only after the call that
// answers it: FD_READ after a recv that took bytes or found none (or when more bytes
// arrive), FD_WRITE after a send that could not put everything out, FD_ACCEPT after an
// accept; FD_CONNECT and FD_CLOSE once. The notifications are produced by one pass over
// the sockets at each PeekMessageA.
int WSAAsyncSelect(SOCKET socket, HWND window, UINT message, LONG events);
// The error of the calling thread's last failing socket call.
int WSAGetLastError();
int WSACleanup();
