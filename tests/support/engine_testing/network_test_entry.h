// Test-only entry to the network room. Nothing in the engine starts the network; tests
// start it here the way a network start-up would: the ready flag and the network window,
// a listening socket in slot 4,096, outgoing connections, and HTTP slots. The sockets
// come from the platform's test hooks. Part of the engine's testing library (linked by
// tests only); it reaches inside the network room through its internal headers
// network_state.h and http_request.h, as tests may.
#pragma once

#include <cstdint>

#include "engine/network/http_request.h"
#include "engine/network/network_state.h"

// The network window (its procedure hands message 0x505 to HandleNetworkMessage) and the
// ready flag. 0, or -1 when the window cannot be made.
int StartNetworkForTesting();
// Options for the connections accepted from now on.
void SetNetworkOptionsForTesting(int raw_mode, int no_auto_close);
// The listening socket's record in slot 4,096, asking for FD_ACCEPT. Its handle, or -1.
std::int32_t ListenNetworkForTesting(SOCKET listener);
// A record for a connection whose connect is under way (FD_CONNECT tells its end).
// Its handle, or -1.
std::int32_t AdoptConnectionForTesting(SOCKET connecting, int raw_mode, int auto_close);
// The handle of the newest live record, -1 when none.
std::int32_t NewestNetworkHandleForTesting();

struct HttpSlotRequest {
    std::int32_t kind;            // HttpKind
    std::int32_t network_handle;  // a raw connection that is not closed automatically
    const char* host;
    const char* path;
    std::int32_t port;
    std::int32_t destination;     // 0 file, 1 memory
    HANDLE file;                  // destination 0; the slot closes it
    unsigned char** body;         // destination 1
    const unsigned char* post_data;
    std::int32_t post_size;
};
// Fills a free slot; its index, or -1 (table full, host or path too long, no memory).
int CreateHttpSlotForTesting(const HttpSlotRequest& request);
