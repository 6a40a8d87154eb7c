// The network as the engine leaves it: never started, so every call answers at its
// first test (-1, or 0 for the pump, the message handler, the HTTP stepping and closing,
// and the end) and writes nothing to the log.
#include <gtest/gtest.h>

#include "engine/network/network.h"
#include "tests/support/engine_testing/network_test_entry.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

TEST(NetworkNotStarted, EveryCallAnswersAtItsFirstTest) {
    ScopedTempDir dir;
    StartTestLog();
    ASSERT_EQ(GetNetworkState()->ready, 0);
    const std::int32_t h = 0x48000000;
    char buffer[8] = {};
    const struct {
        const char* name;
        int got;
        int expected;
    } calls[] = {
        {"AcceptNetWork", AcceptNetWork(), -1},
        {"RecvSocket", RecvSocket(h), -1},
        {"SendSocket", SendSocket(h), -1},
        {"NetWorkRecv", NetWorkRecv(h, buffer, 1), -1},
        {"NetWorkRecvToPeek", NetWorkRecvToPeek(h, buffer, 1), -1},
        {"NetWorkSend", NetWorkSend(h, buffer, 1), -1},
        {"GetNetWorkDataLength", GetNetWorkDataLength(h), -1},
        {"GetNetWorkAcceptState", GetNetWorkAcceptState(h), -1},
        {"CloseNetworkHandle", CloseNetworkHandle(h), -1},
        {"ProcessNetworkMessages(1)", ProcessNetworkMessages(1), 0},
        {"ProcessNetworkMessages(0)", ProcessNetworkMessages(0), 0},
        {"HandleNetworkMessage", static_cast<int>(HandleNetworkMessage(FD_READ, 5)), 0},
        {"StepHttpRequest", StepHttpRequest(0), -1},
        {"StepAllHttpRequests", StepAllHttpRequests(), 0},
        {"CloseAllHttpSlots", CloseAllHttpSlots(), 0},
        {"TerminateNetwork", TerminateNetwork(), 0},
    };
    for (const auto& c : calls) EXPECT_EQ(c.got, c.expected) << c.name;
    EXPECT_EQ(ReadTestLogWithoutStamps(), "");
}

TEST(NetworkNotStarted, HttpSlotCallsOutsideTheTableAreRefused) {
    EXPECT_EQ(StepHttpRequest(-1), -1);
    EXPECT_EQ(StepHttpRequest(kHttpSlotCount), -1);
    EXPECT_EQ(DeleteHttpSlot(100), -1);
    EXPECT_EQ(FinishHttpSlot(3, 0, -1), -1);
}

}  // namespace
