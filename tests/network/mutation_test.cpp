// Damaged input from the far side: framed streams and HTTP replies, cut short and with
// bits flipped, sent by a loopback peer that then closes. Every connection must end, hand
// out only what a plain reference decoding of the damaged stream gives, and leave
// nothing behind; the sanitizers watch every byte touched on the way.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/network/http_fixture.h"

namespace {

using network_test::Frame;
using network_test::HttpTest;
using network_test::NetworkTest;
using network_test::PumpUntil;

constexpr int kCases = 40;

std::string Damage(std::string bytes, std::mt19937& random) {
    const int kind = static_cast<int>(random() % 3);
    if (kind != 1 && !bytes.empty()) bytes.resize(random() % bytes.size());  // cut
    if (kind != 0 && !bytes.empty()) {
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i) bytes[random() % bytes.size()] ^= static_cast<char>(1u << (random() % 8));
    }
    return bytes;
}

// The message bytes a correct receiver hands out of a stream: whole messages up to the
// first refused length or the first message that is not whole.
std::string ReferenceDecode(const std::string& stream) {
    std::string out;
    std::size_t at = 0;
    while (stream.size() - at >= 4) {
        std::uint32_t n = 0;
        for (int i = 0; i < 4; ++i) n |= static_cast<std::uint32_t>(static_cast<unsigned char>(stream[at + i])) << (8 * i);
        if (n > static_cast<std::uint32_t>(kMaxIncomingMessageBytes) || stream.size() - at - 4 < n) break;
        out += stream.substr(at + 4, n);
        at += 4 + n;
    }
    return out;
}

TEST_F(NetworkTest, MutationOfFramedStreamsEndsEveryConnectionCleanly) {
    std::string base;
    for (int i = 0; i < 6; ++i) base += Frame(std::string(static_cast<std::size_t>(i * 37 + 1), static_cast<char>('a' + i)));
    std::mt19937 random(20261211);
    for (int c = 0; c < kCases; ++c) {
        SCOPED_TRACE(c);
        const std::string damaged = Damage(base, random);
        loopback::Peer peer;
        const std::int32_t h = AcceptPeer(peer);
        peer.SendAll(damaged);
        peer.Close();
        std::string got;
        auto drain = [&] {
            const int n = GetNetWorkDataLength(h);
            if (n <= 0) return;
            std::string s(static_cast<std::size_t>(n), '\0');
            if (NetWorkRecv(h, s.data(), n) == 0) got += s;
        };
        ASSERT_TRUE(PumpUntil([&] {
            drain();
            if (FindNetworkRecord(h) != nullptr && GetNetWorkAcceptState(h) == 0) drain();
            return FindNetworkRecord(h) == nullptr;
        }));
        const std::string expected = ReferenceDecode(damaged);
        // A refused length ends the connection at once, so only a prefix may have been
        // taken then; otherwise every whole message arrives.
        ASSERT_LE(got.size(), expected.size());
        EXPECT_TRUE(got == expected.substr(0, got.size()));
        if (got.size() < expected.size()) {
            EXPECT_NE(ReadTestLogWithoutStamps().find("リングバッファのリサイズに失敗しました"), std::string::npos);
        }
    }
    EXPECT_EQ(network_testing::CountOpenSockets(), 1);  // the listener
}

TEST_F(HttpTest, MutationOfRepliesEndsEverySlot) {
    const std::string body(3000, 'b');
    const std::string replies[] = {
        "HTTP/1.0 200 OK\r\nContent-Length: 3000\r\nServer: t\r\n\r\n" + body,
        "HTTP/1.0 200 OK\r\nServer: t\r\n\r\n" + body,
    };
    std::mt19937 random(7);
    for (int c = 0; c < kCases; ++c) {
        SCOPED_TRACE(c);
        const std::string damaged = Damage(replies[c % 2], random);
        loopback::HttpServer server(damaged);
        unsigned char* memory = nullptr;
        const bool to_file = (c / 2) % 2 == 1;
        const int slot = to_file ? StartRequest(kHttpGet, server.port(), "/m", 0, nullptr, CreateOutput("m.out"))
                                 : StartRequest(kHttpGet, server.port(), "/m", 1, &memory);
        ASSERT_GE(slot, 0);
        ASSERT_TRUE(RunToEnd(slot));
        const HttpRequestRecord& r = *GetHttpRecord(slot);
        EXPECT_TRUE(r.result == 0 || r.result == 2);
        if (r.result == 0 && r.content_length >= 0) {
            EXPECT_EQ(r.received, r.content_length);
        }
        if (r.result == 0 && to_file) {
            EXPECT_EQ(dir_.ReadFile("m.out").size(), static_cast<std::size_t>(r.received));
        }
        if (r.result != 0) {
            EXPECT_EQ(memory, nullptr);
        }
        EXPECT_EQ(DeleteHttpSlot(slot), 0);
        TrackedFree(memory);
        server.Finish();
    }
    EXPECT_EQ(network_testing::CountOpenSockets(), 0);
}

}  // namespace
