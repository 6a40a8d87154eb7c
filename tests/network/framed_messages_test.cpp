// Framed connections against a loopback peer: the bytes on the wire, messages split
// and coalesced by the stream, partial messages held back, hostile length headers, the
// peer's close and auto-close, and the bounded drains of a close.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/network/network_fixture.h"
#include "tests/support/engine_testing/core_testing.h"

namespace {

using network_test::Frame;
using network_test::Header;
using network_test::NetworkTest;
using network_test::PumpUntil;

std::string Take(std::int32_t handle, int n) {
    std::string out(static_cast<std::size_t>(n), '\0');
    if (NetWorkRecv(handle, out.data(), n) != 0) return "<refused>";
    return out;
}

std::string Pattern(std::size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed) & 0xFF);
    return s;
}

TEST_F(NetworkTest, SentMessagesCarryTheirLittleEndianLengthOnTheWire) {
    loopback::Peer peer;
    const std::int32_t h = AcceptPeer(peer);
    ASSERT_EQ(NetWorkSend(h, "hello", 5), 0);
    EXPECT_EQ(peer.Receive(9, 2000), std::string("\x05\x00\x00\x00hello", 9));
    const std::string big = Pattern(0x10203, 7);
    ASSERT_EQ(NetWorkSend(h, big.data(), static_cast<int>(big.size())), 0);
    ASSERT_TRUE(PumpUntil([&] { return GetNetWorkDataLength(h) == 0; }));
    EXPECT_EQ(peer.Receive(4 + big.size(), 2000), std::string("\x03\x02\x01\x00", 4) + big);
}

TEST_F(NetworkTest, MessagesSplitAcrossWritesAreHandedOutOnlyWhenWhole) {
    loopback::Peer peer;
    const std::int32_t h = AcceptPeer(peer);
    const std::string stream = Frame("abc") + Frame("xy");
    // Two bytes of the length, then the rest of it and part of the body.
    peer.SendAll(stream.substr(0, 2));
    network_testing::WaitForSocketActivity(50);
    EXPECT_EQ(GetNetWorkDataLength(h), 0);  // the two bytes stay in the socket
    peer.SendAll(stream.substr(2, 4));  // length complete, "ab" of "abc"
    ASSERT_TRUE(PumpUntil([&] {
        const NetworkHandleRecord* r = FindNetworkRecord(h);
        return r != nullptr && r->bytes_to_receive == 1;
    }));
    char probe[2];
    EXPECT_EQ(GetNetWorkDataLength(h), 0);
    EXPECT_EQ(NetWorkRecv(h, probe, 2), -1);       // a partial message is never handed out
    EXPECT_EQ(NetWorkRecvToPeek(h, probe, 1), -1);
    peer.SendAll(stream.substr(6));
    ASSERT_TRUE(PumpUntil([&] { return GetNetWorkDataLength(h) == 5; }));
    char peeked[3];
    ASSERT_EQ(NetWorkRecvToPeek(h, peeked, 3), 0);
    EXPECT_EQ(std::string(peeked, 3), "abc");
    EXPECT_EQ(Take(h, 3), "abc");
    EXPECT_EQ(GetNetWorkDataLength(h), 2);
    EXPECT_EQ(Take(h, 2), "xy");
    EXPECT_EQ(GetNetWorkDataLength(h), 0);
}

TEST_F(NetworkTest, ALengthHalfSentIsFinishedBeforeTheBody) {
    loopback::Peer peer;
    const std::int32_t h = AcceptPeer(peer);
    // As a send that put out only the first two of the four length bytes leaves it.
    const std::string body = Pattern(0x010203, 5);
    NetworkHandleRecord* r = FindNetworkRecord(h);
    ASSERT_EQ(RingBufferAppend(&r->send_ring, body.data(), static_cast<int>(body.size())), 0);
    r->send_length = static_cast<std::int32_t>(body.size());
    r->header_pending = 2;
    EXPECT_EQ(SendSocket(h), 0);
    std::string wire;
    ASSERT_TRUE(PumpUntil([&] {
        wire += peer.ReceiveWaiting();
        return wire.size() >= 2 + body.size();
    }));
    EXPECT_EQ(wire.substr(0, 2), std::string("\x01\x00", 2));
    EXPECT_TRUE(wire.substr(2) == body);
    EXPECT_EQ(r->header_pending, 0);
    EXPECT_EQ(r->send_length, 0);
}

