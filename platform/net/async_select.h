// The one seam between the message queue and the sockets: PeekMessageA runs a pass that
// posts the notifications asked for with WSAAsyncSelect.
#pragma once

namespace platform_net {

// One poll() over the sockets with notifications (none: no system call); posts what it
// finds to their windows. Each event is posted once until the call that answers it.
void RunAsyncSelectPass();

}  // namespace platform_net
