// Test hook: loopback sockets made as a network start-up would make them, a bounded wait
// for socket activity in place of sleeping, and a cap on the bytes one send passes.
#pragma once

#include "platform/winsock.h"

namespace network_testing {

// A listening socket on 127.0.0.1; `port` receives the port the system chose.
SOCKET OpenLoopbackListener(WORD* port);
// A connection to 127.0.0.1:port, still in progress; FD_CONNECT reports its end.
SOCKET StartLoopbackConnect(WORD port);
// Waits at most `timeout_ms` for a socket with notifications to have news; 1 if one has.
int WaitForSocketActivity(int timeout_ms);
int CountOpenSockets();
// Lets one send() pass at most `bytes` bytes, as a socket with little room would; 0
// lifts the limit.
void SetSendCap(int bytes);

}  // namespace network_testing