TEST_F(NetworkTest, AMessageSentAFewBytesAtATimeArrivesExactly) {
    // The length goes out over two to four sends, the rest of it before any body byte.
    for (const int cap : {1, 2, 3}) {
        SCOPED_TRACE(cap);
        loopback::Peer peer;
        const std::int32_t h = AcceptPeer(peer);
        network_testing::SetSendCap(cap);
        ASSERT_EQ(NetWorkSend(h, "hello", 5), 0);
        const NetworkHandleRecord* r = FindNetworkRecord(h);
        EXPECT_EQ(r->header_pending, 4 - cap);
        std::string wire;
        ASSERT_TRUE(PumpUntil([&] {
            wire += peer.ReceiveWaiting();
            return r->send_ring.held == 0 && r->header_pending == 0;
        }));
        if (wire.size() < 9) wire += peer.Receive(9 - wire.size(), 2000);
        wire += peer.ReceiveWaiting();
        EXPECT_EQ(wire, std::string("\x05\x00\x00\x00hello", 9));
        EXPECT_EQ(r->send_length, 0);
        network_testing::SetSendCap(0);
        EXPECT_EQ(CloseNetworkHandle(h), 0);
    }
}

TEST_F(NetworkTest, CoalescedMessagesOfEverySizeArriveInOrder) {
    loopback::Peer peer;
    const std::int32_t h = AcceptPeer(peer);
    std::string stream;
    std::string bodies;
    const std::vector<std::size_t> sizes{0, 1, 3, 1000, 4096, 70000, 2};
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const std::string body = Pattern(sizes[i], static_cast<unsigned>(i));
        stream += Frame(body);
        bodies += body;
    }
    peer.SendAll(stream);
    ASSERT_TRUE(PumpUntil([&] { return GetNetWorkDataLength(h) == static_cast<int>(bodies.size()); }));
    std::size_t at = 0;
    for (std::size_t size : sizes) {
        EXPECT_EQ(Take(h, static_cast<int>(size)), bodies.substr(at, size));
        at += size;
    }
    EXPECT_EQ(GetNetWorkDataLength(h), 0);
}

TEST_F(NetworkTest, MessagesQueuedWhileOneIsGoingOutLeaveAsOne) {
    loopback::Peer peer;
    const std::int32_t h = AcceptPeer(peer, 4096);
    // Far more than the socket buffers hold, so the message is still going out.
    const std::string first = Pattern(8 * 1024 * 1024, 3);
    ASSERT_EQ(NetWorkSend(h, first.data(), static_cast<int>(first.size())), 0);
    ASSERT_GT(FindNetworkRecord(h)->send_length, 0);
    ASSERT_EQ(NetWorkSend(h, "abc", 3), 0);
    ASSERT_EQ(NetWorkSend(h, "defg", 4), 0);
    const std::string expected = Frame(first) + Frame("abcdefg");
    std::string wire;
    ASSERT_TRUE(PumpUntil([&] {
        wire += peer.ReceiveWaiting();
        return wire.size() >= expected.size();
    }));
    EXPECT_EQ(wire.size(), expected.size());
    EXPECT_TRUE(wire == expected);
}

struct HostileLength {
    std::uint32_t length;
    const char* log_size;
};

