// The few POSIX socket operations under the platform's socket calls, on plain file
// descriptors; kept apart so the system's socket declarations never meet the platform's
// own names. Every failing call returns -1 and stores the error as a WinSock code.
#pragma once

#include <cstdint>

namespace socket_system {

// TCP over IPv4 only. Addresses and ports are in network order.
struct Peer {
    std::uint8_t address[4];
    std::uint16_t port;
};

int Accept(int listener, Peer* peer, int* error);                               // new fd, non-blocking
int Receive(int fd, void* buffer, int length, bool peek, int* error);          // bytes, 0 on close
int Send(int fd, const void* buffer, int length, int* error);                  // bytes
int Close(int fd);
int MakeNonBlocking(int fd, int* error);
int PendingBytes(int fd);            // bytes waiting to be read, 0 when unknown
int TakeSocketError(int fd);         // the pending error as a WinSock code, 0 for none

// Readiness of one pass: fds and the wanted events in, what happened out.
struct Watch {
    int fd;
    bool want_read;
    bool want_write;
    bool readable;
    bool writable;
    bool hung_up;  // the peer closed its side, or the connection failed
};
void PollOnce(Watch* watches, int count, int timeout_ms);

// Loopback sockets for tests: a listener on 127.0.0.1 with a port chosen by the system,
// and a non-blocking connect to 127.0.0.1:port that may still be in progress (a refusal
// known at once is given in `refused`, to be reported like one found later).
int OpenLoopbackListener(std::uint16_t* port, int* error);
int StartLoopbackConnect(std::uint16_t port, int* refused, int* error);

int WinSockErrorFromErrno(int errno_value);

}  // namespace socket_system
