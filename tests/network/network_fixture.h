// Shared set-up of the network tests: a temporary folder with the log on, the manual
// clock (so the drains' 1 ms sleeps move it, not the wall clock), the network started
// through its test entry, and a pump that runs until a condition holds or ten seconds
// of real time pass, waiting on the sockets between rounds.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/network/network.h"
#include "tests/support/engine_testing/network_test_entry.h"
#include "platform/testing/manual_clock.h"
#include "platform/testing/network_testing.h"
#include "tests/support/loopback_peer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace network_test {

constexpr std::int64_t kPumpLimitMs = 10000;

template <typename Done>
bool PumpUntil(Done done) {
    const std::int64_t deadline = loopback::MonotonicMs() + kPumpLimitMs;
    while (loopback::MonotonicMs() < deadline) {
        ProcessNetworkMessages(1);
        StepAllHttpRequests();
        if (done()) return true;
        network_testing::WaitForSocketActivity(5);
    }
    return done();
}

inline std::string Frame(const std::string& body) {
    const auto n = static_cast<std::uint32_t>(body.size());
    std::string out;
    for (int i = 0; i < 4; ++i) out += static_cast<char>((n >> (8 * i)) & 0xFF);
    return out + body;
}

inline std::string Header(std::uint32_t n) {
    std::string out;
    for (int i = 0; i < 4; ++i) out += static_cast<char>((n >> (8 * i)) & 0xFF);
    return out;
}

class NetworkTest : public testing::Test {
protected:
    void SetUp() override {
        StartTestLog();
        ASSERT_EQ(StartNetworkForTesting(), 0);
    }
    void TearDown() override {
        // Slots hold pointers into their test's frame: each test deletes its own.
        EXPECT_EQ(GetHttpSlotTable()->used_count, 0);
        CloseAllHttpSlots();
        network_testing::SetSendCap(0);
        TerminateNetwork();
        SetNetworkOptionsForTesting(0, 0);
        EXPECT_EQ(network_testing::CountOpenSockets(), 0);
    }

    // The engine listens; returns the port.
    WORD Listen() {
        WORD port = 0;
        listener_ = ListenNetworkForTesting(network_testing::OpenLoopbackListener(&port));
        EXPECT_NE(listener_, -1);
        port_ = port;
        return port;
    }

    // A peer connected to the engine's listener and the handle the engine gave it.
    std::int32_t AcceptPeer(loopback::Peer& peer, int receive_buffer_bytes = 0) {
        if (listener_ == -1) Listen();
        peer = loopback::Peer::Connect(port_, receive_buffer_bytes);
        EXPECT_TRUE(peer.valid());
        const std::int32_t before = NewestNetworkHandleForTesting();
        EXPECT_TRUE(PumpUntil([&] { return NewestNetworkHandleForTesting() != before; }));
        return NewestNetworkHandleForTesting();
    }

    ScopedTempDir dir_;
    ManualClock clock_{1000};
    std::int32_t listener_ = -1;
    WORD port_ = 0;
};

}  // namespace network_test