TEST_F(NetworkTest, HostileLengthsMarkTheHandleInErrorWithoutGrowingItsRing) {
    const HostileLength cases[] = {
        {0xFFFFFFF0u, "-16"},
        {0x7FFFFFFFu, "2147483647"},
        {0x80000000u, "-2147483648"},
        {16u * 1024 * 1024 + 1, "16777217"},
    };
    for (const HostileLength& c : cases) {
        SCOPED_TRACE(c.log_size);
        StartTestLog();
        loopback::Peer peer;
        const std::int32_t h = AcceptPeer(peer);
        const std::int32_t total_before = TrackedTotalBytes();
        peer.SendAll(Header(c.length) + "some bytes");
        ASSERT_TRUE(PumpUntil([&] {
            ProcessNetworkMessages(0);
            const NetworkHandleRecord* r = FindNetworkRecord(h);
            return r == nullptr || r->error == 1;
        }));
        const NetworkHandleRecord* r = FindNetworkRecord(h);
        if (r != nullptr) {
            EXPECT_EQ(r->receive_ring.capacity, 0);
            EXPECT_EQ(r->receive_ring.data, nullptr);
        }
        EXPECT_LE(TrackedTotalBytes(), total_before);
        char b[1];
        if (r != nullptr) {
            EXPECT_EQ(NetWorkRecv(h, b, 1), -1);
        }
        // The next pump with closing on ends the connection.
        ProcessNetworkMessages(1);
        EXPECT_EQ(FindNetworkRecord(h), nullptr);
        const std::string log = ReadTestLogWithoutStamps();
        EXPECT_NE(log.find(std::string("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ ") +
                           c.log_size + " byte)\r\n"),
                  std::string::npos)
            << log;
    }
}

TEST_F(NetworkTest, AMessageUpToTheLimitIsTaken) {
    loopback::Peer peer;
    const std::int32_t h = AcceptPeer(peer);
    const std::string body = Pattern(300000, 9);
    peer.SendAll(Frame(body));
    ASSERT_TRUE(PumpUntil([&] { return GetNetWorkDataLength(h) == static_cast<int>(body.size()); }));
    EXPECT_TRUE(Take(h, static_cast<int>(body.size())) == body);
}

TEST_F(NetworkTest, AMessageOfExactlyTheLimitIsTaken) {
    loopback::Peer peer;
    const std::int32_t h = AcceptPeer(peer);
    const std::string body = Pattern(static_cast<std::size_t>(kMaxIncomingMessageBytes), 11);
    const std::string stream = Frame(body);
    std::size_t sent = 0;
    ASSERT_TRUE(PumpUntil([&] {
        sent += peer.SendWhatFits(stream, sent);
        const NetworkHandleRecord* r = FindNetworkRecord(h);
        return r == nullptr || r->error != 0 || GetNetWorkDataLength(h) == kMaxIncomingMessageBytes;
    }));
    ASSERT_NE(FindNetworkRecord(h), nullptr);
    ASSERT_EQ(FindNetworkRecord(h)->error, 0);
    EXPECT_EQ(GetNetWorkDataLength(h), kMaxIncomingMessageBytes);
    EXPECT_TRUE(Take(h, kMaxIncomingMessageBytes) == body);
}

TEST_F(NetworkTest, PeerCloseIsReportedOnceThenTheConnectionClosesItself) {
    loopback::Peer peer;
    const std::int32_t h = AcceptPeer(peer);
    peer.SendAll(Frame("last words"));
    peer.Close();
    ASSERT_TRUE(PumpUntil([&] {
        ProcessNetworkMessages(0);
        const NetworkHandleRecord* r = FindNetworkRecord(h);
        return r != nullptr && r->connected == 0;
    }));
    // Closed, but what came before the close is still there to read.
    EXPECT_EQ(GetNetWorkDataLength(h), 10);
    EXPECT_EQ(Take(h, 10), "last words");
    ProcessNetworkMessages(1);
    ASSERT_NE(FindNetworkRecord(h), nullptr);  // not reported yet
    EXPECT_EQ(GetNetWorkAcceptState(h), 0);
    EXPECT_EQ(NetWorkSend(h, "x", 1), -1);
    ProcessNetworkMessages(1);
    EXPECT_EQ(FindNetworkRecord(h), nullptr);
    EXPECT_EQ(GetNetWorkAcceptState(h), -1);
}

