// Test hook: the loopback sockets, the activity wait and the send cap over the socket
// calls' seams.
#include "platform/testing/network_testing.h"

#include "platform/net_hooks.h"

namespace network_testing {

SOCKET OpenLoopbackListener(WORD* port) { return platform_hooks::OpenLoopbackListener(port); }
SOCKET StartLoopbackConnect(WORD port) { return platform_hooks::StartLoopbackConnect(port); }
int WaitForSocketActivity(int timeout_ms) { return platform_hooks::WaitForSocketActivity(timeout_ms); }
int CountOpenSockets() { return platform_hooks::CountOpenSockets(); }
void SetSendCap(int bytes) { platform_hooks::SetSendCap(bytes); }

}  // namespace network_testing
