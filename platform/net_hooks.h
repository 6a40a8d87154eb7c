// Seams of the socket calls that the test hooks in platform/testing/ drive: loopback
// sockets made the way a network start-up would make them, and a bounded wait for socket
// activity so tests never sleep to wait. The engine never includes this header.
#pragma once

#include "platform/winsock.h"

namespace platform_hooks {

// A listening socket on 127.0.0.1 at a port the system picks (returned in `port`).
SOCKET OpenLoopbackListener(WORD* port);
// A connection to 127.0.0.1:port, started without waiting; FD_CONNECT reports its end.
SOCKET StartLoopbackConnect(WORD port);
// Waits at most `timeout_ms` until a socket with notifications has something to report.
// Returns 1 when one has, else 0.
int WaitForSocketActivity(int timeout_ms);
// Sockets open through the platform layer.
int CountOpenSockets();

}  // namespace platform_hooks