TEST_F(NetworkTest, WithoutAutoCloseAClosedConnectionStaysUntilClosed) {
    SetNetworkOptionsForTesting(0, 1);
    loopback::Peer peer;
    const std::int32_t h = AcceptPeer(peer);
    peer.Close();
    ASSERT_TRUE(PumpUntil([&] { return GetNetWorkAcceptState(h) == 0; }));
    ProcessNetworkMessages(1);
    ProcessNetworkMessages(1);
    ASSERT_NE(FindNetworkRecord(h), nullptr);
    EXPECT_EQ(CloseNetworkHandle(h), 0);
    EXPECT_EQ(FindNetworkRecord(h), nullptr);
    EXPECT_EQ(CloseNetworkHandle(h), -1);
}

TEST_F(NetworkTest, RawConnectionsPassBytesStraightThrough) {
    SetNetworkOptionsForTesting(1, 0);
    loopback::Peer peer;
    const std::int32_t h = AcceptPeer(peer);
    EXPECT_EQ(NetWorkSend(h, "GET\n", 4), 4);
    EXPECT_EQ(peer.Receive(4, 2000), "GET\n");
    char buffer[16] = {};
    EXPECT_EQ(NetWorkRecv(h, buffer, 16), -1);  // nothing waiting
    peer.SendAll(std::string("\x00\x01raw", 5));
    ASSERT_TRUE(PumpUntil([&] { return GetNetWorkDataLength(h) == 1; }));
    EXPECT_EQ(NetWorkRecvToPeek(h, buffer, 2), 2);
    EXPECT_EQ(NetWorkRecv(h, buffer, 16), 5);
    EXPECT_EQ(std::string(buffer, 5), std::string("\x00\x01raw", 5));
}

TEST_F(NetworkTest, NegativeSizesAreRefused) {
    loopback::Peer peer;
    const std::int32_t h = AcceptPeer(peer);
    char b[4];
    EXPECT_EQ(NetWorkRecv(h, b, -1), -1);
    EXPECT_EQ(NetWorkSend(h, b, -5), -1);
    EXPECT_EQ(FindNetworkRecord(h)->send_ring.held, 0);
    EXPECT_NE(ReadTestLogWithoutStamps().find("送信データ -5 byte の追加に失敗しました in NewWorkSend\r\n"),
              std::string::npos);
}

TEST_F(NetworkTest, CloseGivesUpOnAMessageThatNeverCompletesAfterASecond) {
    loopback::Peer peer;
    const std::int32_t h = AcceptPeer(peer);
    peer.SendAll(Header(16) + "abc");
    ASSERT_TRUE(PumpUntil([&] {
        const NetworkHandleRecord* r = FindNetworkRecord(h);
        return r != nullptr && r->bytes_to_receive == 13;
    }));
    const std::uint64_t before = clock_.Nanoseconds();
    EXPECT_EQ(CloseNetworkHandle(h), 0);
    const std::uint64_t waited_ms = (clock_.Nanoseconds() - before) / 1000000;
    EXPECT_GE(waited_ms, 1000u);
    EXPECT_LE(waited_ms, 1010u);
}

