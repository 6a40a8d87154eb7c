// The HTTP/1.0 client against a loopback server thread: the request bytes, bodies into
// memory and into a file, failing statuses, bodies ended by the close, header names in
// any letter case, over-long lines, cut replies, refused connections and a 1 MiB POST.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/network/http_fixture.h"
#include "tests/support/engine_testing/core_testing.h"

namespace {

using network_test::GetRequestText;
using network_test::HttpTest;

std::string Binary(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 37 + i / 251) & 0xFF);
    return s;
}

struct Outcome {
    std::int32_t result;
    std::int32_t error;
};

struct MemoryCase {
    const char* name;
    std::string response;
    Outcome outcome;
    std::string body;  // when the request succeeds
    bool hold_open;    // the server keeps the connection until the client closes
};

TEST_F(HttpTest, GetIntoMemory) {
    const std::string binary = Binary(10000);
    const MemoryCase cases[] = {
        {"200 with a length", "HTTP/1.0 200 OK\r\nContent-Length: 11\r\nServer: t\r\n\r\nhello world", {0, -1},
         "hello world", false},
        {"binary body", "HTTP/1.0 200 OK\r\nContent-Length: 10000\r\n\r\n" + binary, {0, -1}, binary, false},
        {"one byte past the first block", "HTTP/1.0 200 OK\r\nContent-Length: 4097\r\n\r\n" + binary.substr(0, 4097),
         {0, -1}, binary.substr(0, 4097), false},
        {"empty body", "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n", {0, -1}, "", false},
        {"no length, ended by the close", "HTTP/1.0 200 OK\r\nServer: t\r\n\r\n" + binary, {0, -1}, binary, false},
        {"lower-case length, connection left open", "HTTP/1.0 200 OK\r\ncontent-length: 5\r\n\r\nabcde", {0, -1},
         "abcde", true},
        {"longer body than announced", "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabcdef", {0, -1}, "abc", false},
        {"bare line feeds", "HTTP/1.0 200 OK\nContent-Length: 2\n\nok", {0, -1}, "ok", false},
        {"404", "HTTP/1.0 404 Not Found\r\nContent-Length: 3\r\n\r\nnah", {2, 1}, "", false},
        {"302", "HTTP/1.0 302 Found\r\nLocation: /x\r\n\r\n", {2, 0}, "", false},
        {"status line without a blank", "HTTP/1.0\r\n\r\n", {2, 0}, "", false},
        {"header line of 300 bytes", "HTTP/1.0 200 OK\r\nX: " + std::string(300, 'a') + "\r\n\r\nbody", {2, 0}, "",
         true},
        {"body cut short", "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nonly this", {2, 3}, "", false},
        {"cut inside the headers", "HTTP/1.0 200 OK\r\nContent-Len", {2, 3}, "", false},
        {"negative length", "HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\nabc", {2, 0}, "", false},
        {"nothing at all", "", {2, 3}, "", false},
    };
    for (const MemoryCase& c : cases) {
        SCOPED_TRACE(c.name);
        StartTestLog();
        loopback::HttpServer server(c.response, c.hold_open);
        unsigned char* body = reinterpret_cast<unsigned char*>(1);
        const int slot = StartRequest(kHttpGet, server.port(), "/index.html", 1, &body);
        ASSERT_GE(slot, 0);
        EXPECT_EQ(body, nullptr);
        ASSERT_TRUE(RunToEnd(slot));
        const HttpRequestRecord& r = *GetHttpRecord(slot);
        EXPECT_EQ(r.result, c.outcome.result);
        EXPECT_EQ(r.error, c.outcome.error);
        EXPECT_EQ(r.network_handle, -1);
        if (c.outcome.result == 0) {
            ASSERT_NE(body, nullptr);
            EXPECT_EQ(r.received, static_cast<std::int32_t>(c.body.size()));
            EXPECT_TRUE(std::string(reinterpret_cast<char*>(body), c.body.size()) == c.body);
        } else {
            EXPECT_EQ(body, nullptr);
        }
        EXPECT_EQ(DeleteHttpSlot(slot), 0);
        TrackedFree(body);
        EXPECT_EQ(server.Finish(), GetRequestText("/index.html", server.port()));
    }
    EXPECT_EQ(GetHttpSlotTable()->used_count, 0);
}

