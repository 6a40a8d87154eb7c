// HTTP requests in the network tests: a slot on a raw, not auto-closed connection to a
// loopback server, run by the pump until it ends.
#pragma once

#include <string>

#include "platform/kernel.h"
#include "tests/network/network_fixture.h"

namespace network_test {

class HttpTest : public NetworkTest {
protected:
    // A slot for `kind` on a new connection to 127.0.0.1:port; -1 when refused.
    int StartRequest(std::int32_t kind, WORD port, const char* path, std::int32_t destination, unsigned char** body,
                     HANDLE file = nullptr, const std::string& post = "") {
        const SOCKET socket = network_testing::StartLoopbackConnect(port);
        const std::int32_t handle = AdoptConnectionForTesting(socket, 1, 0);
        if (handle == -1) return -1;
        HttpSlotRequest request{kind,        handle, "127.0.0.1",
                                path,        port,   destination,
                                file,        body,   reinterpret_cast<const unsigned char*>(post.data()),
                                static_cast<std::int32_t>(post.size())};
        return CreateHttpSlotForTesting(request);
    }
    bool RunToEnd(int slot) {
        return PumpUntil([&] { return GetHttpRecord(slot) == nullptr || GetHttpRecord(slot)->result != -1; });
    }
    static HANDLE CreateOutput(const char* name) {
        return CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
};

inline std::string GetRequestText(const char* path, WORD port) {
    return std::string("GET ") + path + " HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(port) +
           "\r\nConnection: close\r\n\r\n";
}

}  // namespace network_test
