// Seams of the socket calls that the test hooks in platform/testing/ drive: loopback
// sockets made the way a network start-up would make them, a bounded wait for socket
// activity so tests never sleep to wait, and a cap on the bytes one send passes. The
// engine never includes this header.
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
// The most bytes one send() passes to the system, as a full socket would take them; 0
// for no limit.
void SetSendCap(int bytes);

}  // namespace platform_hooks