TEST_F(HttpTest, AnAnnouncedLengthIsNotReservedBeforeTheBodyComes) {
    // A 50-byte reply that announces 256 MB and closes after four bytes of body.
    const std::string reply = "HTTP/1.0 200 OK\r\nContent-Length: 268435456\r\n\r\nabcd";
    ASSERT_EQ(reply.size(), 50u);
    loopback::HttpServer server(reply);
    unsigned char* body = nullptr;
    const std::int32_t total_before = TrackedTotalBytes();
    std::int32_t most_held = 0;
    const int slot = StartRequest(kHttpGet, server.port(), "/big", 1, &body);
    ASSERT_GE(slot, 0);
    ASSERT_TRUE(network_test::PumpUntil([&] {
        most_held = std::max(most_held, TrackedTotalBytes() - total_before);
        return GetHttpRecord(slot)->result != -1;
    }));
    EXPECT_LT(most_held, 64 * 1024);
    // As for any body cut short by the close.
    EXPECT_EQ(GetHttpRecord(slot)->result, 2);
    EXPECT_EQ(GetHttpRecord(slot)->error, 3);
    EXPECT_EQ(GetHttpRecord(slot)->received, 4);
    EXPECT_EQ(body, nullptr);
    EXPECT_EQ(DeleteHttpSlot(slot), 0);
    server.Finish();
}

TEST_F(HttpTest, AFailedStatusOfAGetIsLogged) {
    loopback::HttpServer server("HTTP/1.0 404 Not Found\r\n\r\n");
    unsigned char* body = nullptr;
    const int slot = StartRequest(kHttpGet, server.port(), "/missing", 1, &body);
    ASSERT_TRUE(RunToEnd(slot));
    EXPECT_NE(ReadTestLogWithoutStamps().find("接続に失敗しました (戻り値:404)\r\n"), std::string::npos);
    EXPECT_EQ(DeleteHttpSlot(slot), 0);
}

TEST_F(HttpTest, GetIntoAFileWritesTheBodyExactly) {
    const std::string binary = Binary(3 * 4096 + 17);
    const struct {
        const char* name;
        std::string response;
    } cases[] = {
        {"with a length", "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(binary.size()) + "\r\n\r\n" + binary},
        {"ended by the close", "HTTP/1.0 200 OK\r\n\r\n" + binary},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        loopback::HttpServer server(c.response);
        const int slot = StartRequest(kHttpGet, server.port(), "/file.bin", 0, nullptr, CreateOutput("out.bin"));
        ASSERT_GE(slot, 0);
        ASSERT_TRUE(RunToEnd(slot));
        EXPECT_EQ(GetHttpRecord(slot)->result, 0);
        EXPECT_EQ(GetHttpRecord(slot)->file, nullptr);  // closed with the slot's end
        EXPECT_TRUE(dir_.ReadFile("out.bin") == binary);
        EXPECT_EQ(DeleteHttpSlot(slot), 0);
        server.Finish();
    }
}

TEST_F(HttpTest, AMegabytePostArrivesWhole) {
    const std::string data = Binary(1024 * 1024);
    loopback::HttpServer server("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nOK");
    unsigned char* body = nullptr;
    const int slot = StartRequest(kHttpPost, server.port(), "/upload", 1, &body, nullptr, data);
    ASSERT_GE(slot, 0);
    ASSERT_TRUE(RunToEnd(slot));
    EXPECT_EQ(GetHttpRecord(slot)->result, 0);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(body), 2), "OK");
    const std::string expected = "POST /upload HTTP/1.0\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                                 "\nContent-Length: 1048576\n\n" + data;
    const std::string request = server.Finish();
    EXPECT_EQ(request.size(), expected.size());
    EXPECT_TRUE(request == expected);
    DeleteHttpSlot(slot);
    TrackedFree(body);
}