TEST_F(NetworkTest, TheEndOfTheNetworkSharesOneDeadlineAmongAllConnections) {
    std::vector<loopback::Peer> peers(3);
    for (auto& peer : peers) {
        const std::int32_t h = AcceptPeer(peer);
        peer.SendAll(Header(100) + "x");
        ASSERT_TRUE(PumpUntil([&] {
            const NetworkHandleRecord* r = FindNetworkRecord(h);
            return r != nullptr && r->bytes_to_receive == 99;
        }));
    }
    const std::uint64_t before = clock_.Nanoseconds();
    EXPECT_EQ(TerminateNetwork(), 0);
    const std::uint64_t waited_ms = (clock_.Nanoseconds() - before) / 1000000;
    EXPECT_GE(waited_ms, 1000u);
    EXPECT_LE(waited_ms, 2010u);
    EXPECT_EQ(network_testing::CountOpenSockets(), 0);
    const std::string log = ReadTestLogWithoutStamps();
    EXPECT_NE(log.find("ネットワーク関連の終了処理を行います \r\n"), std::string::npos);
    EXPECT_NE(log.find("ネットワーク関連の終了処理は完了しました\r\n"), std::string::npos);
}

TEST_F(NetworkTest, StaleAndForeignHandlesAreRefused) {
    loopback::Peer peer;
    const std::int32_t h = AcceptPeer(peer);
    EXPECT_EQ(h & 0x78000000, 0x48000000);
    EXPECT_EQ(GetNetWorkAcceptState(h), 1);
    EXPECT_EQ(GetNetWorkAcceptState(h ^ 0x00010000), -1);  // other check count
    EXPECT_EQ(GetNetWorkAcceptState(h ^ 0x48000000 ^ 0x08000000), -1);
    EXPECT_EQ(GetNetWorkAcceptState(0x48000000 | 4097), -1);
    EXPECT_EQ(CloseNetworkHandle(h), 0);
    EXPECT_EQ(GetNetWorkAcceptState(h), -1);
}

TEST_F(NetworkTest, ANotificationThatCameWhileReceivingIsServedAtTheNextPump) {
    loopback::Peer peer_a;
    loopback::Peer peer_b;
    const std::int32_t a = AcceptPeer(peer_a);
    const std::int32_t b = AcceptPeer(peer_b);
    peer_b.SendAll(Frame("hi"));
    ASSERT_EQ(network_testing::WaitForSocketActivity(2000), 1);
    // Receiving on a dispatches b's notification while receiving is busy.
    EXPECT_EQ(RecvSocket(a), 0);
    EXPECT_EQ(FindNetworkRecord(b)->complete_bytes, 0);
    EXPECT_NE(FindNetworkRecord(b)->missed_events, 0);
    ProcessNetworkMessages(1);
    EXPECT_EQ(FindNetworkRecord(b)->complete_bytes, 2);
    EXPECT_EQ(FindNetworkRecord(b)->missed_events, 0);
}

TEST_F(NetworkTest, TheNetworkPumpLeavesTheQuitRequestToTheMainPump) {
    PostQuitMessage(3);
    EXPECT_EQ(ProcessNetworkMessages(1), 0);
    MSG message{};
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_QUIT);
    EXPECT_EQ(message.wParam, 3u);
}

TEST_F(NetworkTest, AnAcceptWithNobodyWaitingIsUndoneAndLogged) {
    EXPECT_EQ(AcceptNetWork(), -1);  // no listening socket yet: refused quietly
    Listen();
    const std::int32_t listener = NewestNetworkHandleForTesting();
    EXPECT_EQ(AcceptNetWork(), -1);
    EXPECT_EQ(NewestNetworkHandleForTesting(), listener);
    EXPECT_EQ(GetNetworkState()->table[0], nullptr);
    EXPECT_EQ(network_testing::CountOpenSockets(), 1);
    EXPECT_EQ(ReadTestLogWithoutStamps(), "ネットワークログ。acceptに失敗しました[10035]\r\n");
}

TEST_F(NetworkTest, ANotificationForAnUnknownSocketIsLogged) {
    EXPECT_EQ(HandleNetworkMessage(FD_READ, static_cast<WPARAM>(0x7FFFFFF0)), 0);
    EXPECT_NE(ReadTestLogWithoutStamps().find("通信エラー No.1\r\n"), std::string::npos);
}

}  // namespace
