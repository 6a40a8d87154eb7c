// The network inside the running engine: message processing steps an HTTP request to its
// end, the main window passes the socket notification to the network, and the engine's
// end closes running slots and the network.
#include <gtest/gtest.h>

#include <string>

#include "engine/app/app.h"
#include "engine/include/vomur.h"
#include "tests/network/http_fixture.h"
#include "tests/support/engine_session.h"

namespace {

TEST(NetworkInTheEngine, MessageProcessingRunsARequestToItsEnd) {
    engine_test::EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    ASSERT_EQ(StartNetworkForTesting(), 0);
    loopback::HttpServer server("HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody");
    const std::int32_t handle = AdoptConnectionForTesting(network_testing::StartLoopbackConnect(server.port()), 1, 0);
    unsigned char* body = nullptr;
    const HttpSlotRequest request{kHttpGet, handle, "127.0.0.1", "/", server.port(), 1, nullptr, &body, nullptr, 0};
    const int slot = CreateHttpSlotForTesting(request);
    ASSERT_GE(slot, 0);
    const std::int64_t deadline = loopback::MonotonicMs() + network_test::kPumpLimitMs;
    while (GetHttpRecord(slot)->result == -1 && loopback::MonotonicMs() < deadline) {
        EXPECT_EQ(ApiProcessWindowMessages(), 0);
        network_testing::WaitForSocketActivity(5);
    }
    EXPECT_EQ(GetHttpRecord(slot)->result, 0);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(body), 4), "body");
    EXPECT_EQ(DeleteHttpSlot(slot), 0);
    TrackedFree(body);
    server.Finish();
    EXPECT_EQ(ApiTerminateLibrary(), 0);
}

TEST(NetworkInTheEngine, TheMainWindowPassesSocketNotificationsOn) {
    engine_test::EngineSession session;
    ASSERT_EQ(ApiInitializeLibrary(), 0);
    ASSERT_EQ(StartNetworkForTesting(), 0);
    WORD port = 0;
    ASSERT_NE(ListenNetworkForTesting(network_testing::OpenLoopbackListener(&port)), -1);
    loopback::Peer peer = loopback::Peer::Connect(port);
    const std::int32_t listener = NewestNetworkHandleForTesting();
    ASSERT_TRUE(network_test::PumpUntil([&] { return NewestNetworkHandleForTesting() != listener; }));
    const std::int32_t h = NewestNetworkHandleForTesting();
    NetworkHandleRecord* record = FindNetworkRecord(h);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(SendMessageA(GetMainWindowHandle(), kNetworkNotifyMessage, record->socket, FD_CLOSE), 1);
    EXPECT_EQ(record->connected, 0);
    EXPECT_EQ(SendMessageA(GetMainWindowHandle(), kNetworkNotifyMessage, 0x7FFFFFF0, FD_READ), 0);
    // A slot still running when the engine ends is closed with the network.
    loopback::HttpServer server("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\npart", true);
    unsigned char* body = nullptr;
    const HttpSlotRequest request{kHttpGet,
                                  AdoptConnectionForTesting(network_testing::StartLoopbackConnect(server.port()), 1, 0),
                                  "127.0.0.1", "/", server.port(), 1, nullptr, &body, nullptr, 0};
    const int slot = CreateHttpSlotForTesting(request);
    ASSERT_TRUE(network_test::PumpUntil([&] { return GetHttpRecord(slot)->received == 4; }));
    EXPECT_EQ(ApiTerminateLibrary(), 0);
    EXPECT_EQ(GetHttpSlotTable()->used_count, 0);
    EXPECT_EQ(GetNetworkState()->ready, 0);
    EXPECT_EQ(network_testing::CountOpenSockets(), 0);
    TrackedFree(body);  // a deleted running slot leaves its block with the caller
    server.Finish();
}

}  // namespace
