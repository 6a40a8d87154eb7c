// The platform's socket calls on their own: errors as WinSock codes, and the
// notifications of one connection, each posted once until the call that answers it.
// The notifications go to a plain window of the test's own; the engine's network is
// not started.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/kernel.h"
#include "platform/testing/network_testing.h"
#include "platform/testing/window_testing.h"
#include "platform/window.h"
#include "platform/winsock.h"
#include "tests/support/loopback_peer.h"

namespace {

constexpr UINT kSocketMessage = 0x505;
constexpr char kWindowClass[] = "SocketCallsWindow";
constexpr std::int64_t kPumpLimitMs = 10000;

// Runs until `done` holds or ten seconds of real time pass, waiting on the sockets
// between rounds.
template <typename Done>
bool PumpUntil(Done done) {
    const std::int64_t deadline = loopback::MonotonicMs() + kPumpLimitMs;
    while (loopback::MonotonicMs() < deadline) {
        if (done()) return true;
        network_testing::WaitForSocketActivity(5);
    }
    return done();
}

// Every notification for `socket` now waiting for `window`, as (event, error) pairs.
std::vector<std::pair<int, int>> TakeNotifications(HWND window, SOCKET socket) {
    std::vector<std::pair<int, int>> out;
    MSG message;
    while (PeekMessageA(&message, window, kSocketMessage, kSocketMessage, PM_REMOVE)) {
        if (message.wParam != socket) continue;
        out.emplace_back(LOWORD(static_cast<std::uintptr_t>(message.lParam)),
                         HIWORD(static_cast<std::uintptr_t>(message.lParam)));
    }
    return out;
}

using Events = std::vector<std::pair<int, int>>;

class SocketCalls : public testing::Test {
protected:
    void SetUp() override {
        window_ = CreateMessageOnlyWindow(kWindowClass, DefWindowProcA);
        ASSERT_NE(window_, nullptr);
    }
    // A connection accepted through the platform's accept, with its peer.
    SOCKET Connect(loopback::Peer& peer) {
        WORD port = 0;
        listener_socket_ = network_testing::OpenLoopbackListener(&port);
        peer = loopback::Peer::Connect(port);
        SOCKADDR_IN address{};
        int length = sizeof(address);
        const SOCKET s = accept(listener_socket_, reinterpret_cast<SOCKADDR*>(&address), &length);
        EXPECT_NE(s, INVALID_SOCKET);
        EXPECT_EQ(length, 16);
        EXPECT_EQ(address.sin_family, AF_INET);
        EXPECT_EQ(address.sin_addr.bytes[0], 127);
        EXPECT_EQ(address.sin_addr.bytes[3], 1);
        return s;
    }
    void TearDown() override {
        if (listener_socket_ != INVALID_SOCKET) closesocket(listener_socket_);
        if (window_ != nullptr) DestroyWindow(window_);
        UnregisterClassA(kWindowClass, GetModuleHandleA(nullptr));
        EXPECT_EQ(network_testing::CountOpenSockets(), 0);
    }
    SOCKET listener_socket_ = INVALID_SOCKET;
    HWND window_ = nullptr;
};

TEST_F(SocketCalls, FailuresAreReportedAsWinSockCodes) {
    loopback::Peer peer;
    const SOCKET s = Connect(peer);
    char buffer[4];
    EXPECT_EQ(recv(s, buffer, 4, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    EXPECT_EQ(accept(listener_socket_, nullptr, nullptr), INVALID_SOCKET);  // nobody waiting
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    EXPECT_EQ(closesocket(s), 0);
    EXPECT_EQ(recv(s, buffer, 4, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(closesocket(s), SOCKET_ERROR);
    EXPECT_EQ(send(INVALID_SOCKET, buffer, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
}

TEST_F(SocketCalls, EachEventIsPostedOnceUntilAnswered) {
    const HWND window = window_;
    loopback::Peer peer;
    const SOCKET s = Connect(peer);
    ASSERT_EQ(WSAAsyncSelect(s, window, kSocketMessage, FD_READ | FD_WRITE | FD_CLOSE), 0);
    EXPECT_EQ(TakeNotifications(window, s), (Events{{FD_WRITE, 0}}));
    EXPECT_EQ(TakeNotifications(window, s), Events{});

    peer.SendAll("abcdef");
    ASSERT_EQ(network_testing::WaitForSocketActivity(2000), 1);
    EXPECT_EQ(TakeNotifications(window, s), (Events{{FD_READ, 0}}));
    EXPECT_EQ(TakeNotifications(window, s), Events{});  // the bytes wait, unanswered
    char buffer[8];
    EXPECT_EQ(recv(s, buffer, 2, MSG_PEEK), 2);
    EXPECT_EQ(TakeNotifications(window, s), Events{});  // a peek answers nothing
    EXPECT_EQ(recv(s, buffer, 2, 0), 2);
    EXPECT_EQ(TakeNotifications(window, s), (Events{{FD_READ, 0}}));  // four bytes still wait
    EXPECT_EQ(recv(s, buffer, 8, 0), 4);
    EXPECT_EQ(std::string(buffer, 4), "cdef");
    EXPECT_EQ(TakeNotifications(window, s), Events{});

    peer.Close();
    ASSERT_EQ(network_testing::WaitForSocketActivity(2000), 1);
    EXPECT_EQ(TakeNotifications(window, s), (Events{{FD_CLOSE, 0}}));
    EXPECT_EQ(TakeNotifications(window, s), Events{});
    EXPECT_EQ(recv(s, buffer, 8, 0), 0);
    // Writing to a closed peer fails at worst; it never raises a signal.
    for (int i = 0; i < 3; ++i) send(s, "x", 1, 0);

    EXPECT_EQ(WSAAsyncSelect(s, window, 0, 0), 0);
    EXPECT_EQ(closesocket(s), 0);
}

TEST_F(SocketCalls, AFullSocketAnnouncesRoomOnceMore) {
    const HWND window = window_;
    loopback::Peer peer;
    const SOCKET s = Connect(peer);
    ASSERT_EQ(WSAAsyncSelect(s, window, kSocketMessage, FD_WRITE), 0);
    EXPECT_EQ(TakeNotifications(window, s), (Events{{FD_WRITE, 0}}));
    const std::string chunk(65536, 'z');
    std::size_t queued = 0;
    int sent;
    while ((sent = send(s, chunk.data(), static_cast<int>(chunk.size()), 0)) > 0) queued += static_cast<std::size_t>(sent);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    EXPECT_EQ(TakeNotifications(window, s), Events{});
    // The peer takes everything; the socket has room again.
    std::size_t taken = 0;
    Events events;
    ASSERT_TRUE(PumpUntil([&] {
        taken += peer.ReceiveWaiting().size();
        for (const auto& e : TakeNotifications(window, s)) events.push_back(e);
        return taken == queued && !events.empty();
    }));
    EXPECT_EQ(events, (Events{{FD_WRITE, 0}}));
    EXPECT_EQ(closesocket(s), 0);
}

}  // namespace