TEST_F(HttpTest, PostWithAFailingStatusEndsQuietly) {
    loopback::HttpServer server("HTTP/1.0 404 Not Found\r\n\r\n");
    unsigned char* body = nullptr;
    const int slot = StartRequest(kHttpPost, server.port(), "/p", 1, &body, nullptr, "a=1");
    ASSERT_TRUE(RunToEnd(slot));
    EXPECT_EQ(GetHttpRecord(slot)->result, 2);
    EXPECT_EQ(GetHttpRecord(slot)->error, 1);
    EXPECT_EQ(ReadTestLogWithoutStamps().find("接続に失敗しました"), std::string::npos);
    EXPECT_EQ(server.Finish(), "POST /p HTTP/1.0\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                                   "\nContent-Length: 3\n\na=1");
    EXPECT_EQ(DeleteHttpSlot(slot), 0);
}

TEST_F(HttpTest, HeadReadsTheLengthOnly) {
    const struct {
        const char* name;
        std::string response;
        Outcome outcome;
        std::int32_t length;
    } cases[] = {
        {"with a length", "HTTP/1.0 200 OK\r\nServer: t\r\nContent-Length: 1234\r\n\r\n", {0, -1}, 1234},
        {"lower-case length", "HTTP/1.0 200 OK\r\nCONTENT-LENGTH: 77\r\n\r\n", {0, -1}, 77},
        {"no length", "HTTP/1.0 200 OK\r\nServer: t\r\n\r\n", {2, 3}, -1},
        {"404", "HTTP/1.0 404 Not Found\r\n\r\n", {2, 1}, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        loopback::HttpServer server(c.response);
        const int slot = StartRequest(kHttpHead, server.port(), "/h", 0, nullptr, nullptr);
        ASSERT_TRUE(RunToEnd(slot));
        EXPECT_EQ(GetHttpRecord(slot)->result, c.outcome.result);
        EXPECT_EQ(GetHttpRecord(slot)->error, c.outcome.error);
        EXPECT_EQ(GetHttpRecord(slot)->content_length, c.length);
        EXPECT_EQ(server.Finish(), "HEAD /h HTTP/1.0\n\n");
        DeleteHttpSlot(slot);
    }
}

TEST_F(HttpTest, ARefusedConnectionEndsAsLost) {
    unsigned char* body = nullptr;
    const int slot = StartRequest(kHttpGet, loopback::UnusedPort(), "/", 1, &body);
    ASSERT_GE(slot, 0);
    ASSERT_TRUE(RunToEnd(slot));
    EXPECT_EQ(GetHttpRecord(slot)->result, 2);
    EXPECT_EQ(GetHttpRecord(slot)->error, 3);
    EXPECT_EQ(body, nullptr);
    EXPECT_EQ(DeleteHttpSlot(slot), 0);
}

TEST_F(HttpTest, DeletingARunningSlotLeavesTheBodyBlockWithTheCaller) {
    // The server announces more than it sends and keeps the connection open.
    loopback::HttpServer server("HTTP/1.0 200 OK\r\nContent-Length: 50\r\n\r\nsome", true);
    unsigned char* body = nullptr;
    const int slot = StartRequest(kHttpGet, server.port(), "/slow", 1, &body);
    ASSERT_TRUE(network_test::PumpUntil([&] { return GetHttpRecord(slot)->received == 4; }));
    EXPECT_EQ(GetHttpRecord(slot)->result, -1);
    EXPECT_EQ(DeleteHttpSlot(slot), 0);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(body), 4), "some");
    TrackedFree(body);
    server.Finish();
}

TEST_F(HttpTest, TooLongHostsAndPathsAreRefusedAtCreation) {
    const std::string long_path(256, 'p');
    const std::string long_host(128, 'h');
    HttpSlotRequest request{kHttpGet, -1, "127.0.0.1", long_path.c_str(), 80, 0, nullptr, nullptr, nullptr, 0};
    EXPECT_EQ(CreateHttpSlotForTesting(request), -1);
    request.path = "/";
    request.host = long_host.c_str();
    EXPECT_EQ(CreateHttpSlotForTesting(request), -1);
    // The longest accepted host and path still format into the request buffer.
    const std::string path = "/" + std::string(254, 'p');
    const std::string host(127, 'h');
    loopback::HttpServer server("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n");
    const SOCKET socket = network_testing::StartLoopbackConnect(server.port());
    request = {kHttpPost, AdoptConnectionForTesting(socket, 1, 0), host.c_str(), path.c_str(), 65535, 0,
               CreateOutput("post.out"), nullptr, reinterpret_cast<const unsigned char*>("x"), 1};
    const int slot = CreateHttpSlotForTesting(request);
    ASSERT_GE(slot, 0);
    ASSERT_TRUE(RunToEnd(slot));
    EXPECT_EQ(GetHttpRecord(slot)->result, 0);
    EXPECT_EQ(server.Finish(), "POST " + path + " HTTP/1.0\nHost: " + host +
                                   ":65535\nContent-Length: 1\n\nx");
    EXPECT_EQ(DeleteHttpSlot(slot), 0);
}

}  // namespace
